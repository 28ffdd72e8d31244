// The Windows interpreter's xcopy: the folder's files and subfolders, hidden
// and system files and empty folders included, one folder at a time from an
// explicit stack, so that no depth runs the program out of stack.

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

class Copier {
public:
    Copier(const std::wstring& source, const std::wstring& dest, const CommandTexts& texts, const ShowLine& show)
        : source_(source), dest_(dest), texts_(texts), show_(show), links_(source) {
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
        std::vector<std::wstring> pending{L""};  // folders left, relative, each ending in "\" but the first
        std::vector<Entry> entries;
        while (!pending.empty()) {
            const std::wstring folder = std::move(pending.back());
            pending.pop_back();
            const DWORD error = listFolder(join(source_, folder), entries);
            if (error != 0) {
                const std::wstring shown = folder.empty() ? shownPath(source_) : shownStart_ + folder;
                fail(textOf(texts_.skipped, {shown, entries.empty() ? reason(error) : textOf(texts_.readIncomplete)}));
            }
            const std::size_t subfolders = pending.size();
            for (const Entry& entry : entries) {
                const std::wstring name = folder + entry.name;
                if (entry.isLink()) {
                    show_(textOf(texts_.skipped, {shownStart_ + name, textOf(texts_.linkNotFollowed)}), true);
                } else if (!entry.isFolder()) {
                    copyFile(name, entry.attributes);
                } else if (makeFolder(name)) {
                    pending.push_back(name + L"\\");
                }
            }
            // Taken from the back: the first subfolder goes first.
            std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(subfolders), pending.end());
        }
    }

    static std::wstring join(const std::wstring& root, const std::wstring& relative) {
        if (relative.empty()) return root;
        return inFolder(root, relative.ends_with(L'\\') ? relative.substr(0, relative.size() - 1) : relative);
    }

    bool makeFolder(const std::wstring& name) {
        const std::wstring path = join(dest_, name);
        const DWORD error = createFolder(path);
        if (error == 0) return true;
        fail(textOf(texts_.cannotCreateFolder, {shownPath(path), reason(error)}));
        return false;
    }

    void copyFile(const std::wstring& name, DWORD attributes) {
        const std::wstring from = join(source_, name), to = join(dest_, name);
        const DWORD error = copyChecked(from, to, attributes);
        if (error == linkFound) {
            show_(textOf(texts_.skipped, {shownStart_ + name, textOf(texts_.linkNotFollowed)}), true);
        } else if (error != 0) {
            fail(textOf(texts_.cannotCopyFile, {shownStart_ + name, reason(error)}));
        } else {
            ++copied_;
            show_(shownStart_ + name + L"\n", false);
        }
    }

    // Hidden and system stay, as with /h; read-only goes, as xcopy drops it
    // without /k, so that the install can be deleted again.
    static DWORD copiedAttributes(DWORD attributes) {
        constexpr DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        return (attributes & kept) | FILE_ATTRIBUTE_ARCHIVE;
    }

    static constexpr DWORD linkFound = 0xffffffff;

    // Returns 0 or the error.
    static DWORD copyNamed(const std::wstring& from, const std::wstring& to, DWORD attributes) {
        // Each error is read the moment its call fails, before any other
        // call can replace it.
        DWORD error = CopyFileW(from.c_str(), to.c_str(), FALSE) ? 0 : GetLastError();
        // A file left by an earlier copy may be read-only or hidden, which
        // CopyFile will not overwrite. Where that is not the cause (an
        // unreadable source), the first error stands.
        if (error == ERROR_ACCESS_DENIED && SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL))
            error = CopyFileW(from.c_str(), to.c_str(), FALSE) ? 0 : GetLastError();
        if (error != 0) return error;
        if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(to.c_str(), copiedAttributes(attributes));
        return 0;
    }

    // Wine's file links (quirk 2 of wine.h) are told apart first, by the
    // name Wine keeps for the open file; the file stays open, shared for
    // reading only, while the copy Windows makes runs, so that it cannot be
    // swapped for a link meanwhile. Elsewhere this is the copy alone. Returns
    // 0, the error, or linkFound.
    DWORD copyChecked(const std::wstring& from, const std::wstring& to, DWORD attributes) {
        if (!underWine()) return copyNamed(from, to, attributes);
        HANDLE in = CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (in == INVALID_HANDLE_VALUE) return GetLastError();
        DWORD error = 0;
        if (links_.leadsElsewhere(from, error, in)) {
            if (error == 0) error = linkFound;
        } else {
            error = copyNamed(from, to, attributes);
        }
        CloseHandle(in);
        return error;
    }

    const std::wstring source_, dest_;
    const CommandTexts& texts_;
    const ShowLine& show_;
    HiddenLinks links_;
    std::wstring shownStart_;
    std::vector<std::wstring> late_;  // after the count line
    int copied_ = 0;
    bool ok_ = true;
};

}  // namespace

bool copyFolder(const std::wstring& source, const std::wstring& dest, const CommandTexts& texts,
                const ShowLine& show) {
    return Copier(source, dest, texts, show).run();
}

}  // namespace tembrel
