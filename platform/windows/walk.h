#pragma once

// What the file commands share: path forms, messages, folder listings, and
// the check for links that Wine shows as plain files.

#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tembrel {

// The entry `name` in the folder; a drive's root ends in "\" already.
std::wstring inFolder(const std::wstring& folder, std::wstring_view name);

// The path as a user writes it: the long form's prefix taken off again.
std::wstring shownPath(std::wstring_view longPath);

// An edition's text (OEM bytes) in UTF-16, each "{}" filled in with the next
// of `values`.
std::wstring textOf(std::string_view oem, std::initializer_list<std::wstring_view> values = {});

// The number in decimal digits.
std::wstring decimal(unsigned long number);

// The system's own words for an error code, in the system's language, on one
// line.
std::wstring reason(DWORD error);

struct Entry {
    std::wstring name;
    DWORD attributes;
    DWORD tag;  // the reparse point's kind, where it is one
    // A junction, a symbolic link, a mount point: a reparse point that names
    // something elsewhere. Other reparse points (files in the cloud, files
    // deduplicated or compressed by the system) hold their own data. Wine
    // gives no kind: its reparse points are all Unix links.
    bool isLink() const {
        constexpr DWORD namesElsewhere = 0x20000000;
        return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && (tag == 0 || (tag & namesElsewhere));
    }
    bool isFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// The folder's entries, without "." and "..", in the order NTFS keeps them
// (names compared in upper case), whatever the file system's own order.
// Returns 0, or the error that stopped the listing (the entries read so far
// are kept).
DWORD listFolder(const std::wstring& folder, std::vector<Entry>& entries);

// True under Wine, where every link is a Unix link.
bool underWine();

// Removes a link (a reparse point) as a link, never what it leads to.
// Returns 0 or the error; under Wine, where removing a Unix link removes what
// it leads to instead, nothing is touched and the error is
// ERROR_NOT_SUPPORTED.
DWORD removeLink(const std::wstring& path, DWORD attributes);

// Wine shows a Unix link to a file as a plain file, and opening, copying or
// deleting it reaches the file it points to. Only the name Wine keeps for an
// open file, which is the target's, tells it apart. Elsewhere this finds
// nothing: Windows marks its links as reparse points.
class HiddenLinks {
public:
    explicit HiddenLinks(const std::wstring& root);

    // True when the file at `path`, which lies in the root folder (at any
    // depth), is not where its path says: a link. `error` is set where that
    // cannot be told (then the answer is true, to be safe). `file`, where
    // given, is the file opened already.
    bool leadsElsewhere(const std::wstring& path, DWORD& error, HANDLE file = INVALID_HANDLE_VALUE);

private:
    std::wstring nameOf(const std::wstring& path, DWORD& error);
    std::wstring nameOf(HANDLE file, DWORD& error);

    using Query = LONG(WINAPI*)(HANDLE, void*, void*, ULONG, int);
    Query query_ = nullptr;
    std::wstring root_;
    std::wstring rootName_;
    DWORD rootError_ = 0;
    std::vector<char> buffer_;
};

}  // namespace tembrel
