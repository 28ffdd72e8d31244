// The Windows interpreter's xcopy: the folder's files and subfolders, hidden
// and system files and empty folders included, on the walk the deletes take
// too (walk.h), which opens each entry as what it is. Each copy is made
// relative to the open destination folder as a new name, so a link put in
// place of a name is never followed, read or written through.

#include <windows.h>

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

// What stopped a file's copy: the error (0 for none), and whether it was
// the source that could not be read rather than the copy made.
struct CopyFault {
    DWORD error = 0;
    bool reading = false;
};

// Copies the open file's data into the new file.
CopyFault copyData(HANDLE from, HANDLE to, std::vector<char>& buffer) {
    for (;;) {
        DWORD read = 0;
        if (const DWORD error = readFrom(from, buffer.data(), static_cast<DWORD>(buffer.size()), read))
            return {error, true};
        if (read == 0) return {};
        for (DWORD done = 0; done < read;) {
            DWORD written = 0;
            if (!WriteFile(to, buffer.data() + done, read - done, &written, nullptr)) return {GetLastError()};
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

class Copier final : public Visitor {
public:
    Copier(const std::wstring& source, const std::wstring& dest, const CommandTexts& texts, const ShowLine& show)
        : source_(source), dest_(dest), texts_(texts), show_(show), buffer_(1 << 20), shownStart_(driveOf(source)) {}

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
        if (Folder top; ready && openTops(top)) walkTree(std::move(top), Access::Read, *this);
        show_(textOf(texts_.filesCopied, {decimal(copied_)}), false);
        for (const std::wstring& line : late_) show_(line, true);
        return ready && ok_;
    }

private:
    void fail(std::wstring line) {
        ok_ = false;
        show_(line, true);
    }

    void skipped(const std::wstring& shown, const std::wstring& why) {
        show_(textOf(texts_.skipped, {shownStart_ + shown, why}), true);
    }

    void cannotCopy(const std::wstring& shown, DWORD error) {
        fail(textOf(texts_.cannotCopyFile, {shownStart_ + shown, reason(error, shownStart_ + shown)}));
    }

    // The file copied failed, not its copy: one gone since the listing is
    // not found, in xcopy's words.
    void cannotRead(const std::wstring& shown, DWORD error) {
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return fail(textOf(texts_.fileNotFound, {shownStart_ + shown}));
        fail(textOf(texts_.cannotReadFile, {shownStart_ + shown, reason(error, shownStart_ + shown)}));
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

    // The folder copied and the destination, open, the destination paired
    // with it; the destination must be the folder just made or found, not a
    // link put in its place.
    bool openTops(Folder& top) {
        DWORD error = openFolder(source_, Access::Read, false, top.handle);
        if (error != 0) {
            fail(textOf(texts_.skipped, {shownPath(source_), reason(error)}));
            return false;
        }
        top.real = startName(top.handle.get());
        if (openTop(dest_, Access::Write, top.beside, top.besideReal, error)) return true;
        fail(textOf(texts_.cannotCreateFolder, {shownPath(dest_), reason(error != 0 ? error : ERROR_ALREADY_EXISTS)}));
        return false;
    }

    void listing(Folder&, const std::wstring& shown, DWORD error, bool partly) override {
        made_.clear();
        if (error == 0) return;
        const std::wstring why = partly ? textOf(texts_.readIncomplete) : reason(error);
        fail(textOf(texts_.skipped, {shown.empty() ? shownPath(source_) : shownStart_ + shown + L"\\", why}));
    }

    // Two names that differ only in case are one name on Windows: the
    // second would overwrite the first. A name that Windows cannot hold
    // would be copied under another. NTFS order puts such twins side by
    // side, so the last name copied is the one to compare with.
    bool refused(const Entry& listed, const std::wstring& shown) {
        std::wstring key = upperCase(listed.name);
        const bool badName = unrepresentable(listed.name);
        if (!badName && key != made_) {
            made_ = std::move(key);
            return false;
        }
        cannotCopy(shown, badName ? ERROR_INVALID_NAME : ERROR_FILE_EXISTS);
        return true;
    }

    // A folder is made in the destination and waits its turn.
    bool enter(Folder& folder, const Entry& listed, const std::wstring& shown, Folder& into) override {
        if (refused(listed, shown)) return false;
        into.besideReal = folder.besideReal + L"\\" + listed.name;
        const DWORD error = makeFolder(folder.beside.get(), listed.name, into.beside, into.besideReal);
        if (error == 0) return true;
        fail(textOf(texts_.cannotCreateFolder, {inFolder(shownPath(dest_), shown), reason(error)}));
        return false;
    }

    // A link (one put in place of the name too) is skipped, a device or pipe
    // is skipped, a file is copied.
    void file(Folder& folder, Met& met, const std::wstring& shown) override {
        if (met.listed.isLink()) return skipped(shown, textOf(texts_.linkNotFollowed));
        if (refused(met.listed, shown)) return;
        // Only a file on a disk holds data to copy: a device would never
        // end, a pipe or socket waits for a writer.
        if (met.handle && GetFileType(met.handle.get()) != FILE_TYPE_DISK)
            return skipped(shown, reason(ERROR_NOT_SUPPORTED));
        if (met.error != 0) return cannotRead(shown, met.error);
        if (met.link) return skipped(shown, textOf(texts_.linkNotFollowed));
        std::wstring toReal = folder.besideReal + L"\\" + met.listed.name;
        Handle to;
        // The data, then its time last written and the attributes kept.
        CopyFault fault{makeFile(folder.beside.get(), met.listed.name, to, toReal)};
        if (fault.error == 0) fault = copyData(met.handle.get(), to.get(), buffer_);
        if (fault.error == 0)
            fault.error = setAttributes(to.get(), copiedAttributes(met.described.entry.attributes), &met.described.written);
        if (fault.error != 0) {
            if (to) markDeleted(to.get());  // no half a file
            return fault.reading ? cannotRead(shown, fault.error) : cannotCopy(shown, fault.error);
        }
        ++copied_;
        show_(shownStart_ + shown + L"\n", false);
    }

    void leave(Folder&, const std::wstring&) override {}

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
        error = openIn(in, name, Access::Delete, old);
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

    const std::wstring source_, dest_;
    const CommandTexts& texts_;
    const ShowLine& show_;
    std::vector<char> buffer_;
    // Names are listed as xcopy lists a relative source: the drive, then the
    // name inside the folder copied ("C:sub\file.txt").
    const std::wstring shownStart_;
    std::wstring made_;               // the last name copied in this folder, in upper case
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
