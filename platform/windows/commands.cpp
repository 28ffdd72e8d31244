// The Windows host's commands: the launcher's command lines carried out by
// Win32 and NT calls, with no command interpreter started. So no AutoRun,
// policy or setting of one applies, and nothing is searched for: a command
// file of the same name in the payload or on drive C never runs.

#include "platform/windows/host.h"

#include "platform/windows/errors.h"
#include "platform/windows/paths.h"

namespace tembrel {

namespace {

// Where the file commands' lines go; ">nul" drops the listing, never what
// went wrong.
ShowLine shown(Console& console, bool listed) {
    return [&console, listed](std::wstring_view line, bool error) {
        if (error || listed) console.writeWide(line, error);
    };
}

}  // namespace

std::wstring WindowsHost::longPath(std::string_view path) const {
    return longForm(fullPath(folder_, widen(path)));
}

bool WindowsHost::copyTree(std::string_view folder, std::string_view dest, bool listed) {
    const std::wstring to = longPath(dest);
    const ShowLine show = shown(console_, listed);
    if (held_ == INVALID_HANDLE_VALUE || to != staging_) return tembrel::copyTree(longPath(folder), to, texts_, show);
    return copyStaged(longPath(folder), to, show);
}

Deleted WindowsHost::deleteFiles(std::string_view folder, bool listed) {
    return tembrel::deleteFiles(longPath(folder), texts_, shown(console_, listed));
}

bool WindowsHost::removeTree(std::string_view folder, bool listed) {
    const std::wstring path = longPath(folder);
    if (path == staging_) letGo();
    return tembrel::removeTree(path, texts_, shown(console_, listed));
}

// A program in the working folder, by its exact name.
Start WindowsHost::startProgram(const CommandLine& command) {
    const std::wstring path = fullPath(folder_, widen(command.name));
    DWORD error = 0;
    const Started started = tembrel::startProgram(path, command, folder_, error);
    notStarted_ = notStarted_ || started != Started::Yes;
    switch (started) {
    case Started::Yes:
        return Start::Started;
    case Started::Missing:
        return Start::Missing;
    case Started::TooLong:
        console_.say(texts_.pathTooLong, {path.size() >= MAX_PATH ? path : folder_}, true);
        return Start::Failed;
    case Started::Failed:
        break;
    }
    // Windows' own words for why it would not start, in its language.
    console_.writeWide(path + L": " + reason(error, widen(command.name)) + L"\n", true);
    return Start::Failed;
}

}  // namespace tembrel
