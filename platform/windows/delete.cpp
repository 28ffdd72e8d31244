// The Windows interpreter's del and rd. Both stay inside the folder they are
// given: a link is removed as a link and never entered, and where it cannot
// be removed, nothing is deleted through it.
//
// Deep trees: Wine turns every path it opens into the real path of the file,
// one lookup per folder on the way, which makes each open cost the square of
// its depth (a 2,000-deep folder takes a tenth of a second to open). So a
// folder deeper than a few dozen levels below the folder being emptied is
// first moved up into it, and the walk goes on from there with short paths.

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/windows/commands.h"
#include "platform/windows/errors.h"
#include "platform/windows/paths.h"
#include "platform/windows/walk.h"
#include "platform/windows/wine.h"

namespace tembrel {

namespace {

constexpr int hoistBelow = 24;  // levels below the top before a folder moves up

bool mayPass(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_DIR_NOT_EMPTY || error == ERROR_DELETE_PENDING;
}

class Remover {
public:
    Remover(const std::wstring& root, bool folders, const CommandTexts& texts)
        : root_(root), folders_(folders), texts_(texts), links_(root) {}

    // One walk through the folder: removes the files, and with `folders` the
    // folders and the top folder too. False when something is left.
    bool run() {
        errors.clear();
        passing = false;
        ok_ = true;
        names_.assign(1, {0, shownPath(root_)});
        std::vector<Folder> stack{{root_, 0, 0, 0, false, false}};
        std::vector<Entry> entries;
        while (!stack.empty()) {
            if (stack.back().expanded) {
                finish(stack);
                continue;
            }
            stack.back().expanded = true;
            const Folder folder = stack.back();
            const std::size_t at = stack.size() - 1;
            const DWORD error = listFolder(folder.path, entries);
            if (error != 0) {
                const std::wstring why = entries.empty() ? reason(error) : textOf(texts_.readIncomplete);
                failed(stack[at], shown(folder.name), why, error);
            }
            const std::size_t subfolders = stack.size();
            for (const Entry& entry : entries) {
                const std::wstring path = inFolder(folder.path, entry.name);
                names_.push_back({folder.name, entry.name});
                const std::size_t name = names_.size() - 1;
                if (entry.isLink()) {
                    // del leaves folders alone, so a folder link too.
                    if (!folders_ && entry.isFolder()) continue;
                    const DWORD removed = removeLink(path, entry.attributes);
                    if (removed != 0) failed(stack[at], shown(name), linkReason(removed), removed);
                } else if (entry.isFolder()) {
                    stack.push_back({path, name, at, folder.depth + 1, false, false});
                    if (folder.depth + 1 > hoistBelow) hoist(stack.back());
                } else {
                    removeFile(stack[at], path, name, entry.attributes);
                }
            }
            // Taken from the back: the first subfolder goes first.
            std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(subfolders), stack.end());
        }
        return ok_;
    }

    std::vector<std::wstring> errors;  // this walk's messages
    bool passing = false;              // some of them may pass by themselves

private:
    struct Folder {
        std::wstring path;
        std::size_t name;    // in names_
        std::size_t parent;  // in the stack
        int depth;           // below the top, or below where it was moved to
        bool expanded;
        bool failed;  // something in it is left
    };
    struct Name {
        std::size_t parent;
        std::wstring name;
    };

    std::wstring shown(std::size_t name) const {
        std::vector<const std::wstring*> parts;
        for (; name != 0; name = names_[name].parent) parts.push_back(&names_[name].name);
        std::wstring path = names_[0].name;
        for (auto part = parts.rbegin(); part != parts.rend(); ++part) path += L"\\" + **part;
        return path;
    }

    std::wstring linkReason(DWORD error) const {
        return error == ERROR_NOT_SUPPORTED ? textOf(texts_.linkNotRemovable) : reason(error);
    }

    void failed(Folder& folder, const std::wstring& shown, const std::wstring& why, DWORD error) {
        folder.failed = true;
        ok_ = false;
        errors.push_back(textOf(texts_.cannotRemove, {shown, why}));
        if (mayPass(error)) passing = true;
    }

    void removeFile(Folder& folder, const std::wstring& path, std::size_t name, DWORD attributes) {
        DWORD error = 0;
        if (links_.leadsElsewhere(path, error)) {
            failed(folder, shown(name), error ? reason(error) : textOf(texts_.linkNotRemovable), error);
            return;
        }
        constexpr DWORD guarded = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if (attributes & guarded) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileW(path.c_str())) {
            error = GetLastError();
            failed(folder, shown(name), reason(error), error);
        }
    }

    // Moves the folder up into the top folder, under a name of its own.
    void hoist(Folder& folder) {
        for (int tries = 0; tries < 100; ++tries) {
            const std::wstring path = inFolder(root_, L"~" + decimal(++hoisted_));
            if (MoveFileW(folder.path.c_str(), path.c_str())) {
                folder.path = path;
                folder.depth = 0;
                return;
            }
            const DWORD error = GetLastError();
            if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return;  // stays where it is
        }
    }

    // All in the folder is done: the folder itself goes (with rd).
    void finish(std::vector<Folder>& stack) {
        Folder folder = std::move(stack.back());
        stack.pop_back();
        if (folders_) {
            const DWORD attributes = GetFileAttributesW(folder.path.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
                SetFileAttributesW(folder.path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
            if (!RemoveDirectoryW(folder.path.c_str())) {
                const DWORD error = GetLastError();
                // A folder that still holds what could not go says nothing more.
                if (!folder.failed) failed(folder, shown(folder.name), reason(error), error);
                folder.failed = true;
                ok_ = false;
            }
        }
        if (folder.failed && !stack.empty()) stack[folder.parent].failed = true;
    }

    const std::wstring root_;
    const bool folders_;
    const CommandTexts& texts_;
    HiddenLinks links_;
    std::vector<Name> names_;
    int hoisted_ = 0;
    bool ok_ = true;
};

// A folder that another program holds open (Explorer showing it, on
// Windows XP to 8.1) is only marked for deletion when it is removed: it goes
// with the last handle, and until then its name is taken, so a new install
// there fails. True once the name is free, waiting until `limit` ms after
// `start` at most.
bool goneWithin(const std::wstring& path, DWORD start, DWORD limit) {
    for (;;) {
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
        }
        if (GetTickCount() - start >= limit) return false;
        Sleep(50);
    }
}

void showAll(const std::vector<std::wstring>& lines, const ShowLine& show) {
    for (const std::wstring& line : lines) show(line, true);
}

}  // namespace

bool deleteFiles(const std::wstring& folder, const CommandTexts& texts, const ShowLine& show) {
    const std::wstring& root = folder;
    const DWORD attributes = GetFileAttributesW(root.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        show(textOf(texts.couldNotFind, {shownPath(root) + L"\\*.*"}), true);
        return false;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        show(textOf(texts.notAFolder), true);
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        show(textOf(texts.skipped, {shownPath(root), textOf(texts.linkNotFollowed)}), true);
        return false;
    }
    Remover remover(root, false, texts);
    const bool done = remover.run();
    showAll(remover.errors, show);
    return done;
}

bool removeFolder(const std::wstring& folder, const CommandTexts& texts, const ShowLine& show) {
    const std::wstring& root = folder;
    const DWORD attributes = GetFileAttributesW(root.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        show(textOf(texts.folderNotFound), true);
        return false;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        show(textOf(texts.notAFolder), true);
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        const DWORD error = removeLink(root, attributes);
        if (error != 0) {
            const std::wstring why = error == ERROR_NOT_SUPPORTED ? textOf(texts.linkNotRemovable) : reason(error);
            show(textOf(texts.cannotRemove, {shownPath(root), why}), true);
        }
        return error == 0;
    }
    // A file that something (an antivirus, an indexer) still holds open with
    // delete sharing stays until it lets go, and its folder with it: a few
    // more walks, for about two seconds, before what is left counts as left.
    Remover remover(root, true, texts);
    const DWORD start = GetTickCount();
    bool done = remover.run();
    while (!done && remover.passing && GetTickCount() - start < 2000) {
        Sleep(100);
        done = remover.run();
    }
    showAll(remover.errors, show);
    if (done && !goneWithin(root, start, 2000)) {
        show(textOf(texts.cannotRemove, {shownPath(root), reason(ERROR_DELETE_PENDING)}), true);
        return false;
    }
    return done;
}

}  // namespace tembrel
