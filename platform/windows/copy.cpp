// The Windows interpreter's xcopy: the folder's files and subfolders, hidden
// and system files and empty folders included, one folder at a time from an
// explicit stack, so that no depth runs the program out of stack. Each entry
// is opened relative to its folder's open handle as what it is, and each
// copy is made relative to the open destination folder as a new name, so a
// link put in place of a name is never followed, read or written through.

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

bool isFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Makes the folder; 0 where it is there as a folder afterwards. The error
// is read before anything else is asked, so a folder that may not be made
// shows Windows' "Access is denied." rather than what a later test left.
DWORD createFolder(const std::wstring& path) {
    if (CreateDirectoryW(path.c_str(), nullptr)) return 0;
    const DWORD error = GetLastError();
    return isFolder(path) ? 0 : error;
}

// Copies the open file's data into the new file, then its time last
// written and the attributes kept. Returns 0 or the error.
DWORD copyData(HANDLE from, HANDLE to, std::vector<char>& buffer) {
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return GetLastError();
        if (read == 0) return 0;
        for (DWORD done = 0; done < read;) {
            DWORD written = 0;
            if (!WriteFile(to, buffer.data() + done, read - done, &written, nullptr)) return GetLastError();
            done += written;
        }
    }
}

// Hidden and system stay, as with /h; read-only goes, as xcopy drops it
// without /k, so that the install can be deleted again.
DWORD copiedAttributes(DWORD attributes) {
    constexpr DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    return (attributes & kept) | FILE_ATTRIBUTE_ARCHIVE;
}

class Copier {
public:
    Copier(const std::wstring& source, const std::wstring& dest, const CommandTexts& texts, const ShowLine& show)
        : source_(source), dest_(dest), texts_(texts), show_(show), buffer_(1 << 20) {
        // Names are listed as xcopy lists a relative source: the drive, then
        // the name inside the folder copied ("C:sub\file.txt").
        shownStart_ = driveOf(source_);
    }

    bool run() {
        // The folder copied may itself be a link; only what lies in it is
        // never followed.
        const DWORD attributes = GetFileAttributesW(source_.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            show_(textOf(texts_.fileNotFound, {shownPath(source_)}), true);
            show_(textOf(texts_.filesCopied, {L"0"}), false);
            return false;
        }
        const bool ready = makeDestination();
        if (ready) copyTree();
        show_(textOf(texts_.filesCopied, {decimal(copied_)}), false);
        for (const std::wstring& line : late_) show_(line, true);
        return ready && ok_;
    }

private:
    // A folder to copy: the source and destination folders held open, the
    // name inside the folder copied ("" or ending in "\"), and under Wine
    // the source's and destination's real names.
    struct Pending {
        Handle from, to;
        std::wstring name, fromReal, toReal;
    };

    void fail(std::wstring line) {
        ok_ = false;
        show_(line, true);
    }

    // The destination and the folders above it. Something else of that name
    // (a file, a link) is left alone.
    bool makeDestination() {
        const DWORD attributes = GetFileAttributesW(dest_.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            if (isFolder(dest_)) return true;
            late_.push_back(textOf(texts_.fileInTheWay, {shownPath(dest_)}));
            return false;
        }
        for (std::size_t at = volumeEnd(dest_); at <= dest_.size(); ++at) {
            if (at < dest_.size() && dest_[at] != L'\\') continue;
            const std::wstring part = dest_.substr(0, at);
            const DWORD error = createFolder(part);
            if (error == 0) continue;
            late_.push_back(textOf(texts_.cannotCreateFolder, {shownPath(part), reason(error)}));
            return false;
        }
        return true;
    }

    // Each folder's files, then its subfolders one after the other, each
    // with all it holds: the order xcopy copies in.
    void copyTree() {
        std::vector<Pending> pending(1);
        if (!openTops(pending.back())) return;
        std::vector<Entry> entries;
        while (!pending.empty()) {
            Pending folder = std::move(pending.back());
            pending.pop_back();
            const DWORD error = listOpen(folder.from.get(), entries);
            if (error != 0) {
                const std::wstring shown =
                    folder.name.empty() ? shownPath(source_) : shownStart_ + shownName(folder.name);
                fail(textOf(texts_.skipped, {shown, entries.empty() ? reason(error) : textOf(texts_.readIncomplete)}));
            }
            const std::size_t subfolders = pending.size();
            std::vector<std::wstring> made;  // this folder's names, in upper case
            for (const Entry& entry : entries) {
                const std::wstring shown = shownStart_ + shownName(folder.name + entry.name);
                if (entry.isLink()) {
                    show_(textOf(texts_.skipped, {shown, textOf(texts_.linkNotFollowed)}), true);
                    continue;
                }
                // Two names that differ only in case are one name on
                // Windows: the second would overwrite the first. A name
                // that Windows cannot hold would be copied under another.
                const std::wstring key = upperCase(entry.name);
                if (std::find(made.begin(), made.end(), key) != made.end() || unrepresentable(entry.name)) {
                    const DWORD why = unrepresentable(entry.name) ? ERROR_INVALID_NAME : ERROR_FILE_EXISTS;
                    fail(textOf(texts_.cannotCopyFile, {shown, reason(why)}));
                    continue;
                }
                made.push_back(key);
                copyEntry(folder, entry, shown, pending);
            }
            // Taken from the back: the first subfolder goes first.
            std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(subfolders), pending.end());
        }
    }

    // The folder copied and the destination, open; the destination must be
    // the folder just made or found, not a link put in its place.
    bool openTops(Pending& top) {
        DWORD error = openFolder(source_, Access::Read, false, top.from);
        if (error != 0) {
            fail(textOf(texts_.skipped, {shownPath(source_), reason(error)}));
            return false;
        }
        top.fromReal = startName(top.from.get());
        error = openFolder(dest_, Access::Write, true, top.to);
        Described described;
        if (error == 0) error = describe(top.to.get(), described);
        top.toReal = L"\\??\\" + shownPath(dest_);
        if (error == 0 && (!described.entry.isFolder() || described.entry.isLink() ||
                           !whereItsNameSays(top.to.get(), top.toReal)))
            error = ERROR_ALREADY_EXISTS;
        if (error == 0) return true;
        fail(textOf(texts_.cannotCreateFolder, {shownPath(dest_), reason(error)}));
        return false;
    }

    // One entry, opened as itself: a link (one put in place of the name
    // too) is skipped, a device or pipe is skipped, a folder is made and
    // waits its turn, a file is copied.
    void copyEntry(Pending& folder, const Entry& entry, const std::wstring& shown, std::vector<Pending>& pending) {
        Pending child;
        child.name = folder.name + entry.name;
        child.fromReal = folder.fromReal + L"\\" + entry.name;
        DWORD error = openIn(folder.from.get(), entry.name, Access::Read, child.from);
        // Only a file on a disk holds data to copy: a device would never
        // end, a pipe or socket waits for a writer.
        if (error == 0 && GetFileType(child.from.get()) != FILE_TYPE_DISK) {
            show_(textOf(texts_.skipped, {shown, reason(ERROR_NOT_SUPPORTED)}), true);
            return;
        }
        Described described;
        if (error == 0) error = describe(child.from.get(), described);
        if (error != 0) {
            fail(textOf(texts_.cannotCopyFile, {shown, reason(error)}));
            return;
        }
        if (described.entry.isLink() || !whereItsNameSays(child.from.get(), child.fromReal)) {
            show_(textOf(texts_.skipped, {shown, textOf(texts_.linkNotFollowed)}), true);
            return;
        }
        if (described.entry.isFolder()) {
            child.toReal = folder.toReal + L"\\" + entry.name;
            error = makeFolder(folder.to.get(), entry.name, child.to, child.toReal);
            if (error != 0) {
                fail(textOf(texts_.cannotCreateFolder, {shownPath(join(dest_, child.name)), reason(error)}));
                return;
            }
            child.name += L"\\";
            pending.push_back(std::move(child));
            return;
        }
        std::wstring toReal = folder.toReal + L"\\" + entry.name;
        Handle to;
        error = makeFile(folder.to.get(), entry.name, to, toReal);
        if (error == 0) error = copyData(child.from.get(), to.get(), buffer_);
        if (error == 0) error = setAttributes(to.get(), copiedAttributes(described.entry.attributes), &described.written);
        if (error != 0) {
            if (to) markDeleted(to.get());  // no half a file
            fail(textOf(texts_.cannotCopyFile, {shown, reason(error)}));
            return;
        }
        ++copied_;
        show_(shown + L"\n", false);
    }

    // The new folder in the open destination folder, or the folder of that
    // name an earlier copy made; never a link in its place.
    static DWORD makeFolder(HANDLE in, const std::wstring& name, Handle& out, std::wstring& real) {
        DWORD error = createIn(in, name, true, out);
        if (error != ERROR_FILE_EXISTS) return error == 0 && !whereItsNameSays(out.get(), real) ? ERROR_FILE_EXISTS : error;
        error = openIn(in, name, Access::Write, out);
        Described described;
        if (error == 0) error = describe(out.get(), described);
        if (error != 0) return error;
        const bool folder = described.entry.isFolder() && !described.entry.isLink();
        return folder && whereItsNameSays(out.get(), real) ? 0 : ERROR_FILE_EXISTS;
    }

    // The new file in the open destination folder. A file an earlier copy
    // left there (read-only, say) is deleted first, by its own handle, where
    // it is a plain file of one name; anything else there stays and the
    // copy of this file fails.
    static DWORD makeFile(HANDLE in, const std::wstring& name, Handle& out, std::wstring& real) {
        DWORD error = createIn(in, name, false, out);
        if (error != ERROR_FILE_EXISTS) return error;
        Handle old;
        error = openIn(in, name, Access::Remove, old);
        Described described;
        if (error == 0) error = describe(old.get(), described);
        if (error != 0) return error;
        const Entry& entry = described.entry;
        if (entry.isFolder() || (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) || described.links != 1 ||
            !whereItsNameSays(old.get(), real))
            return ERROR_FILE_EXISTS;
        if ((error = removeOpen(old.get(), described)) != 0) return error;
        old.reset();
        return createIn(in, name, false, out);
    }

    static std::wstring join(const std::wstring& root, const std::wstring& relative) {
        if (relative.empty()) return root;
        return inFolder(root, relative.ends_with(L'\\') ? relative.substr(0, relative.size() - 1) : relative);
    }

    const std::wstring source_, dest_;
    const CommandTexts& texts_;
    const ShowLine& show_;
    std::vector<char> buffer_;
    std::wstring shownStart_;
    std::vector<std::wstring> late_;  // after the count line
    int copied_ = 0;
    bool ok_ = true;
};

}  // namespace

bool copyTree(const std::wstring& source, const std::wstring& dest, const CommandTexts& texts,
              const ShowLine& show) {
    return Copier(source, dest, texts, show).run();
}

}  // namespace tembrel
