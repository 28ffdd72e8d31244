// The Windows platform's own command interpreter: the launcher's few command
// lines carried out by Win32 calls, with no command interpreter started. So
// no AutoRun, policy or setting of one applies, and nothing is searched for:
// a command file of the same name in the payload or on drive C never runs.

#include "platform/windows/files.h"
#include "platform/windows/ops.h"
#include "platform/windows/paths.h"

namespace tembrel {

std::wstring widen(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

namespace {

class Interpreter {
public:
    Interpreter(const CommandLine& command, const std::wstring& folder, Console& console, const CommandTexts& texts)
        : command_(command), folder_(folder), console_(console), texts_(texts) {}

    bool run(bool& notStarted) {
        const CommandLine& c = command_;
        if (c.name.empty()) return true;
        if (c.is("cls")) {
            console_.clear();
            return true;
        }
        if (c.is("pause")) {
            if (!c.outputToNul) console_.write(texts_.pressAnyKey);
            console_.readKey();
            if (!c.outputToNul) console_.write("\n");
            return true;
        }
        if (c.is("xcopy")) return xcopy();
        if (c.is("del") || c.is("erase")) return del();
        if (c.is("rd") || c.is("rmdir")) return rd();
        // Gone since Windows NT: the line runs nothing at all.
        if (c.is("deltree")) {
            console_.say(texts_.notRecognized, {widen(c.name)}, true);
            return false;
        }
        if (program()) return true;
        notStarted = true;
        return false;
    }

private:
    // Where the file commands' lines go; ">nul" drops the listing, never
    // what went wrong.
    ShowLine show() {
        return [this](std::wstring_view line, bool error) {
            if (error || !command_.outputToNul) console_.writeWide(line, error);
        };
    }

    bool syntaxError() {
        console_.write(texts_.syntaxError, true);
        return false;
    }

    // The folder that "FOLDER\*.*" (or "*.*" alone) names, or else the path
    // itself. False for any other pattern: the commands here take every name
    // in a folder or none.
    bool folderOf(const std::string& operand, std::wstring& folder) const {
        std::wstring path = fullPath(folder_, widen(operand));
        const std::wstring parent = parentOf(path);
        const std::wstring last =
            parent == path ? std::wstring() : path.substr(parent.size() + (parent.back() == L'\\' ? 0 : 1));
        if (last.find_first_of(L"*?") != std::wstring::npos) {
            if (last != L"*.*" && last != L"*") return false;
            path = parent;
        }
        folder = longForm(path);
        return true;
    }

    bool xcopy() {
        std::wstring source;
        if (command_.args.size() != 2 || !folderOf(command_.args[0], source)) return syntaxError();
        return copyFolder(source, longForm(fullPath(folder_, widen(command_.args[1]))), texts_, show());
    }

    bool del() {
        std::wstring folder;
        if (command_.args.size() != 1 || !folderOf(command_.args[0], folder)) return syntaxError();
        return deleteFiles(folder, texts_, show());
    }

    bool rd() {
        if (command_.args.size() != 1) return syntaxError();
        return removeFolder(longForm(fullPath(folder_, widen(command_.args[0]))), texts_, show());
    }

    // Any other command is a program in the working folder, by its exact name.
    bool program() {
        const std::wstring name = widen(command_.name);
        const std::wstring path = fullPath(folder_, name);
        DWORD error = 0;
        switch (startProgram(path, command_, folder_, error)) {
        case Started::Yes:
            return true;
        case Started::Missing:
            console_.say(texts_.notRecognized, {name}, true);
            return false;
        case Started::TooLong:
            console_.say(texts_.pathTooLong, {path.size() >= MAX_PATH ? path : folder_}, true);
            return false;
        case Started::Failed:
            break;
        }
        // Windows' own words for why it would not start, in its language.
        wchar_t* reason = nullptr;
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&reason), 0, nullptr);
        std::wstring text = reason ? std::wstring(reason) : widen(std::to_string(error));
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
        console_.writeWide(path + L": " + text + L"\n", true);
        LocalFree(reason);
        return false;
    }

    const CommandLine& command_;
    const std::wstring& folder_;
    Console& console_;
    const CommandTexts& texts_;
};

}  // namespace

bool interpret(std::string_view line, const std::wstring& folder, Console& console, const CommandTexts& texts,
               bool& notStarted) {
    const CommandLine command = parseCommandLine(line);
    return Interpreter(command, folder, console, texts).run(notStarted);
}

}  // namespace tembrel
