// The programs' own file commands on Windows: files of every kind, paths past
// Windows' old length limit, files held open, links (junctions), and runs
// stopped half-way.

#include <atomic>

#include "platform/oem.h"
#include "platform/windows/wine.h"
#include "tests/windows/harness.h"

namespace tembrel::windows_tests {
namespace {

class Files : public OnWindows {};

// Held open with no sharing at all, as a program using it, or an antivirus
// scanning it, holds it: here by the tests' own process, until it ends.
class HeldFile {
public:
    explicit HeldFile(const std::wstring& path)
        : file_(CreateFileW(longPath(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {
        EXPECT_NE(file_, INVALID_HANDLE_VALUE) << narrow(path);
    }
    ~HeldFile() { CloseHandle(file_); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

private:
    HANDLE file_;
};

// Read-only, hidden and system files install with their contents, the
// read-only mark dropped and the others kept; an install holding such files
// and a read-only folder is removed whole.
TEST_P(Files, FilesOfEveryKindInstallAndUninstall) {
    struct Kind {
        const wchar_t* name;
        DWORD attributes;
    };
    const Kind kinds[] = {{L"plain.txt", FILE_ATTRIBUTE_NORMAL},
                          {L"readonly.txt", FILE_ATTRIBUTE_READONLY},
                          {L"hidden.txt", FILE_ATTRIBUTE_HIDDEN},
                          {L"system.txt", FILE_ATTRIBUTE_SYSTEM},
                          {L"all.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}};
    constexpr DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    for (const Kind& kind : kinds) {
        writeFile(payload() / L"sub" / kind.name, narrow(kind.name));
        SetFileAttributesW(longPath(payload() / L"sub" / kind.name).c_str(), kind.attributes);
    }
    runWith(key('1'));
    EXPECT_EQ(snapshot(install()), snapshot(payload()));
    for (const Kind& kind : kinds) {
        EXPECT_EQ(attributes(install() / L"sub" / kind.name) & kept, kind.attributes & kept & ~FILE_ATTRIBUTE_READONLY)
            << narrow(kind.name);
        SetFileAttributesW(longPath(install() / L"sub" / kind.name).c_str(), kind.attributes);
    }
    SetFileAttributesW(longPath(install() / L"sub").c_str(), FILE_ATTRIBUTE_READONLY);
    runWith(key('2'), widen(GetParam().success));
    EXPECT_FALSE(exists(install()));
}

// Paths past 300 characters, and folders deep enough that under Wine the
// uninstall moves them up on the way, install and uninstall whole.
TEST_P(Files, LongAndDeepPayloadPathsInstallAndUninstall) {
    const std::pair<const wchar_t*, std::size_t> cases[] = {{L"a folder with a long name", ship_.size() + 310},
                                                            {L"d", payload().size() + 2 * 60}};
    for (const auto& [name, length] : cases) {
        for (std::wstring deep = payload(); deep.size() < length;) writeFile((deep = deep / name) / L"deep.txt", "deep");
        runWith(key('1'));
        EXPECT_EQ(snapshot(install()), snapshot(payload())) << narrow(name);
        runWith(key('2'), widen(GetParam().success));
        EXPECT_FALSE(exists(install())) << narrow(name);
    }
}

// A held file in the install fails the uninstall; once it is let go, the
// uninstall succeeds. Windows moves no folder that holds an open file, so
// the install stays whole; Wine moves it, and the held file stays in the
// folder set aside, with the install path free.
TEST_P(Files, AHeldFileFailsTheUninstallUntilItIsReleased) {
    makeInstall();
    writeFile(install() / L"sub\\held.dat", "held");
    const auto whole = snapshot(install());
    {
        HeldFile held(install() / L"sub\\held.dat");
        runWith(key('2'), widen(GetParam().failed));
        EXPECT_TRUE(GetModuleHandleW(L"ntdll.dll") && GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")
                        ? !exists(install())
                        : snapshot(install()) == whole);
    }
    runWith(key('2'), widen(GetParam().success));
    EXPECT_FALSE(exists(install()));
}

// A held file in the payload makes the copy incomplete: no install is left
// behind to be taken for a whole one, the emulator still starts, and once the
// file is let go "1" installs.
TEST_P(Files, AnIncompleteCopyLeavesNoInstall) {
    {
        HeldFile held(payload() / L"QBASIC.EXE");
        const std::wstring shown = runWith(key('1'), widen(GetParam().notInstalled()));
        EXPECT_FALSE(exists(install())) << narrow(shown);
        const std::string log = started();
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    }
    runWith(key('1'));
    EXPECT_EQ(snapshot(install()), snapshot(payload()));
}

// A staging folder held by a running launcher is its own: an uninstall run
// meanwhile leaves it, and the first launcher installs whole. The test halts
// the first launcher from the moment its folder no longer opens for deletion.
TEST_P(Files, AHeldStagingFolderOutlivesAnotherLaunchersSweep) {
    for (int i = 0; i < 300; ++i) writeFile(payload() / (L"f" + std::to_wstring(i)), "x");
    using Call = LONG(WINAPI*)(HANDLE);
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto halt = reinterpret_cast<Call>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtSuspendProcess")));
    const auto go = reinterpret_cast<Call>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtResumeProcess")));
    ASSERT_TRUE(halt && go);
    ConsoleRun first(ship_ / exe(), L"\"" + (ship_ / exe()) + L"\"", ship_);
    ASSERT_TRUE(first.waitFor(widen(GetParam().prompt), 240000)) << narrow(first.screen());
    first.type(key('1'));
    const std::wstring staging = L"C:\\." + folder() + L".partial-" + std::to_wstring(GetProcessId(first.process()));
    for (halt(first.process()); !exists(install()); go(first.process()), Sleep(1), halt(first.process())) {
        const HANDLE probe = CreateFileW(staging.c_str(), DELETE, 7, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (probe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) break;
        if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
    }
    const auto held = snapshot(staging);
    runWith(key('2'), widen(GetParam().notFound));
    EXPECT_TRUE(isFolder(staging) && snapshot(staging) == held);
    go(first.process());
    EXPECT_EQ(first.wait(240000), 0);
    EXPECT_EQ(snapshot(install()), snapshot(payload()));
}

// A junction is removed as a link and what it leads to is kept; one in the
// payload is skipped and named, and the rest is installed. Only where the
// file system makes junctions: Wine's does not.
TEST_P(Files, JunctionLinksAreNeverFollowed) {
    struct Case {
        const char* what;
        std::wstring link;
        std::wstring target;
        bool uninstalls;
    };
    const Case cases[] = {
        {"inside the install", install() / L"sub\\link", outside(), true},
        {"at the install path", install(), outside(), true},
        {"at the install path, to the payload", install(), payload(), false},
    };
    for (const Case& c : cases) {
        removeTree(install());
        if (c.link != install()) writeFile(install() / L"sub" / ownMark, "");
        if (!makeJunction(c.link, c.target)) GTEST_SKIP() << "this file system makes no junction: " << GetLastError();
        const auto kept = snapshot(c.target);
        runWith(key('2'), c.uninstalls ? widen(GetParam().success) : widen(GetParam().failed));
        EXPECT_EQ(snapshot(c.target), kept) << c.what;
        EXPECT_EQ(exists(install()), !c.uninstalls) << c.what;
    }
    removeTree(install());
    ASSERT_TRUE(makeJunction(payload() / L"out", outside()));
    auto expected = snapshot(payload());
    expected.erase(L"out");
    const std::wstring shown = runWith(key('1'));
    EXPECT_NE(shown.find(oemToWide(GetParam().edition->commandTexts.linkNotFollowed)), std::wstring::npos)
        << narrow(shown);
    EXPECT_EQ(snapshot(install()), expected);
}

// Swaps a folder for a junction to a folder outside and back, again and
// again, until told to stop.
struct Swap {
    std::wstring deep, aside, outside;
    std::atomic<bool> done{false};
};
DWORD WINAPI swapForAJunction(void* context) {
    Swap& s = *static_cast<Swap*>(context);
    for (int round = 0; round < 100000 && !s.done; ++round) {
        if (!MoveFileW(longPath(s.deep).c_str(), longPath(s.aside).c_str())) continue;
        makeJunction(s.deep, s.outside);
        RemoveDirectoryW(longPath(s.deep).c_str());  // the junction only
        MoveFileW(longPath(s.aside).c_str(), longPath(s.deep).c_str());
    }
    return 0;
}

// A folder in the install swapped back and forth with a junction to a
// folder outside while "2" runs, as another user could: nothing outside is
// deleted, whatever the uninstall then says. Only where the file system
// makes junctions: Wine's does not.
TEST_P(Files, AFolderSwappedForAJunctionDuringTheUninstallNeverCostsOutside) {
    const std::wstring deep = install() / L"a\\b\\c\\d", aside = install() / L"a\\b\\c\\aside";
    makeInstall();
    for (int file = 0; file < 200; ++file) {
        const std::wstring name = std::to_wstring(file) + L".dat";
        writeFile(deep / name, "inside");
        writeFile(outside() / name, "outside");
    }
    if (!makeJunction(aside, outside())) GTEST_SKIP() << "this file system makes no junction: " << GetLastError();
    RemoveDirectoryW(longPath(aside).c_str());
    const auto kept = snapshot(outside());
    Swap swap{deep, aside, outside()};
    const HANDLE swapper = CreateThread(nullptr, 0, swapForAJunction, &swap, 0, nullptr);
    ConsoleRun run(ship_ / exe(), L"\"" + (ship_ / exe()) + L"\"", ship_);
    EXPECT_TRUE(run.waitFor(widen(GetParam().prompt), 240000)) << narrow(run.screen());
    run.type(key('2'));
    for (int waited = 0; waited < 480 && run.screen().find(widen(GetParam().success)) == std::wstring::npos &&
                         run.screen().find(widen(GetParam().failed)) == std::wstring::npos;
         ++waited)
        run.stillRunningAfter(500);
    run.type(key('x'));
    run.wait(240000);
    swap.done = true;
    WaitForSingleObject(swapper, INFINITE);
    CloseHandle(swapper);
    EXPECT_EQ(snapshot(outside()), kept);
    removeTree(install());
}

// A run stopped half-way through the first copy or the uninstall, by
// Ctrl+Break or killed: the install path holds the whole install or
// nothing, a Ctrl+Break leaves no staging folder of the copy, and the next
// "1" installs whole. Wine delivers no Ctrl+Break sent to a process group,
// so there only the kill runs; the Wine suite types Ctrl+C on a terminal.
TEST_P(Files, AStoppedRunLeavesTheInstallWholeOrAbsent) {
    if (GetParam().edition != testing::editionRows[0].edition) GTEST_SKIP() << "one edition is enough";
    for (int i = 0; i < 3000; ++i) writeFile(payload() / L"many" / std::to_wstring(i), "x");
    for (const char k : {'1', '2'})
        for (const bool kill : {false, true}) {
            if (!kill && underWine()) continue;
            k == '1' ? removeTree(install()) : (void)runWith(key('1'));
            ConsoleRun run(ship_ / exe(), L"\"" + (ship_ / exe()) + L"\"", ship_);
            ASSERT_TRUE(run.waitFor(widen(GetParam().prompt), 240000)) << narrow(run.screen());
            run.type(key(k));
            // Stopped once a file from the middle of the payload is in the staging or moved folder.
            const std::wstring staging = L"C:\\." + folder() + L".partial-" + std::to_wstring(run.id());
            while (!exists(staging / L"many\\2") && run.stillRunningAfter(1)) {
            }
            EXPECT_EQ(run.stop(kill), kill ? 9 : STATUS_CONTROL_C_EXIT) << k << kill;
            EXPECT_FALSE(exists(install()));
            EXPECT_EQ(exists(staging), kill || k == '2') << k << kill;
            runWith(key('1'));
            EXPECT_FALSE(exists(staging));
            EXPECT_EQ(snapshot(install()), snapshot(payload()));
        }
}

INSTANTIATE_TEST_SUITE_P(Editions, Files, ::testing::ValuesIn(testing::consoleRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel::windows_tests
