// Files by handle through ntdll, which every NT has: entries opened and made
// relative to their open folder, folders listed, files described, changed and
// deleted by the handle that was checked, never again by a path.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tembrel {

// An entry of a folder, as its listing or an open handle tells it.
struct Entry {
    std::wstring name;
    DWORD attributes = 0;
    DWORD tag = 0;  // the reparse point's kind, where it is one
    // A junction, a symbolic link, a mount point: a reparse point whose tag
    // is a name surrogate (IsReparseTagNameSurrogate), naming something
    // elsewhere. Other reparse points (files in the cloud, files
    // deduplicated or compressed by the system) hold their own data, which
    // only an open that lets the system act on the reparse point reads. A
    // reparse point without a kind is one of Wine's Unix links (wine.h).
    bool isLink() const {
        constexpr DWORD namesElsewhere = 0x20000000;
        return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && (tag == 0 || (tag & namesElsewhere));
    }
    bool holdsOwnData() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && !isLink(); }
    bool isFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// The NT calls that every file operation here makes, as one table: ntdll's
// own, found by GetProcAddress, unless windows_tests.exe puts in calls that
// answer as another file system does, on top of these. Their structures are
// UNICODE_STRING, OBJECT_ATTRIBUTES and IO_STATUS_BLOCK.
struct NtName {
    USHORT length, maximumLength;
    const wchar_t* buffer;
};
struct NtObject {
    ULONG length;
    HANDLE rootDirectory;
    NtName* objectName;
    ULONG attributes;
    void* securityDescriptor;
    void* securityQualityOfService;
};
struct NtIo {
    union {
        LONG status;
        void* pointer;
    };
    ULONG_PTR information;
};
struct NtCalls {
    LONG(WINAPI* create)(HANDLE*, ACCESS_MASK, NtObject*, NtIo*, LARGE_INTEGER*, ULONG, ULONG, ULONG, ULONG, void*,
                         ULONG) = nullptr;                                                               // NtCreateFile
    LONG(WINAPI* list)(HANDLE, HANDLE, void*, void*, NtIo*, void*, ULONG, int, BOOLEAN, NtName*, BOOLEAN) = nullptr;  // NtQueryDirectoryFile
    LONG(WINAPI* query)(HANDLE, NtIo*, void*, ULONG, int) = nullptr;                                     // NtQueryInformationFile
    LONG(WINAPI* set)(HANDLE, NtIo*, void*, ULONG, int) = nullptr;                                       // NtSetInformationFile
    LONG(WINAPI* object)(HANDLE, int, void*, ULONG, ULONG*) = nullptr;                                   // NtQueryObject
    LONG(WINAPI* read)(HANDLE, HANDLE, void*, void*, NtIo*, void*, ULONG, LARGE_INTEGER*, ULONG*) = nullptr;  // NtReadFile
};
// The calls in use, ntdll's unless replaced; and ntdll's own.
NtCalls& ntCalls();
const NtCalls& systemNtCalls();

// The character in upper case as the file systems compare names (the
// system's upcase table, RtlUpcaseUnicodeChar); ASCII only where that is missing.
wchar_t upcase(wchar_t c);

// An open handle, closed when it goes.
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset() {
        if (handle_ != nullptr) CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_ = nullptr;
};

// What an open handle is: its attributes and reparse tag, as an Entry of its
// own name, and how many names (hard links) the file has.
struct Described {
    Entry entry;
    DWORD links = 1;
    FILETIME written{};
};

// The access a walk asks for: to list a folder or read a file, to change
// attributes and delete (a folder, listing it too), to write a new file.
// A file is deleted with no access to its data (Delete), so one that another
// program holds without sharing its reading, or one nobody may read, goes too.
enum class Access { Read, Remove, Write, Delete };

// Opens the folder at a long path. `asIs` opens a reparse point itself
// rather than what it leads to. Returns 0 or the error.
DWORD openFolder(const std::wstring& longPath, Access access, bool asIs, Handle& out);

// Opens the entry `name` of the open folder `folder`: the entry itself,
// never what a reparse point leads to; others may read and write it but not
// delete or rename it while it is open. Returns 0 or the error.
DWORD openIn(HANDLE folder, std::wstring_view name, Access access, Handle& out);

// Opens the file `name` of the open folder `folder` for reading as what the
// system makes of its reparse point: for a file that holds its own data
// (Entry::holdsOwnData), that data. Returns 0 or the error.
DWORD openContent(HANDLE folder, std::wstring_view name, Handle& out);

// Makes the new entry `name` in the open folder `folder`, a folder or a
// file; ERROR_FILE_EXISTS where the name is taken, whatever it is (a link
// there is never followed). Returns 0 or the error.
DWORD createIn(HANDLE folder, std::wstring_view name, bool asFolder, Handle& out);

DWORD describe(HANDLE file, Described& out);

// Reads up to `size` bytes of the open file, from where the last read
// ended; `read` is 0 at its end. Returns 0 or the error.
DWORD readFrom(HANDLE file, void* buffer, DWORD size, DWORD& read);

// The attributes and, where given, the time last written.
DWORD setAttributes(HANDLE file, DWORD attributes, const FILETIME* written = nullptr);

// Moves the open file or folder into the open folder `folder` under the new
// name `name`; ERROR_ALREADY_EXISTS where the name is taken.
DWORD moveInto(HANDLE file, HANDLE folder, std::wstring_view name);

// Deletes the open file or empty folder when its last handle closes.
DWORD markDeleted(HANDLE file);

// Deletes the open file, empty folder or link, `described` as it is, when
// its last handle closes; its read-only mark is cleared first, except on a
// file with other names (hard links): the mark is theirs too, so it stays,
// and the file with it.
DWORD removeOpen(HANDLE file, const Described& described);

// The entries of the open folder (a handle of Access::Read or ::Remove),
// without "." and "..", in NTFS order (sortInNtfsOrder, walk.h). Returns 0 or
// the error (the entries read so far are kept).
DWORD listOpen(HANDLE folder, std::vector<Entry>& entries);

// The name the system keeps for the open file, "\??\C:\..." or "" where it
// has none.
std::wstring systemName(HANDLE file);

}  // namespace tembrel
