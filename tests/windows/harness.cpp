// The Windows tests' shared parts and their main: the install folders on
// drive C are checked to be the tests' own before anything runs.

#include "tests/windows/harness.h"

#include <algorithm>
#include <vector>

#include "tests/payload.h"

namespace tembrel::windows_tests {

namespace {

std::wstring fullName(const std::wstring& path) {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetLongPathNameW(path.c_str(), buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : path;
}

std::wstring work;

std::wstring logs() { return work / L"logs"; }

// The install folders are C:\Tembrel and C:\Tembrelo, whatever the PC: one
// that is there already must be the tests' own, left by an interrupted
// run, or the tests do not run at all.
bool ours(const std::wstring& path) {
    return !exists(path) || exists(path / ownMark) || (!isFolder(path) && readFile(path) == narrow(ownMark));
}

// A console whose screen buffers can be written and read back: what the
// runs need. Wine gives one only to a program started on a terminal.
bool consoleReady() {
    const HANDLE input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
    if (input == INVALID_HANDLE_VALUE) return false;
    CloseHandle(input);
    const HANDLE screen = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                    nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (screen == INVALID_HANDLE_VALUE) return false;
    wchar_t back = 0;
    DWORD n = 0;
    const bool ready = WriteConsoleW(screen, L"x", 1, &n, nullptr) &&
                       ReadConsoleOutputCharacterW(screen, &back, 1, COORD{0, 0}, &n) && back == L'x';
    CloseHandle(screen);
    return ready;
}

class DriveC : public ::testing::Environment {
public:
    void SetUp() override {
        // Started without a console (by a service, say), the tests make one.
        if (!consoleReady()) AllocConsole();
        ASSERT_TRUE(consoleReady()) << "no console whose screen can be read back: run windows_tests.exe from a "
                                       "prompt (under Wine, on a terminal)";
        for (const EditionRow& row : testing::editionRows) {
            ASSERT_EQ(testing::rowFault(row), "");
            const std::wstring install = L"C:\\" + widen(row.folder());
            ASSERT_TRUE(ours(install)) << narrow(install) << " is there and is not these tests': they install to it "
                                          "and delete it, so they do not run. Move it away first.";
        }
        wchar_t temp[MAX_PATH];
        const DWORD n = GetTempPathW(MAX_PATH, temp);
        ASSERT_TRUE(n > 0 && n < MAX_PATH) << "no folder for temporary files";
        work = fullName(std::wstring(temp, n)) / (L"windows_tests-" + std::to_wstring(GetCurrentProcessId()));
        removeTree(work);
        makeFolders(logs());
        // No command interpreter may start: %ComSpec% names a stand-in that
        // logs each start, as do the ones planted in the payload.
        copyFile(programsFolder() / L"stand_in_logger.exe", work / L"stand_in_cmd.exe");
        SetEnvironmentVariableW(L"ComSpec", (work / L"stand_in_cmd.exe").c_str());
        SetEnvironmentVariableW(L"TEMBREL_TEST_LOGS", logs().c_str());
        guarded_ = true;
    }
    // Runs even when SetUp refused: then nothing on drive C is the tests'.
    void TearDown() override {
        if (!guarded_) return;
        for (const EditionRow& row : testing::editionRows) removeTree(L"C:\\" + widen(row.folder()));
        removeTree(work);
    }

private:
    bool guarded_ = false;
};

}  // namespace

std::wstring programsFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    DWORD n;
    while ((n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) == path.size())
        path.resize(path.size() * 2);
    const std::wstring self(path.data(), n);
    return self.substr(0, self.find_last_of(L'\\'));
}

std::wstring workFolder() { return work; }

bool sameName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return tolower(static_cast<unsigned char>(x)) == tolower(static_cast<unsigned char>(y)); });
}

void OnWindows::SetUp() {
    ship_ = work / L"ship";
    for (const std::wstring& path : {ship_, outside(), logs(), install()}) removeTree(path);
    for (const EditionRow& row : testing::editionRows) removeTree(L"C:\\" + widen(row.folder()));
    makeFolders(logs());
    testing::writePayload(payload(), GetParam().folder(), '\\', writeFile, makeFolders);
    SetFileAttributesW(longPath(payload() / L".hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    writeFile(payload() / ownMark, "");
    copyFile(programsFolder() / exe(), ship_ / exe());
    copyFile(programsFolder() / L"dosboxportable.exe", ship_ / L"dosboxportable.exe");
    writeFile(outside() / L"keep.txt", "keep");
    writeFile(outside() / L"sub\\keep.bin", "keep");
}

void OnWindows::TearDown() {
    EXPECT_EQ(readFile(logs() / L"unexpected.txt"), "") << "a program ran that never should";
}

// How long a wait may take before it counts as a fault: a program starts in
// a second or two, but on a loaded machine (or Wine's first start) far later.
constexpr DWORD slowMachineMs = 240000;

std::string OnWindows::started() const { return readFile(logs() / L"started.txt"); }

std::wstring OnWindows::runAt(const std::wstring& program, const std::wstring& folder, const Key& key,
                              const std::wstring& waitFor) {
    ConsoleRun run(program, L"\"" + program + L"\"", folder);
    if (!run.started()) {
        ADD_FAILURE() << narrow(program) << " did not start: " << GetLastError();
        return L"";
    }
    EXPECT_TRUE(run.waitFor(widen(GetParam().prompt), slowMachineMs)) << narrow(run.screen());
    run.type(key);
    if (!waitFor.empty()) {
        EXPECT_TRUE(run.waitFor(waitFor, slowMachineMs)) << narrow(run.screen());
        EXPECT_TRUE(run.stillRunningAfter(500)) << "waits for one more key";
        run.type(tembrel::windows_tests::key('x'));
    }
    EXPECT_EQ(run.wait(slowMachineMs), 0) << narrow(run.screen());
    return run.screen();
}

}  // namespace tembrel::windows_tests

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new tembrel::windows_tests::DriveC);
    return RUN_ALL_TESTS();
}
