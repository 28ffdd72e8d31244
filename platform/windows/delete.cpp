// The Windows interpreter's del and rd. Both stay inside the folder they are
// given: a link is removed as a link and never entered, and where it cannot
// be removed, nothing is deleted through it.
//
// Each entry is opened relative to its folder's open handle as what it is
// (a reparse point as itself), checked, and deleted by that same handle, so
// nothing put in place of a name between the listing and the delete is ever
// acted on. Each folder stays open, not to be deleted or renamed by others,
// while its entries are handled, and goes by its own handle at the end.
//
// Deep trees under Wine: wineserver works out the real path of every file
// it opens, even one opened relative to a folder, one lookup per folder on
// the way, which makes each open cost the square of its depth. So there a
// folder deeper than a few dozen levels below the folder being emptied is
// first moved up into it, by its own handle, and the walk goes on from there
// with short paths.

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/windows/commands.h"
#include "platform/windows/errors.h"
#include "platform/windows/nt.h"
#include "platform/windows/paths.h"
#include "platform/windows/walk.h"
#include "platform/windows/wine.h"

namespace tembrel {

namespace {

constexpr int hoistBelow = 24;  // levels below the top before a folder moves up, under Wine

// An error that a file in use, or an on-access scanner looking at it, causes:
// it may pass by itself.
bool isInUseError(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_DIR_NOT_EMPTY || error == ERROR_DELETE_PENDING;
}

std::wstring linkReason(DWORD error, const CommandTexts& texts) {
    return error == ERROR_NOT_SUPPORTED ? textOf(texts.linkNotRemovable) : reason(error);
}

class Remover {
public:
    Remover(const std::wstring& root, bool folders, const CommandTexts& texts)
        : root_(root), folders_(folders), texts_(texts) {}

    // One walk through the folder: removes the files, and with `folders` the
    // folders and the top folder too. False when something is left.
    bool run() {
        errors.clear();
        passing = false;
        found = 0;
        ok_ = true;
        names_.assign(1, {0, shownPath(root_)});
        std::vector<Folder> stack(1);
        if (!openTop(stack.back())) return false;
        std::vector<Entry> entries;
        while (!stack.empty()) {
            if (stack.back().expanded) {
                finish(stack);
                continue;
            }
            stack.back().expanded = true;
            const std::size_t at = stack.size() - 1;
            const DWORD error = listOpen(stack[at].handle.get(), entries);
            if (error != 0) {
                const std::wstring why = entries.empty() ? reason(error) : textOf(texts_.readIncomplete);
                failed(stack[at], shown(stack[at].name), why, error);
            }
            const std::size_t subfolders = stack.size();
            for (const Entry& entry : entries) {
                names_.push_back({stack[at].name, entry.name});
                if (!entry.isFolder()) ++found;
                handle(stack, at, entry, names_.size() - 1);
            }
            // Taken from the back: the first subfolder goes first.
            std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(subfolders), stack.end());
        }
        return ok_;
    }

    std::vector<std::wstring> errors;  // this walk's messages
    bool passing = false;              // some of them may pass by themselves
    std::size_t found = 0;             // files met, removed or not

private:
    struct Folder {
        Handle handle;
        std::wstring real;   // under Wine, the name the system keeps for it
        std::size_t name = 0;    // in names_
        std::size_t parent = 0;  // in the stack
        int depth = 0;           // below the top, or below where it was moved to
        bool expanded = false;
        bool failed = false;  // something in it is left
    };
    struct Name {
        std::size_t parent;
        std::wstring name;
    };

    std::wstring shown(std::size_t name) const {
        std::vector<const std::wstring*> parts;
        for (; name != 0; name = names_[name].parent) parts.push_back(&names_[name].name);
        std::wstring path = names_[0].name;
        for (auto part = parts.rbegin(); part != parts.rend(); ++part) path += L"\\" + shownName(**part);
        return path;
    }

    void failed(Folder& folder, const std::wstring& shown, const std::wstring& why, DWORD error) {
        folder.failed = true;
        ok_ = false;
        errors.push_back(textOf(texts_.cannotRemove, {shown, why}));
        if (isInUseError(error)) passing = true;
    }

    // The folder itself, opened as what it is now: a link put in its place
    // since it was looked at is never entered.
    bool openTop(Folder& top) {
        DWORD error = openFolder(root_, Access::Remove, true, top.handle);
        Described described;
        if (error == 0) error = describe(top.handle.get(), described);
        if (error == 0 && described.entry.isFolder() && !described.entry.isLink()) {
            top.real = L"\\??\\" + shownPath(root_);
            if (whereItsNameSays(top.handle.get(), top.real)) return true;
        }
        failed(top, names_[0].name, error != 0 ? reason(error) : textOf(texts_.linkNotFollowed), error);
        return false;
    }

    // One entry of the folder stack[at], opened as itself and checked: a
    // link goes as a link, a folder is held open for its turn, a file goes.
    void handle(std::vector<Folder>& stack, std::size_t at, const Entry& listed, std::size_t name) {
        Folder child;
        DWORD error = openIn(stack[at].handle.get(), listed.name, Access::Remove, child.handle);
        Described described;
        if (error == 0) error = describe(child.handle.get(), described);
        if (error != 0) {
            // Gone since the listing: nothing to delete.
            if (error != ERROR_FILE_NOT_FOUND) failed(stack[at], shown(name), reason(error), error);
            return;
        }
        const Entry& entry = described.entry;
        child.real = stack[at].real + L"\\" + listed.name;
        if (listed.isLink() || entry.isLink() || !whereItsNameSays(child.handle.get(), child.real)) {
            // del leaves folders alone, so a folder link too.
            if (!folders_ && (listed.isFolder() || entry.isFolder())) return;
            const DWORD removed = removeLink(child.handle.get());
            if (removed != 0) failed(stack[at], shown(name), linkReason(removed, texts_), removed);
        } else if (entry.isFolder()) {
            child.name = name;
            child.parent = at;
            child.depth = stack[at].depth + 1;
            if (child.depth > hoistBelow && underWine()) hoist(stack.front(), child);
            stack.push_back(std::move(child));
        } else {
            error = removeOpen(child.handle.get(), described);
            if (error != 0) failed(stack[at], shown(name), reason(error), error);
        }
    }

    // Moves the folder, checked and open, up into the top folder under a
    // name of its own; where it cannot move, it stays where it is.
    void hoist(const Folder& top, Folder& folder) {
        for (int tries = 0; tries < 100; ++tries) {
            const std::wstring name = L"~" + decimal(++hoisted_);
            const DWORD error = moveInto(folder.handle.get(), top.handle.get(), name);
            if (error == 0) {
                folder.real = systemName(folder.handle.get());
                folder.depth = 0;
                return;
            }
            if (error != ERROR_ALREADY_EXISTS) return;
        }
    }

    // All in the folder is done: the folder itself goes (with rd), by its
    // own handle, which closes here.
    void finish(std::vector<Folder>& stack) {
        Folder folder = std::move(stack.back());
        stack.pop_back();
        if (folders_) {
            Described described;
            describe(folder.handle.get(), described);
            const DWORD error = removeOpen(folder.handle.get(), described);
            if (error != 0) {
                // A folder that still holds what could not go says nothing more.
                if (!folder.failed) failed(folder, shown(folder.name), reason(error), error);
                folder.failed = true;
                ok_ = false;
            }
        }
        folder.handle.reset();
        if (folder.failed && !stack.empty()) stack[folder.parent].failed = true;
    }

    const std::wstring root_;
    const bool folders_;
    const CommandTexts& texts_;
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

Deleted deleteFiles(const std::wstring& folder, const CommandTexts& texts, const ShowLine& show) {
    const std::wstring& root = folder;
    const DWORD attributes = GetFileAttributesW(root.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // Only a folder that is not there holds nothing; one that cannot be
        // looked at says why.
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Deleted::NoneFound;
        show(textOf(texts.cannotRemove, {shownPath(root), reason(error)}), true);
        return Deleted::NotAll;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        show(textOf(texts.notAFolder), true);
        return Deleted::NotAll;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        show(textOf(texts.skipped, {shownPath(root), textOf(texts.linkNotFollowed)}), true);
        return Deleted::NotAll;
    }
    Remover remover(root, false, texts);
    const bool done = remover.run();
    showAll(remover.errors, show);
    if (!done) return Deleted::NotAll;
    return remover.found == 0 ? Deleted::NoneFound : Deleted::All;
}

bool removeTree(const std::wstring& folder, const CommandTexts& texts, const ShowLine& show) {
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
        Handle link;
        DWORD error = openFolder(root, Access::Remove, true, link);
        if (error == 0) error = removeLink(link.get());
        link.reset();
        if (error != 0) show(textOf(texts.cannotRemove, {shownPath(root), linkReason(error, texts)}), true);
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
