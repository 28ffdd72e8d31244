// The interpreter's front over a recording host: which lines reach which
// command, with which operands, and which are refused.

#include <gtest/gtest.h>

#include "editions/english/english.h"
#include "platform/interpreter.h"
#include "platform/staging.h"

#include <functional>
#include <new>
#include <set>

namespace tembrel {
namespace {

// Records each call as one line; programs named "missing..." are not there.
// The staging calls answer from the script below.
class RecordingHost final : public Host {
public:
    std::string log;
    std::set<std::string> present;          // paths where something stands
    std::set<std::string> held;             // staging folders a running program holds
    std::vector<std::string> names;         // any folder's names
    int namesTaken = 0;                     // staging names another run has
    Outcome moved = Outcome::Done;
    enum { Copies, Fails, RunsOutOfMemory } copy = Copies;

    const CommandTexts& texts() const override { return englishEdition.commandTexts; }
    void write(std::string_view text) override { log += "write " + std::string(text) + ";"; }
    void clear() override { log += "clear;"; }
    int readKeystroke(bool dropTypedAhead) override {
        log += dropTypedAhead ? "fresh key;" : "key;";
        return 13;
    }
    bool isDirectory(std::string_view) override { return false; }
    bool removeLink(std::string_view) override { return true; }
    bool changeDirectory(std::string_view) override { return true; }
    bool encloses(std::string_view, std::string_view) override { return false; }
    void say(std::string_view text, std::string_view name, bool error) override {
        log += std::string(error ? "error " : "say ") + fillIn(text, {name});
    }
    bool copyTree(std::string_view folder, std::string_view dest, bool listed) override {
        log += "copy " + std::string(folder) + " " + std::string(dest) + (listed ? "" : " nul") + ";";
        if (copy == RunsOutOfMemory) throw std::bad_alloc();
        return copy == Copies;
    }
    // Folders named "empty..." hold no file, "held..." one that stays.
    Deleted deleteFiles(std::string_view folder, bool listed) override {
        log += "delete " + std::string(folder) + (listed ? "" : " nul") + ";";
        if (folder.starts_with("c:\\empty")) return Deleted::NoneFound;
        return folder.starts_with("c:\\held") ? Deleted::NotAll : Deleted::All;
    }
    bool removeTree(std::string_view folder, bool listed) override {
        log += "remove " + std::string(folder) + (listed ? "" : " nul") + ";";
        return true;
    }
    Start startProgram(const CommandLine& command) override {
        log += "start " + command.name + ";";
        return command.name.starts_with("missing") ? Start::Missing : Start::Started;
    }
    bool exists(std::string_view path) override { return present.count(std::string(path)) != 0; }
    unsigned long runId() override { return 7; }
    Outcome makeStaging(std::string_view path, std::string_view) override {
        log += "make " + std::string(path) + ";";
        return namesTaken-- > 0 ? Outcome::Taken : Outcome::Done;
    }
    Outcome moveStaging(std::string_view path, std::string_view dest) override {
        log += "move " + std::string(path) + " " + std::string(dest) + ";";
        return moved;
    }
    Outcome moveAside(std::string_view folder, std::string_view aside) override {
        log += "aside " + std::string(folder) + " " + std::string(aside) + ";";
        return namesTaken-- > 0 ? Outcome::Taken : moved;
    }
    void endStaging(std::string_view path) override { log += "end " + std::string(path) + ";"; }
    std::vector<std::string> namesIn(std::string_view folder) override {
        log += "names " + std::string(folder) + ";";
        return names;
    }
    bool claimStaging(std::string_view path) override {
        log += "claim " + std::string(path) + ";";
        return held.count(std::string(path)) == 0;
    }
};

TEST(Interpreter, EachLineReachesItsCommandOrIsRefused) {
    struct Case {
        const char* line;
        const char* log;
        bool done;
    };
    const Case cases[] = {
        {"", "", true},
        {"cls", "clear;", true},
        {"CLS", "clear;", true},
        {"pause>nul", "fresh key;", true},
        {"pause", "say Press any key to continue . . . fresh key;say \n", true},
        {"xcopy *.* C:\\Tembrel /e /h /i", "make C:\\.Tembrel.partial-7;copy . C:\\.Tembrel.partial-7;"
                                         "move C:\\.Tembrel.partial-7 C:\\Tembrel;end C:\\.Tembrel.partial-7;", true},
        {"XCOPY c:\\P\\* C:\\Old /I /H /E >nul", "copy c:\\P C:\\Old nul;", true},
        {"xcopy C:\\*.* D /e /h /i", "make .D.partial-7;copy C:\\ .D.partial-7;move .D.partial-7 D;end .D.partial-7;", true},
        {"xcopy \"c:\\My Files\" c:\\Old /e /h /i", "copy c:\\My Files c:\\Old;", true},
        {"xcopy *.txt C:\\Out /e /h /i", "error The syntax of the command is incorrect.\n", false},
        {"xcopy *.* C:\\Out /s /i", "error The syntax of the command is incorrect.\n", false},
        {"xcopy *.* C:\\Out /e /h /i /y", "error The syntax of the command is incorrect.\n", false},
        {"xcopy *.* C:\\Out C:\\Too /e /h /i", "error The syntax of the command is incorrect.\n", false},
        {"xcopy *.*", "error The syntax of the command is incorrect.\n", false},
        {"del c:\\Tembrel\\*.* /s /q", "delete c:\\Tembrel;", true},
        {"erase c:\\T /Q /S", "delete c:\\T;", true},
        {"del c:\\T /q", "error The syntax of the command is incorrect.\n", false},
        {"del c:\\empty\\*.* /s /q", "delete c:\\empty;error Could Not Find c:\\empty\\*.*\n", false},
        {"del c:\\held\\*.* /s /q", "delete c:\\held;", false},
        {"del c:\\T\\a?.txt /s /q", "error The syntax of the command is incorrect.\n", false},
        {"del", "error The syntax of the command is incorrect.\n", false},
        {"rd c:\\Tembrel /s /q", "remove c:\\Tembrel;", true},
        {"RMDIR c:\\T /S /Q", "remove c:\\T;", true},
        {"rd c:\\T", "error The syntax of the command is incorrect.\n", false},
        {"rd c:\\T* /s /q", "error The syntax of the command is incorrect.\n", false},
        {"rd c:\\A c:\\B /s /q", "error The syntax of the command is incorrect.\n", false},
        {"DELTREE /Y C:\\TEMBREL", "error 'DELTREE' is not recognized as an internal or external command,\n"
                                   "operable program or batch file.\n", false},
        {"dosboxportable.exe", "start dosboxportable.exe;", true},
        {"missing.exe /x", "start missing.exe;error 'missing.exe' is not recognized as an internal or external "
                           "command,\noperable program or batch file.\n", false},
    };
    for (const Case& c : cases) {
        RecordingHost host;
        host.present = {"C:\\Old", "c:\\Old"};
        EXPECT_EQ(host.run(c.line), c.done) << c.line;
        EXPECT_EQ(host.log, c.log) << c.line;
    }
}

// A first copy is renamed into place only when whole; whatever stops it
// leaves nothing at the destination, and a run deletes only its own folders.
TEST(Interpreter, AFirstCopyIsStagedAndRenamedWhole) {
    const std::string made = "make c:\\.Tembrel.partial-7;copy . c:\\.Tembrel.partial-7;";
    const std::string removed = "remove c:\\.Tembrel.partial-7 nul;end c:\\.Tembrel.partial-7;";
    const std::string move = "move c:\\.Tembrel.partial-7 c:\\Tembrel;";
    std::string everyName = "make c:\\.Tembrel.partial-7;";
    for (int n = 2; n <= 9; ++n) everyName += "make c:\\.Tembrel.partial-7-" + std::to_string(n) + ";";
    struct Case {
        const char* what;
        std::function<void(RecordingHost&)> script;
        std::string log;
        bool done;
    };
    const Case cases[] = {
        {"the copy fails", [](RecordingHost& h) { h.copy = RecordingHost::Fails; }, made + removed, false},
        {"out of memory", [](RecordingHost& h) { h.copy = RecordingHost::RunsOutOfMemory; },
         made + "error Insufficient memory\n" + removed, false},
        {"another run installed first", [](RecordingHost& h) { h.moved = Outcome::Taken; }, made + move + removed, true},
        {"the rename fails", [](RecordingHost& h) { h.moved = Outcome::Failed; }, made + move + removed, false},
        {"a name taken", [](RecordingHost& h) { h.namesTaken = 1; },
         "make c:\\.Tembrel.partial-7;make c:\\.Tembrel.partial-7-2;copy . c:\\.Tembrel.partial-7-2;"
         "move c:\\.Tembrel.partial-7-2 c:\\Tembrel;end c:\\.Tembrel.partial-7-2;", true},
        {"every name taken", [](RecordingHost& h) { h.namesTaken = 9; },
         everyName + "say 0 File(s) copied\nerror Unable to create directory - c:\\Tembrel: \n", false},
    };
    for (const Case& c : cases) {
        RecordingHost host;
        c.script(host);
        EXPECT_EQ(stagedCopy(".", "c:\\Tembrel", true, host), c.done) << c.what;
        EXPECT_EQ(host.log, c.log) << c.what;
    }
    // Leftovers: only this edition's staging folders that no run holds.
    RecordingHost host;
    host.names = {".Tembrel.partial-12", ".TEMBREL.PARTIAL-3-2", ".Tembrelo.partial-4", ".Tembrel.partial-",
                  ".Tembrel.partial-5x", "Tembrel.partial-6", ".Tembrel.partial-8", "Tembrel"};
    host.held = {"c:\\.Tembrel.partial-8"};
    host.removeStoppedCopies("c:\\Tembrel");
    EXPECT_EQ(host.log, "names c:\\;claim c:\\.Tembrel.partial-12;remove c:\\.Tembrel.partial-12 nul;"
                        "end c:\\.Tembrel.partial-12;claim c:\\.TEMBREL.PARTIAL-3-2;remove c:\\.TEMBREL.PARTIAL-3-2 nul;"
                        "end c:\\.TEMBREL.PARTIAL-3-2;claim c:\\.Tembrel.partial-8;");
}

}  // namespace
}  // namespace tembrel
