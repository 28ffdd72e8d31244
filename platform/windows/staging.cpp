// The Windows host's staging folders: made hidden and held by a handle that
// shares no deletion, so no other run can remove or rename them while this
// run lives; renamed without replacing what appeared meanwhile; and a stop
// (Ctrl+C, Ctrl+Break, the console closed) ending the copy and waiting for
// the folder's removal.

#include <windows.h>

#include "platform/windows/host.h"
#include "platform/windows/nt.h"
#include "platform/windows/errors.h"
#include "platform/windows/paths.h"
#include "platform/windows/walk.h"

namespace tembrel {

namespace {

// Thrown out of a copy that a stop ends early, through the copy's walk,
// whose handles all close on the way.
struct CopyStopped {};

// Shared with the console handler's thread, read and written by interlocked
// calls only, so each thread sees the other's last write: either the
// handler finds no folder held, or this thread finds the stop asked for.
LONG holding = 0;  // a staging folder is this run's
LONG stopAsked = 0;
HANDLE removed = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // the folder is gone, or let go of

bool isSet(LONG& flag) { return InterlockedCompareExchange(&flag, 0, 0) != 0; }

// The run no longer holds a staging folder. After a stop the handler's
// thread is told and ends the program; this thread waits for that end, so
// nothing more runs: no emulator, no wait for a key.
void release() {
    InterlockedExchange(&holding, 0);
    if (!isSet(stopAsked)) return;
    SetEvent(removed);
    Sleep(INFINITE);
}

// Opens the folder itself, never what a link there leads to, with `access`
// and no sharing of its deletion.
HANDLE openFolder(const std::wstring& path, DWORD access) {
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

void replaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to) {
    for (std::size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

void stopStagedCopy(DWORD limitMs) {
    InterlockedExchange(&stopAsked, 1);
    if (isSet(holding)) WaitForSingleObject(removed, limitMs);
}

unsigned long WindowsHost::runId() { return GetCurrentProcessId(); }

// Each line shows the staging folder's names as the destination's; a stop
// asked for ends the copy after the line of the file just copied, which
// then counts as a failed one.
bool WindowsHost::copyStaged(const std::wstring& from, const std::wstring& to, const ShowLine& show) {
    try {
        return tembrel::copyTree(from, to, texts_, [&](std::wstring_view line, bool error) {
            std::wstring text(line);
            replaceAll(text, stagingShown_, destShown_);
            show(text, error);
            if (isSet(stopAsked)) throw CopyStopped{};
        });
    } catch (const CopyStopped&) {
        return false;
    }
}

Outcome WindowsHost::makeStaging(std::string_view path, std::string_view dest) {
    const std::wstring folder = longPath(path), to = longPath(dest);
    InterlockedExchange(&holding, 1);
    // The folders above are made as the copy made them.
    for (std::size_t at = folder.find(L'\\', volumeEnd(folder)); at != std::wstring::npos; at = folder.find(L'\\', at + 1))
        CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
    DWORD error = 0;
    if (!CreateDirectoryW(folder.c_str(), nullptr)) {
        error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS) {
            release();
            return Outcome::Taken;
        }
    } else {
        SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_HIDDEN);
        // Deletion asked for and not shared: a handle with attribute access
        // alone takes part in no sharing check, and would hold nothing.
        held_ = openFolder(folder, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE);
        if (held_ != INVALID_HANDLE_VALUE) {
            staging_ = folder;
            stagingShown_ = shownPath(folder);
            destShown_ = shownPath(to);
            return Outcome::Done;
        }
        error = GetLastError();
        // Another launcher's sweep of stopped copies took the folder between
        // its making and its hold (it holds it, or has deleted it): that
        // sweep's now, and the next name is tried.
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_FILE_NOT_FOUND || error == ERROR_ACCESS_DENIED) {
            release();
            return Outcome::Taken;
        }
        RemoveDirectoryW(folder.c_str());
    }
    release();
    console_.say(texts_.filesCopied, {L"0"});
    console_.writeWide(textOf(texts_.cannotCreateFolder, {shownPath(to), reason(error)}), true);
    return Outcome::Failed;
}

void WindowsHost::letGo() {
    if (held_ != INVALID_HANDLE_VALUE) CloseHandle(held_);
    held_ = INVALID_HANDLE_VALUE;
}

// Renamed through the handle held since the folder was made, so no other
// run can claim it between the copy's end and the rename; the install folder
// is not hidden. Windows renames no folder while a file in it is open, and
// an on-access scanner opens each file just written the moment it closes:
// such refusals are tried again for about two seconds, as the deletes do.
// The handle goes after the rename, whatever its outcome.
Outcome WindowsHost::moveStaging(std::string_view path, std::string_view dest) {
    const std::wstring from = longPath(path), to = longPath(dest);
    SetFileAttributesW(from.c_str(), FILE_ATTRIBUTE_NORMAL);
    const std::size_t cut = to.find_last_of(L'\\');
    Handle parent;
    DWORD error = openFolder(to.substr(0, cut + 1), Access::Read, false, parent);
    for (const DWORD start = GetTickCount(); error == 0;) {
        error = moveInto(held_, parent.get(), std::wstring_view(to).substr(cut + 1));
        if (error == 0 || !isInUseError(error) || GetTickCount() - start >= 2000) break;
        error = 0;
        Sleep(100);
    }
    letGo();
    if (error == 0) return Outcome::Done;
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return Outcome::Taken;
    SetFileAttributesW(from.c_str(), FILE_ATTRIBUTE_HIDDEN);
    console_.writeWide(textOf(texts_.cannotCreateFolder, {shownPath(to), reason(error)}), true);
    return Outcome::Failed;
}

// Moved by its own handle, opened as what it is. Windows refuses to move a
// folder that holds an open file, or that another program has open without
// sharing its deletion: then nothing is deleted. An on-access scanner holds
// each file it looks at only a moment, so such refusals are tried again for
// about two seconds, as the delete does. Under Wine a folder holding open
// files moves, and what cannot be deleted stays in the moved folder. The
// moved folder is not held: the deletes that follow need it open for
// deletion themselves.
Outcome WindowsHost::moveAside(std::string_view path, std::string_view aside) {
    const std::wstring from = longPath(path), to = longPath(aside);
    const std::size_t cut = to.find_last_of(L'\\');
    Handle parent;
    DWORD error = openFolder(to.substr(0, cut + 1), Access::Read, false, parent);
    for (const DWORD start = GetTickCount(); error == 0;) {
        Handle folder;
        error = openFolder(from, Access::Remove, true, folder);
        if (error == 0) error = moveInto(folder.get(), parent.get(), std::wstring_view(to).substr(cut + 1));
        if (error == 0 || !isInUseError(error) || GetTickCount() - start >= 2000) break;
        error = 0;
        Sleep(100);
    }
    if (error == 0) {
        SetFileAttributesW(to.c_str(), GetFileAttributesW(to.c_str()) | FILE_ATTRIBUTE_HIDDEN);
        return Outcome::Done;
    }
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return Outcome::Taken;
    console_.writeWide(textOf(texts_.cannotRemove, {shownPath(from), reason(error)}), true);
    // A folder holding an open file is refused as access denied, too.
    noteStayed(shownPath(from), isInUseError(error) ? Why::FolderInUse : whyOf(error));
    return Outcome::Failed;
}

void WindowsHost::endStaging(std::string_view) {
    letGo();
    staging_.clear();
    release();
}

std::vector<std::string> WindowsHost::namesIn(std::string_view folder) {
    std::vector<Entry> entries;
    std::vector<std::string> names;
    Handle open;
    if (openFolder(longPath(folder), Access::Read, false, open) == 0) listOpen(open.get(), entries);
    for (const Entry& entry : entries) {
        std::string name;
        for (const wchar_t c : entry.name) name += c < 0x80 ? static_cast<char>(c) : '?';
        names.push_back(std::move(name));
    }
    return names;
}

// A run that holds its staging folder keeps its deletion unshared, so the
// folder opens for deletion only when no running program holds it. It is a
// folder, not a link, and this run removes it next.
bool WindowsHost::claimStaging(std::string_view path) {
    const std::wstring folder = longPath(path);
    const HANDLE handle = openFolder(folder, DELETE | FILE_READ_ATTRIBUTES);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool folderItself = GetFileInformationByHandle(handle, &info) &&
                              (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                              !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    CloseHandle(handle);
    if (!folderItself) return false;
    InterlockedExchange(&holding, 1);
    staging_ = folder;
    return true;
}

}  // namespace tembrel
