// File systems and holders as windows_tests.exe plays them: NT calls that
// answer for one folder and all below it (the medium) as the file system or
// holder named does, on top of the system's own (nt.h, ntCalls).
#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/windows/nt.h"

namespace tembrel::windows_tests {

struct Personality {
    const char* name;
    bool driveC, installs;  // the medium holds the install, not the ship folder; the copy succeeds
    bool noTagClass = false;  // FAT, exFAT, CDFS: FileAttributeTagInformation refused, EaSize an EA size
    bool readOnly = false;    // CDFS: no open for writing or deleting
    bool links = false;       // "link" a mount point to `elsewhere`, "link.txt" a symbolic link to its keep.txt
    bool wof = false;         // "wof.dat" compressed: opened as a reparse point it reads as empty
    DWORD holdMs = 0;         // a scanner holds each file made that long, sharing no deletion
    bool twins = false;       // case-sensitive: "a.txt" is listed and opened as "\u00e4.txt"
};
inline const Personality* is = nullptr;
inline std::wstring medium, elsewhere;  // as FileNameInformation names it; a full path
inline std::map<std::wstring, DWORD> heldUntil;
inline std::set<HANDLE> unfiltered;  // "wof.dat" opened as a reparse point
constexpr LONG denied = static_cast<LONG>(0xC0000022), sharing = static_cast<LONG>(0xC0000043);

inline std::wstring nameOf(HANDLE file) {  // FileNameInformation: the path on its volume
    std::vector<wchar_t> buffer(34000);
    NtIo io{};
    if (systemNtCalls().query(file, &io, buffer.data(), 68000, 9) < 0) return {};
    return std::wstring(buffer.data() + 2, *reinterpret_cast<ULONG*>(buffer.data()) / 2) + L"\\";
}
// The open file's name below the medium, "\" at its end; "" outside.
inline std::wstring below(HANDLE file) {
    const std::wstring name = nameOf(file);
    return _wcsnicmp(name.c_str(), medium.c_str(), medium.size()) == 0 ? name.substr(medium.size() - 1) : L"";
}
inline std::wstring last(const std::wstring& at) {
    const std::size_t end = at.size() - 1, start = at.find_last_of(L'\\', end - 1) + 1;
    return at.substr(start, end - start);
}
inline bool held(const std::wstring& prefix) {
    for (const auto& [name, until] : heldUntil) if (name.starts_with(prefix) && static_cast<LONG>(until - GetTickCount()) > 0) return true;
    return false;
}
inline DWORD tagOf(const std::wstring& name, DWORD attributes) {
    if (is->links && (name == L"link" || name == L"link.txt"))
        return attributes & FILE_ATTRIBUTE_DIRECTORY ? IO_REPARSE_TAG_MOUNT_POINT : IO_REPARSE_TAG_SYMLINK;
    return is->wof && name == L"wof.dat" ? IO_REPARSE_TAG_WOF : 0;
}

inline LONG WINAPI create(HANDLE* out, ACCESS_MASK access, NtObject* object, NtIo* io, LARGE_INTEGER* size,
                          ULONG attributes, ULONG share, ULONG disposition, ULONG options, void* ea, ULONG eaSize) {
    const std::wstring at = below(object->rootDirectory);
    std::wstring name(object->objectName->buffer, object->objectName->length / 2);
    const bool asIs = options & 0x200000;  // FILE_OPEN_REPARSE_POINT
    if (!at.empty() && is->twins && name == L"\u00e4.txt") name = L"a.txt";
    if (!at.empty() && is->links && disposition == 1 && !asIs && (name == L"link" || name == L"link.txt"))
        name = L"\\??\\" + elsewhere + (name == L"link" ? L"" : L"\\keep.txt");
    if (!at.empty() && is->readOnly && (access & (FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_ADD_SUBDIRECTORY | DELETE))) return denied;
    if (!at.empty() && (access & DELETE) && held(at + name + L"\\")) return sharing;
    NtName counted{static_cast<USHORT>(name.size() * 2), static_cast<USHORT>(name.size() * 2), name.c_str()};
    NtObject changed{sizeof(NtObject), name[0] == L'\\' ? nullptr : object->rootDirectory, &counted, object->attributes, nullptr, nullptr};
    const LONG status = systemNtCalls().create(out, access, &changed, io, size, attributes, share, disposition, options, ea, eaSize);
    if (status >= 0 && !at.empty() && is->wof && name == L"wof.dat" && asIs) unfiltered.insert(*out);
    else if (status >= 0) unfiltered.erase(*out);
    if (status >= 0 && !at.empty() && disposition == 2 && (options & 0x40)) heldUntil[at + name + L"\\"] = GetTickCount() + is->holdMs;
    return status;
}
inline LONG WINAPI list(HANDLE folder, HANDLE event, void* routine, void* context, NtIo* io, void* buffer,
                        ULONG length, int kind, BOOLEAN single, NtName* mask, BOOLEAN restart) {
    const LONG status = systemNtCalls().list(folder, event, routine, context, io, buffer, length, kind, single, mask, restart);
    for (char* at = static_cast<char*>(buffer); status >= 0 && !below(folder).empty();) {
        ULONG* entry = reinterpret_cast<ULONG*>(at);  // FILE_FULL_DIR_INFORMATION: attributes, name length, EaSize
        wchar_t* name = reinterpret_cast<wchar_t*>(entry + 17);
        if (const DWORD tag = tagOf(std::wstring(name, entry[15] / 2), entry[14])) entry[14] |= FILE_ATTRIBUTE_REPARSE_POINT, entry[16] = tag;
        else if (is->noTagClass) entry[16] = 0x40;
        if (is->twins && std::wstring(name, entry[15] / 2) == L"a.txt") name[0] = L'\u00e4';
        if (entry[0] == 0) break;
        at += entry[0];
    }
    return status;
}
inline LONG WINAPI query(HANDLE file, NtIo* io, void* buffer, ULONG length, int kind) {
    const std::wstring at = below(file), name = at.empty() ? L"" : last(at);
    if (!at.empty() && is->noTagClass && kind == 35) return static_cast<LONG>(0xC000000D);  // STATUS_INVALID_PARAMETER
    const LONG status = systemNtCalls().query(file, io, buffer, length, kind);
    ULONG* attributes = static_cast<ULONG*>(buffer) + (kind == 4 ? 8 : 0);
    if (const DWORD tag = status < 0 || (kind != 4 && kind != 35) ? 0 : tagOf(name, *attributes))
        *attributes |= FILE_ATTRIBUTE_REPARSE_POINT, attributes[1] = kind == 35 ? tag : attributes[1];
    return status;
}
// A scanner's open file keeps Windows from renaming any folder above it.
inline LONG WINAPI set(HANDLE file, NtIo* io, void* buffer, ULONG length, int kind) {
    const std::wstring at = below(file);
    return kind == 10 && !at.empty() && held(at) ? denied : systemNtCalls().set(file, io, buffer, length, kind);
}
inline LONG WINAPI read(HANDLE file, HANDLE event, void* routine, void* context, NtIo* io, void* buffer, ULONG length,
                        LARGE_INTEGER* offset, ULONG* key) {
    if (unfiltered.count(file)) return static_cast<LONG>(0xC0000011);  // STATUS_END_OF_FILE
    return systemNtCalls().read(file, event, routine, context, io, buffer, length, offset, key);
}

// Plays the personality for the folder (a full path) until it goes.
struct Playing {
    Playing(const Personality& personality, const std::wstring& folder) {
        const HANDLE open = CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, 7, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        medium = nameOf(open);
        CloseHandle(open);
        is = &personality;
        ntCalls() = {create, list, query, set, systemNtCalls().object, read};
    }
    ~Playing() { ntCalls() = systemNtCalls(); }
};

}  // namespace tembrel::windows_tests
