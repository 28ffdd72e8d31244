#!/usr/bin/env bash
# Measures the launcher against simple baselines, side by side in one run:
#   start-up: start to exit on "3" against the least program that writes the
#             same menu and reads one byte (median wall time, and instructions
#             counted by callgrind);
#   install:  a first launch ("1") against cp -a of the same payload, a
#             sparse file in it;
#   uninstall: "2" against rm -rf of the same tree, with an empty and with a
#             full drive C beside it;
#   deep:     both, for a tree 100,000 folders deep (DEPTH), with the peak
#             memory of each.
# Usage: bench/bench.sh [build folder, default build]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
launcher="$PWD/$build/TembrelLaunch"
[ -x "$launcher" ] || { echo "build the launcher first: cmake --preset default && cmake --build --preset default" >&2; exit 1; }
work=$(mktemp -d /tmp/launcher-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", b - a }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# ---- start-up ----
printf 3 > "$work/three"
(cd "$work" && "$launcher" < three > menu.bin)
od -An -v -tx1 "$work/menu.bin" | sed 's/ \([0-9a-f][0-9a-f]\)/0x\1,/g' > "$work/menu_bytes.inc"
cc -O2 -I"$work" bench/least.c -o "$work/least"
cc -O2 bench/startup.c -o "$work/startup"
cmp -s <("$work/least" < "$work/three") "$work/menu.bin" || { echo "least program writes other bytes" >&2; exit 1; }

runs=${RUNS:-400}
t_least=$("$work/startup" "$runs" "$work/three" "$work/least")
t_launch=$("$work/startup" "$runs" "$work/three" "$launcher")
echo "start-up, median of $runs runs: launcher ${t_launch} us, least program ${t_least} us, ratio $(ratio "$t_launch" "$t_least")"

instructions() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$1" < "$work/three" 2>&1 >/dev/null |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
if command -v valgrind >/dev/null; then
  i_least=$(instructions "$work/least")
  i_launch=$(instructions "$launcher")
  echo "start-up, instructions: launcher $i_launch, least program $i_least, ratio $(ratio "$i_launch" "$i_least")"
fi

# ---- install ----
payload="$work/ship/Tembrel"
mkdir -p "$payload/data"
for i in $(seq 1 400); do head -c 65536 /dev/urandom > "$payload/data/file$i.bin"; done
head -c $((34 * 1024 * 1024)) /dev/urandom > "$payload/big.bin"
# A sparse file: 256 MiB with three 1 MiB stretches of data.
truncate -s 256M "$payload/sparse.img"
for at in 0 100 200; do head -c $((1024 * 1024)) /dev/urandom | dd of="$payload/sparse.img" bs=1M seek=$at conv=notrunc status=none; done
mkdir -p "$work/wine/drive_c"
rounds=${ROUNDS:-11}
cp_times=(); launch_times=()
time_cp() { local s; s=$(now); cp -a "$payload" "$work/cp-copy"; cp_times+=("$(elapsed "$s" "$(now)")"); sync; }
time_launch() {
  local s; s=$(now); (cd "$work/ship" && printf 1 | WINEPREFIX="$work/wine" "$launcher" >/dev/null 2>&1)
  launch_times+=("$(elapsed "$s" "$(now)")"); sync
}
for r in $(seq 1 "$rounds"); do
  rm -rf "$work/cp-copy" "$work/wine/drive_c/Tembrel"; sync
  # Take turns going first, so that neither always meets the other's writeback.
  if [ $((r % 2)) -eq 0 ]; then time_cp; time_launch; else time_launch; time_cp; fi
done
t_cp=$(printf '%s\n' "${cp_times[@]}" | median)
t_install=$(printf '%s\n' "${launch_times[@]}" | median)
diff -r "$payload" "$work/wine/drive_c/Tembrel" >/dev/null || { echo "install differs from the payload" >&2; exit 1; }
sparse_kib=$(du -k "$work/wine/drive_c/Tembrel/sparse.img" | cut -f1)
echo "install (400 x 64 KiB + 34 MiB + 256 MiB sparse), median of $rounds: launcher ${t_install} s, cp -a ${t_cp} s, ratio $(ratio "$t_install" "$t_cp"); the sparse file takes ${sparse_kib} KiB installed"

# ---- uninstall ----
uninstall_round() {  # prints the launcher's time, then rm -rf's time
  cp -a "$payload" "$work/wine/drive_c/Tembrel"; cp -a "$payload" "$work/rm-copy"; sync
  local s; s=$(now); (cd "$work/ship" && printf 2x | WINEPREFIX="$work/wine" "$launcher" >/dev/null 2>&1)
  elapsed "$s" "$(now)"; echo
  s=$(now); rm -rf "$work/rm-copy"; elapsed "$s" "$(now)"; echo
}
measure_uninstall() {
  local u=() m=()
  for r in $(seq 1 "$rounds"); do
    mapfile -t pair < <(uninstall_round)
    u+=("${pair[0]}"); m+=("${pair[1]}")
  done
  t_un=$(printf '%s\n' "${u[@]}" | median); t_rm=$(printf '%s\n' "${m[@]}" | median)
}
rm -rf "$work/wine/drive_c/Tembrel"
measure_uninstall
echo "uninstall, empty drive C, median of $rounds: launcher ${t_un} s, rm -rf ${t_rm} s, ratio $(ratio "$t_un" "$t_rm")"
mkdir -p "$work/wine/drive_c/Other"
for d in $(seq 1 200); do mkdir -p "$work/wine/drive_c/Other/d$d"; for f in $(seq 1 100); do : > "$work/wine/drive_c/Other/d$d/Tembrel$f"; done; done
measure_uninstall
echo "uninstall, 20000 other files on drive C, median of $rounds: launcher ${t_un} s, rm -rf ${t_rm} s, ratio $(ratio "$t_un" "$t_rm")"

# ---- a tree 100,000 folders deep ----
# With the default 8 MiB stack and 128 descriptors. cp -a names each file by
# its whole path, so it stops where the path outgrows PATH_MAX; its time is
# that of the part it copies. So first a tree as deep as cp -a still copies.
depth=${DEPTH:-100000}
cc -O2 bench/deep.c -o "$work/deep"
rm -rf "$work/ship/Tembrel" "$work/wine/drive_c/Tembrel" "$work/wine/drive_c/Other"
"$work/deep" "$work/ship/Tembrel" 2000
sync
s=$(now); (cd "$work/ship" && printf 1 | WINEPREFIX="$work/wine" "$launcher" >/dev/null 2>&1); t_install=$(elapsed "$s" "$(now)")
sync
s=$(now); cp -a "$work/ship/Tembrel" "$work/cp-copy"; t_cp=$(elapsed "$s" "$(now)")
echo "install, 2000 folders deep: launcher ${t_install} s, cp -a ${t_cp} s, ratio $(ratio "$t_install" "$t_cp")"
rm -rf "$work/ship/Tembrel" "$work/wine/drive_c/Tembrel" "$work/cp-copy"
"$work/deep" "$work/ship/Tembrel" "$depth"
sync
peak() { sed -n 's/.*Maximum resident set size (kbytes): //p' "$1"; }
s=$(now)
(cd "$work/ship" && ulimit -n 128 -s 8192 && printf 1 | WINEPREFIX="$work/wine" /usr/bin/time -v -o "$work/install.time" "$launcher" >/dev/null 2>&1)
t_install=$(elapsed "$s" "$(now)")
[ -d "$work/wine/drive_c/Tembrel/d" ] || { echo "deep install failed" >&2; exit 1; }
sync
s=$(now); cp_status=0; cp -a "$work/ship/Tembrel" "$work/cp-copy" 2>/dev/null || cp_status=$?; t_cp=$(elapsed "$s" "$(now)")
cp_note=""; [ "$cp_status" -eq 0 ] || cp_note=" (cp -a failed, status $cp_status: the path grew too long)"
echo "install, $depth folders deep: launcher ${t_install} s, peak $(peak "$work/install.time") KiB; cp -a ${t_cp} s$cp_note, ratio $(ratio "$t_install" "$t_cp")"
rm -rf "$work/cp-copy"
"$work/deep" "$work/rm-copy" "$depth"
sync
s=$(now)
(cd "$work/ship" && ulimit -n 128 -s 8192 && printf 2x | WINEPREFIX="$work/wine" /usr/bin/time -v -o "$work/uninstall.time" "$launcher" >/dev/null 2>&1)
t_un=$(elapsed "$s" "$(now)")
[ ! -e "$work/wine/drive_c/Tembrel" ] || { echo "deep uninstall failed" >&2; exit 1; }
s=$(now); /usr/bin/time -v -o "$work/rm.time" rm -rf "$work/rm-copy"; t_rm=$(elapsed "$s" "$(now)")
echo "uninstall, $depth folders deep: launcher ${t_un} s, peak $(peak "$work/uninstall.time") KiB; rm -rf ${t_rm} s, peak $(peak "$work/rm.time") KiB, ratio $(ratio "$t_un" "$t_rm")"
