#!/usr/bin/env bash
# Measures the Windows programs' file commands under Wine against Wine's own
# commands, side by side in one run, in a throwaway Wine prefix. Where the host
# runs 32-bit programs, the 32-bit code as it ships under 32-bit Wine; else (or
# with LAUNCHER_WINE64=1) a 64-bit build under 64-bit Wine (tools/wine-host):
#   install:   the copy of "1" (xcopy *.* C:\Tembrel /e /h /i) against Wine's
#              xcopy of the same 2,000-file payload;
#   uninstall: the deletes of "2" (del /s /q, then rd /s /q) against Wine's
#              rd /s /q of the same tree;
#   deep:      the copy of "1" of a 2,000-deep payload (at most 30 s), then
#              the deletes of "2" on the 2,000-deep install folder (at most
#              10 s).
# A small driver calls the commands as the programs do, one Wine process per
# command, as Wine's own commands run.
# Usage: bench/bench-wine.sh   (ROUNDS=n for more rounds, default 7; DEEP=n, default 2000)
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t host < <(tools/wine-host)
case "${host[0]}" in
  win32) cxx=i686-w64-mingw32-g++ loader=/usr/lib/wine/wine ;;
  win64) cxx=x86_64-w64-mingw32-g++ loader=/usr/lib/wine/wine64 ;;
  *) echo "no Wine to measure with: ${host[1]}" >&2; exit 1 ;;
esac
for tool in "$loader" wineserver "$cxx" python3; do
  command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done
echo "measuring the ${host[0]} build: ${host[1]}"
wine() { "$loader" "$@"; }
work=$(mktemp -d /tmp/launcher-bench-wine-XXXXXX)
export WINEPREFIX="$work/prefix" WINEARCH=${host[0]} WINELOADER=$loader WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml=" HOME="$work/home"
mkdir -p "$WINEPREFIX" "$HOME"
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

cat > "$work/driver.cpp" <<'EOF'
#include "editions/english/english.h"
#include "platform/windows/host.h"
#include "platform/windows/walk.h"
using namespace tembrel;
std::string narrowed(const std::wstring& text) { return std::string(text.begin(), text.end()); }
int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const std::wstring command = argv[1];
    const CommandTexts& texts = englishEdition.commandTexts;
    // The copy goes through the interpreter's front and the programs' host,
    // staging folder and rename included, as "1" runs it.
    if (command == L"copy" && argc == 4) {
        WindowsHost host(texts, L"C:\\");
        const std::string line = "xcopy " + narrowed(argv[2]) + "\\*.* " + narrowed(argv[3]) + " /e /h /i";
        return host.run(line) ? 0 : 1;
    }
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const ShowLine show = [&](std::wstring_view line, bool) {
        DWORD written;
        WriteFile(out, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
    };
    if (command == L"uninstall") {
        const std::wstring folder = argv[2];
        if (removeLink(folder) != 0) return 1;
        deleteFiles(folder, texts, show);
        return removeTree(folder, texts, show) ? 0 : 1;
    }
    return 2;
}
EOF
"$cxx" -std=c++20 -municode -O2 -static -I. -include windows.h -o "$work/driver.exe" "$work/driver.cpp" \
  platform/windows/platform.cpp platform/windows/commands.cpp platform/windows/console.cpp platform/windows/program.cpp \
  platform/windows/copy.cpp platform/windows/delete.cpp platform/windows/links.cpp platform/windows/walk.cpp \
  platform/windows/nt.cpp platform/windows/wine.cpp platform/windows/errors.cpp platform/windows/paths.cpp \
  platform/windows/staging.cpp platform/interpreter.cpp platform/staging.cpp platform/command_line.cpp \
  platform/oem.cpp platform/command_texts.cpp editions/english/edition.cpp

echo "setting up a Wine prefix..." >&2
wineserver -p  # stays for the whole run: every command starts alike
wine wineboot -i >/dev/null 2>&1
drive_c="$WINEPREFIX/drive_c"
winpath() { echo "Z:${1//\//\\}"; }

# 2,000 files of 1 to 16 KiB in 40 folders, two levels deep, one hidden.
payload="$work/ship/Tembrel"
for d in $(seq 1 40); do
  mkdir -p "$payload/set$((d % 8))/part$d"
  for f in $(seq 1 50); do head -c $(((f % 16 + 1) * 1024)) /dev/urandom > "$payload/set$((d % 8))/part$d/file$f.dat"; done
done
echo hidden > "$payload/.hidden"; rm "$payload/set0/part8/file1.dat"
files=$(find "$payload" -type f | wc -l)

rounds=${ROUNDS:-7}
ours_in=(); xcopy_in=(); ours_out=(); rd_out=()
time_ours_in() { local s; s=$(now); wine "$work/driver.exe" copy "$(winpath "$payload")" 'C:\Tembrel' >/dev/null; ours_in+=("$(elapsed "$s" "$(now)")"); sync; }
time_xcopy_in() {
  local s; s=$(now); (cd "$payload" && wine xcopy '*.*' 'C:\Baseline' /e /h /i >/dev/null); xcopy_in+=("$(elapsed "$s" "$(now)")"); sync
}
time_ours_out() { local s; s=$(now); wine "$work/driver.exe" uninstall 'C:\Tembrel' >/dev/null; ours_out+=("$(elapsed "$s" "$(now)")"); sync; }
time_rd_out() { local s; s=$(now); wine cmd /c 'rd /s /q C:\Baseline' >/dev/null; rd_out+=("$(elapsed "$s" "$(now)")"); sync; }
for r in $(seq 1 "$rounds"); do
  rm -rf "$drive_c/Tembrel" "$drive_c/Baseline"; sync
  # Take turns going first, so that neither always meets the other's writeback.
  if [ $((r % 2)) -eq 0 ]; then time_ours_in; time_xcopy_in; else time_xcopy_in; time_ours_in; fi
  diff -r "$payload" "$drive_c/Tembrel" >/dev/null || { echo "install differs from the payload" >&2; exit 1; }
  if [ $((r % 2)) -eq 0 ]; then time_ours_out; time_rd_out; else time_rd_out; time_ours_out; fi
  [ ! -e "$drive_c/Tembrel" ] || { echo "the uninstall left the install folder" >&2; exit 1; }
done
t_ours=$(printf '%s\n' "${ours_in[@]}" | median); t_xcopy=$(printf '%s\n' "${xcopy_in[@]}" | median)
echo "install ($files files), median of $rounds: launcher's copy ${t_ours} s, Wine's xcopy ${t_xcopy} s, ratio $(ratio "$t_ours" "$t_xcopy")"
t_ours=$(printf '%s\n' "${ours_out[@]}" | median); t_rd=$(printf '%s\n' "${rd_out[@]}" | median)
echo "uninstall ($files files), median of $rounds: launcher's del and rd ${t_ours} s, Wine's rd /s /q ${t_rd} s, ratio $(ratio "$t_ours" "$t_rd")"

# A chain of 2,000 folders (DEEP=n for another depth), with a file every 100
# levels: past Linux's own path limit, so it is made one folder at a time.
deep="$work/deep/Tembrel"
depth=${DEEP:-2000}
python3 - "$deep" "$depth" <<'EOF'
import os, sys
os.makedirs(sys.argv[1])
fd = os.open(sys.argv[1], os.O_RDONLY)
for level in range(int(sys.argv[2])):
    if level % 100 == 0:
        f = os.open("save.dat", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=fd); os.write(f, b"x"); os.close(f)
    os.mkdir("d", dir_fd=fd)
    child = os.open("d", os.O_RDONLY, dir_fd=fd); os.close(fd); fd = child
EOF
s=$(now); wine "$work/driver.exe" copy "$(winpath "$deep")" 'C:\Tembrel' >/dev/null; t_deep_in=$(elapsed "$s" "$(now)")
[ "$(find "$drive_c/Tembrel" -name save.dat | wc -l)" -eq $(((depth + 99) / 100)) ] ||
  { echo "the deep install is incomplete" >&2; exit 1; }
echo "install of a $depth-deep payload: ${t_deep_in} s (at 2,000: at most 30 s)"
s=$(now); wine "$work/driver.exe" uninstall 'C:\Tembrel' >/dev/null; t_deep=$(elapsed "$s" "$(now)")
[ ! -e "$drive_c/Tembrel" ] || { echo "the deep install folder was left" >&2; exit 1; }
echo "uninstall of a $depth-deep install folder: ${t_deep} s (at 2,000: at most 10 s)"
