// The Windows interpreter's del and rd, on the walk the copy takes too
// (walk.h). Both stay inside the folder they are given: a link is removed as
// a link and never entered, and where it cannot be removed, nothing is
// deleted through it. Each entry is deleted by the handle it was checked by,
// so nothing put in place of a name meanwhile is ever acted on, and each
// folder goes by its own handle when all in it is done.

#include <windows.h>

#include <vector>

#include "platform/windows/commands.h"
#include "platform/windows/errors.h"
#include "platform/windows/nt.h"
#include "platform/windows/paths.h"
#include "platform/windows/walk.h"

namespace tembrel {

namespace {

std::wstring linkReason(DWORD error, const CommandTexts& texts) {
    return error == ERROR_NOT_SUPPORTED ? textOf(texts.linkNotRemovable) : reason(error);
}

class Remover final : public Visitor {
public:
    Remover(const std::wstring& root, bool folders, const CommandTexts& texts)
        : root_(root), top_(shownPath(root)), folders_(folders), texts_(texts) {}

    // One walk through the folder: removes the files, and with `folders` the
    // folders and the top folder too. False when something is left.
    bool run() {
        errors.clear();
        stayed.clear();
        passing = false;
        found = 0;
        ok_ = true;
        // The folder itself, opened as what it is now: a link put in its
        // place since it was looked at is never entered.
        Folder top;
        if (DWORD error = 0; !openTop(root_, Access::Remove, top.handle, top.real, error)) {
            failed(top, {}, error != 0 ? reason(error) : textOf(texts_.linkNotFollowed), error, error == 0);
            return false;
        }
        walkTree(std::move(top), Access::Remove, *this, &hoisted_);
        return ok_;
    }

    std::vector<std::wstring> errors;  // this walk's messages
    std::vector<std::pair<std::wstring, Why>> stayed;  // and what each names, with why
    bool passing = false;              // some of them may pass by themselves
    std::size_t found = 0;             // files met, removed or not

private:
    // Something at `at` (below the top) stays, and so does the folder.
    void failed(Folder& folder, const std::wstring& at, const std::wstring& why, DWORD error, bool link = false) {
        folder.left = true;
        ok_ = false;
        errors.push_back(textOf(texts_.cannotRemove, {at.empty() ? top_ : top_ + L"\\" + at, why}));
        stayed.emplace_back(at.empty() ? top_ : top_ + L"\\" + at, link ? Why::Link : whyOf(error));
        if (isInUseError(error)) passing = true;
    }

    void listing(Folder& folder, const std::wstring& at, DWORD error, bool partly) override {
        if (error != 0) failed(folder, at, partly ? textOf(texts_.readIncomplete) : reason(error), error);
    }

    // A folder is held open for its turn.
    bool enter(Folder&, const Entry& listed, const std::wstring&, Folder&) override {
        if (!listed.isFolder()) ++found;
        return true;
    }

    // A link goes as a link, a file goes.
    void file(Folder& folder, Met& met, const std::wstring& at) override {
        if (!met.listed.isFolder()) ++found;
        // Gone since the listing: nothing to delete.
        if (met.error == ERROR_FILE_NOT_FOUND) return;
        if (met.error != 0) return failed(folder, at, reason(met.error, top_ + L"\\" + at), met.error);
        if (met.link) {
            // del leaves folders alone, so a folder link too.
            if (!folders_ && (met.listed.isFolder() || met.described.entry.isFolder())) return;
            if (const DWORD error = removeLink(met.handle.get()))
                failed(folder, at, linkReason(error, texts_), error, true);
        } else if (const DWORD error = removeOpen(met.handle.get(), met.described)) {
            failed(folder, at, reason(error, top_ + L"\\" + at), error);
        }
    }

    // All in the folder is done: the folder itself goes (with rd), by its
    // own handle. One that still holds what could not go says nothing more.
    void leave(Folder& folder, const std::wstring& at) override {
        if (!folders_) return;
        Described described;
        describe(folder.handle.get(), described);
        const DWORD error = removeOpen(folder.handle.get(), described);
        if (error != 0 && !folder.left) failed(folder, at, reason(error), error);
    }

    const std::wstring root_, top_;
    const bool folders_;
    const CommandTexts& texts_;
    unsigned long hoisted_ = 0;  // names given to folders moved up, from walk to walk
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

}  // namespace

Deleted deleteFiles(const std::wstring& root, const CommandTexts& texts, const ShowLine& show) {
    const DWORD attributes = GetFileAttributesW(root.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // Only a folder that is not there holds nothing; one that cannot be
        // looked at says why.
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Deleted::NoneFound;
        show(textOf(texts.cannotRemove, {shownPath(root), reason(error)}), true);
        Host::noteStayed(shownPath(root), whyOf(error));
        return Deleted::NotAll;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        show(textOf(texts.notAFolder), true);
        return Deleted::NotAll;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        show(textOf(texts.skipped, {shownPath(root), textOf(texts.linkNotFollowed)}), true);
        Host::noteStayed(shownPath(root), Why::Link);
        return Deleted::NotAll;
    }
    Remover remover(root, false, texts);
    const bool done = remover.run();
    for (const std::wstring& line : remover.errors) show(line, true);
    for (const auto& [path, why] : remover.stayed) Host::noteStayed(path, why);
    if (!done) return Deleted::NotAll;
    return remover.found == 0 ? Deleted::NoneFound : Deleted::All;
}

bool removeTree(const std::wstring& root, const CommandTexts& texts, const ShowLine& show) {
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
        if (error != 0) Host::noteStayed(shownPath(root), Why::Link);
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
    for (const std::wstring& line : remover.errors) show(line, true);
    for (const auto& [path, why] : remover.stayed) Host::noteStayed(path, why);
    if (done && !goneWithin(root, start, 2000)) {
        show(textOf(texts.cannotRemove, {shownPath(root), reason(ERROR_DELETE_PENDING)}), true);
        Host::noteStayed(shownPath(root), Why::InUse);
        return false;
    }
    return done;
}

}  // namespace tembrel
