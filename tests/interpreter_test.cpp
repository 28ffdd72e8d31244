// The interpreter's front over a recording host: which lines reach which
// command, with which operands, and which are refused.

#include <gtest/gtest.h>

#include "editions/english/english.h"
#include "platform/interpreter.h"

namespace tembrel {
namespace {

// Records each call as one line; programs named "missing..." are not there.
class RecordingHost final : public CommandHost {
public:
    std::string log;

    void clear() override { log += "clear;"; }
    int readKey() override {
        log += "key;";
        return 13;
    }
    void say(std::string_view text, std::string_view name, bool error) override {
        log += std::string(error ? "error " : "say ") + fillIn(text, {name});
    }
    bool copyTree(std::string_view folder, std::string_view dest, CopySwitches s, bool listed) override {
        log += "copy " + std::string(folder) + " " + std::string(dest) + (s.subfolders ? " s" : "") +
               (s.emptyFolders ? " e" : "") + (s.hidden ? " h" : "") + (listed ? "" : " nul") + ";";
        return true;
    }
    // Folders named "empty..." hold no file, "held..." one that stays.
    Deleted deleteFiles(std::string_view folder, bool subfolders, bool listed) override {
        log += "delete " + std::string(folder) + (subfolders ? " s" : "") + (listed ? "" : " nul") + ";";
        if (folder.starts_with("c:\\empty")) return Deleted::NoneFound;
        return folder.starts_with("c:\\held") ? Deleted::NotAll : Deleted::All;
    }
    bool removeTree(std::string_view folder, bool everything, bool listed) override {
        log += "remove " + std::string(folder) + (everything ? " s" : "") + (listed ? "" : " nul") + ";";
        return true;
    }
    Start startProgram(const CommandLine& command) override {
        log += "start " + command.name + ";";
        return command.name.starts_with("missing") ? Start::Missing : Start::Started;
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
        {"pause>nul", "key;", true},
        {"pause", "say Press any key to continue . . . key;say \n", true},
        {"xcopy *.* C:\\Tembrel /e /h /i", "copy . C:\\Tembrel s e h;", true},
        {"XCOPY c:\\P\\* C:\\Out /s >nul", "copy c:\\P C:\\Out s nul;", true},
        {"xcopy C:\\*.* D", "copy C:\\ D;", true},
        {"xcopy \"c:\\My Files\" c:\\Out", "copy c:\\My Files c:\\Out;", true},
        {"xcopy *.txt C:\\Out /e", "error The syntax of the command is incorrect.\n", false},
        {"xcopy *.* C:\\Out C:\\Too", "error The syntax of the command is incorrect.\n", false},
        {"xcopy *.*", "error The syntax of the command is incorrect.\n", false},
        {"del c:\\Tembrel\\*.* /s /q", "delete c:\\Tembrel s;", true},
        {"erase c:\\T", "delete c:\\T;", true},
        {"del c:\\empty\\*.* /s /q", "delete c:\\empty s;error Could Not Find c:\\empty\\*.*\n", false},
        {"del c:\\held\\*.* /s /q", "delete c:\\held s;", false},
        {"del c:\\T\\a?.txt /q", "error The syntax of the command is incorrect.\n", false},
        {"del", "error The syntax of the command is incorrect.\n", false},
        {"rd c:\\Tembrel /s /q", "remove c:\\Tembrel s;", true},
        {"RMDIR c:\\T", "remove c:\\T;", true},
        {"rd c:\\T*", "error The syntax of the command is incorrect.\n", false},
        {"rd c:\\A c:\\B", "error The syntax of the command is incorrect.\n", false},
        {"DELTREE /Y C:\\TEMBREL", "error 'DELTREE' is not recognized as an internal or external command,\n"
                                   "operable program or batch file.\n", false},
        {"dosboxportable.exe", "start dosboxportable.exe;", true},
        {"missing.exe /x", "start missing.exe;error 'missing.exe' is not recognized as an internal or external "
                           "command,\noperable program or batch file.\n", false},
    };
    for (const Case& c : cases) {
        RecordingHost host;
        EXPECT_EQ(interpret(c.line, host, englishEdition.commandTexts), c.done) << c.line;
        EXPECT_EQ(host.log, c.log) << c.line;
    }
}

}  // namespace
}  // namespace tembrel
