// Files by handle through ntdll's NtCreateFile, NtReadFile,
// NtQueryDirectoryFile and NtQuery/SetInformationFile, found with
// GetProcAddress so that the programs import nothing new. Each is in every
// NT since NT 4, with the structures and classes used here (learn.microsoft
// .com/en-us/windows-hardware/drivers/ddi/ntifs/nf-ntifs-ntcreatefile,
// .../ntifs/nf-ntifs-ntreadfile,
// .../ntifs/nf-ntifs-ntqueryinformationfile, .../ntifs/
// nf-ntifs-ntsetinformationfile, .../ntifs/nf-ntifs-ntquerydirectoryfile,
// .../wdm/ns-wdm-_object_attributes). They are reached through one table
// (ntCalls, nt.h), which windows_tests.exe may replace.

#include "platform/windows/nt.h"

#include <cstring>

#include "platform/windows/walk.h"

namespace tembrel {

namespace {

using RtlNtStatusToDosError = ULONG(WINAPI*)(LONG);
using RtlUpcaseUnicodeChar = wchar_t(WINAPI*)(wchar_t);

template <typename Function>
void find(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

struct Ntdll {
    NtCalls calls;
    RtlNtStatusToDosError error = nullptr;
    RtlUpcaseUnicodeChar upcase = nullptr;
    bool complete() const {
        return calls.create && calls.list && calls.query && calls.set && calls.object && calls.read && error;
    }
};

const Ntdll& ntdll() {
    static const Ntdll found = [] {
        Ntdll n;
        const HMODULE module = GetModuleHandleW(L"ntdll.dll");
        if (module == nullptr) return n;
        find(module, "NtCreateFile", n.calls.create);
        find(module, "NtQueryDirectoryFile", n.calls.list);
        find(module, "NtQueryInformationFile", n.calls.query);
        find(module, "NtSetInformationFile", n.calls.set);
        find(module, "NtQueryObject", n.calls.object);
        find(module, "NtReadFile", n.calls.read);
        find(module, "RtlNtStatusToDosError", n.error);
        find(module, "RtlUpcaseUnicodeChar", n.upcase);
        return n;
    }();
    return found;
}

DWORD errorOf(LONG status) {
    if (status >= 0) return 0;
    return ntdll().error(status);
}

// Create options and dispositions (ntifs.h).
constexpr ULONG directoryFile = 0x1, sequentialOnly = 0x4, synchronousIo = 0x20, nonDirectoryFile = 0x40,
                openReparsePoint = 0x200000;
constexpr ULONG fileOpen = 1, fileCreate = 2;
constexpr ULONG caseInsensitive = 0x40;  // OBJ_CASE_INSENSITIVE, as Win32 opens names
constexpr LONG nameCollision = static_cast<LONG>(0xC0000035);
constexpr LONG noMoreFiles = static_cast<LONG>(0x80000006);
constexpr LONG noSuchFile = static_cast<LONG>(0xC000000F);
constexpr LONG endOfFile = static_cast<LONG>(0xC0000011);
// Information classes.
constexpr LONG invalidParameter = static_cast<LONG>(0xC000000D), invalidInfoClass = static_cast<LONG>(0xC0000003),
               notImplemented = static_cast<LONG>(0xC0000002);
constexpr int fullDirectoryInformation = 2, basicInformation = 4, standardInformation = 5, renameInformation = 10,
              dispositionInformation = 13, attributeTagInformation = 35, objectNameInformation = 1;

struct BasicInformation {
    LARGE_INTEGER created, accessed, written, changed;
    ULONG attributes;
};
struct StandardInformation {
    LARGE_INTEGER allocated, size;
    ULONG links;
    BOOLEAN deletePending, directory;
};
struct AttributeTag {
    ULONG attributes, tag;
};
struct FullDirectoryEntry {
    ULONG next, index;
    LARGE_INTEGER created, accessed, written, changed, size, allocated;
    ULONG attributes, nameLength, eaSize;  // eaSize holds the reparse tag of a reparse point
    wchar_t name[1];
};

ACCESS_MASK accessFor(Access access) {
    switch (access) {
    case Access::Read:
        return FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;  // FILE_LIST_DIRECTORY for a folder
    case Access::Remove:
        return FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | DELETE | SYNCHRONIZE;
    case Access::Delete:
        return FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | DELETE | SYNCHRONIZE;
    case Access::Write:
        break;
    }
    return FILE_LIST_DIRECTORY | FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_READ_ATTRIBUTES |
           FILE_WRITE_ATTRIBUTES | DELETE | SYNCHRONIZE;
}

NtObject relative(HANDLE folder, NtName& counted, std::wstring_view name) {
    counted = {static_cast<USHORT>(name.size() * sizeof(wchar_t)), static_cast<USHORT>(name.size() * sizeof(wchar_t)),
               name.data()};
    return {sizeof(NtObject), folder, &counted, caseInsensitive, nullptr, nullptr};
}

}  // namespace

NtCalls& ntCalls() {
    static NtCalls calls = systemNtCalls();
    return calls;
}

const NtCalls& systemNtCalls() { return ntdll().calls; }

wchar_t upcase(wchar_t c) {
    if (ntdll().upcase != nullptr) return ntdll().upcase(c);
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

DWORD openFolder(const std::wstring& longPath, Access access, bool asIs, Handle& out) {
    if (!ntdll().complete()) return ERROR_PROC_NOT_FOUND;
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (asIs ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    // The copy's destination may be a staging folder that its own run holds
    // open for deletion, to rename it when whole: the copy neither asks for
    // nor denies deletion there. (The holder denies it to everyone else.)
    const bool destination = access == Access::Write;
    const ACCESS_MASK asked = destination ? accessFor(access) & ~DELETE : accessFor(access);
    const DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE | (destination ? FILE_SHARE_DELETE : 0);
    const HANDLE folder = CreateFileW(longPath.c_str(), asked, sharing, nullptr, OPEN_EXISTING, flags, nullptr);
    if (folder == INVALID_HANDLE_VALUE) return GetLastError();
    out = Handle(folder);
    return 0;
}

// NtCreateFile relative to the open folder; NtCreateFile with FILE_OPEN is
// NtOpenFile. Others may read and write but not delete or rename the entry.
DWORD createFileIn(HANDLE folder, std::wstring_view name, ACCESS_MASK access, ULONG disposition, ULONG options,
                   Handle& out) {
    NtName counted;
    NtObject attributes = relative(folder, counted, name);
    NtIo io{};
    HANDLE file = nullptr;
    const LONG status = ntCalls().create(&file, access, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, disposition, options | synchronousIo,
                                       nullptr, 0);
    if (status == nameCollision) return ERROR_FILE_EXISTS;
    if (status < 0) return errorOf(status);
    out = Handle(file);
    return 0;
}

DWORD openIn(HANDLE folder, std::wstring_view name, Access access, Handle& out) {
    return createFileIn(folder, name, accessFor(access), fileOpen, openReparsePoint, out);
}

DWORD openContent(HANDLE folder, std::wstring_view name, Handle& out) {
    return createFileIn(folder, name, accessFor(Access::Read), fileOpen, nonDirectoryFile, out);
}

DWORD createIn(HANDLE folder, std::wstring_view name, bool asFolder, Handle& out) {
    const ACCESS_MASK access = asFolder ? accessFor(Access::Write)
                                        : FILE_GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE | SYNCHRONIZE;
    return createFileIn(folder, name, access, fileCreate, asFolder ? directoryFile : nonDirectoryFile | sequentialOnly,
                        out);
}

// Asks only what every file system answers: FAT, exFAT and CDFS refuse
// FileAttributeTagInformation (STATUS_INVALID_PARAMETER), so the attributes
// come from FileBasicInformation and the tag is asked for only where they
// name a reparse point. One whose tag cannot be read counts as a link.
DWORD describe(HANDLE file, Described& out) {
    NtIo io{};
    StandardInformation standard{};
    BasicInformation basic{};
    LONG status = ntCalls().query(file, &io, &basic, sizeof basic, basicInformation);
    if (status >= 0) status = ntCalls().query(file, &io, &standard, sizeof standard, standardInformation);
    if (status < 0) return errorOf(status);
    out.entry.attributes = basic.attributes;
    out.entry.tag = 0;
    if (basic.attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        AttributeTag tag{};
        status = ntCalls().query(file, &io, &tag, sizeof tag, attributeTagInformation);
        if (status < 0 && status != invalidParameter && status != invalidInfoClass && status != notImplemented)
            return errorOf(status);
        if (status >= 0) out.entry.tag = tag.tag;
    }
    out.links = standard.links;
    out.written = {basic.written.LowPart, static_cast<DWORD>(basic.written.HighPart)};
    return 0;
}

DWORD readFrom(HANDLE file, void* buffer, DWORD size, DWORD& read) {
    NtIo io{};
    const LONG status = ntCalls().read(file, nullptr, nullptr, nullptr, &io, buffer, size, nullptr, nullptr);
    read = status >= 0 ? static_cast<DWORD>(io.information) : 0;
    return status == endOfFile ? 0 : errorOf(status);
}

DWORD setAttributes(HANDLE file, DWORD attributes, const FILETIME* written) {
    // Times left at 0 stay as they are; attributes of 0 would too, so a
    // plain file is FILE_ATTRIBUTE_NORMAL.
    BasicInformation basic{};
    basic.attributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    if (written != nullptr) {
        basic.written.LowPart = written->dwLowDateTime;
        basic.written.HighPart = static_cast<LONG>(written->dwHighDateTime);
    }
    NtIo io{};
    return errorOf(ntCalls().set(file, &io, &basic, sizeof basic, basicInformation));
}

DWORD moveInto(HANDLE file, HANDLE folder, std::wstring_view name) {
    // FILE_RENAME_INFORMATION: replace-if-exists, the folder, the name's
    // length in bytes and the name, laid out as the system lays it out.
    struct Rename {
        BOOLEAN replace;
        HANDLE folder;
        ULONG length;
        wchar_t name[1];
    };
    std::vector<char> buffer(offsetof(Rename, name) + (name.size() + 1) * sizeof(wchar_t), 0);
    Rename head{FALSE, folder, static_cast<ULONG>(name.size() * sizeof(wchar_t)), {}};
    std::memcpy(buffer.data(), &head, offsetof(Rename, name));
    std::memcpy(buffer.data() + offsetof(Rename, name), name.data(), name.size() * sizeof(wchar_t));
    NtIo io{};
    const LONG status = ntCalls().set(file, &io, buffer.data(), static_cast<ULONG>(buffer.size()), renameInformation);
    return status == nameCollision ? ERROR_ALREADY_EXISTS : errorOf(status);
}

DWORD markDeleted(HANDLE file) {
    BOOLEAN deleted = TRUE;
    NtIo io{};
    return errorOf(ntCalls().set(file, &io, &deleted, sizeof deleted, dispositionInformation));
}

DWORD removeOpen(HANDLE file, const Described& described) {
    const DWORD attributes = described.entry.attributes;
    if ((attributes & FILE_ATTRIBUTE_READONLY) && (described.entry.isFolder() || described.links == 1))
        setAttributes(file, attributes & ~FILE_ATTRIBUTE_READONLY);
    return markDeleted(file);
}

DWORD listOpen(HANDLE folder, std::vector<Entry>& entries) {
    entries.clear();
    std::vector<LONGLONG> buffer(8192);  // 64 KiB, aligned for the entries
    for (BOOLEAN restart = TRUE;; restart = FALSE) {
        NtIo io{};
        const LONG status = ntCalls().list(folder, nullptr, nullptr, nullptr, &io, buffer.data(),
                                         static_cast<ULONG>(buffer.size() * sizeof(LONGLONG)),
                                         fullDirectoryInformation, FALSE, nullptr, restart);
        if (status == noMoreFiles || (restart && status == noSuchFile)) break;
        if (status < 0) {
            sortInNtfsOrder(entries);
            return errorOf(status);
        }
        const char* at = reinterpret_cast<const char*>(buffer.data());
        for (;;) {
            FullDirectoryEntry found;
            std::memcpy(&found, at, offsetof(FullDirectoryEntry, name));
            const std::wstring_view name(reinterpret_cast<const wchar_t*>(at + offsetof(FullDirectoryEntry, name)),
                                         found.nameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") {
                const DWORD tag = (found.attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? found.eaSize : 0;
                entries.push_back({std::wstring(name), found.attributes, tag});
            }
            if (found.next == 0) break;
            at += found.next;
        }
    }
    sortInNtfsOrder(entries);
    return 0;
}

std::wstring systemName(HANDLE file) {
    std::vector<LONGLONG> buffer(8200);  // a counted name and 32,767 characters
    ULONG size = 0;
    if (ntCalls().object(file, objectNameInformation, buffer.data(), static_cast<ULONG>(buffer.size() * sizeof(LONGLONG)),
                       &size) < 0)
        return {};
    NtName name;
    std::memcpy(&name, buffer.data(), sizeof name);
    return std::wstring(name.buffer, name.length / sizeof(wchar_t));
}

}  // namespace tembrel
