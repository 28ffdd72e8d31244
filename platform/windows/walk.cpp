// Folder walks on the Windows platform: names as listings show them, entries
// in NTFS order, and the walk down a folder tree that the copy and the
// deletes share, with deep folders moved up under Wine (quirk 4 of wine.h).

#include "platform/windows/walk.h"

#include <algorithm>

#include "platform/windows/errors.h"
#include "platform/windows/paths.h"
#include "platform/windows/wine.h"

namespace tembrel {

namespace {

constexpr int hoistBelow = 24;  // levels below the top before a folder moves up, under Wine

bool beforeInUpperCase(const Entry& a, const Entry& b) {
    return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                        [](wchar_t x, wchar_t y) { return upcase(x) < upcase(y); });
}

// A file whose reparse point holds its own data (compressed by the system,
// deduplicated, in the cloud) reads as that data only when opened as what
// the system makes of it: it is opened again so while the handle that holds
// its name stays open, and must still be such a file, never what a link
// put there leads to.
DWORD openContent(const Folder& folder, Met& met) {
    Handle content;
    Described described;
    DWORD error = openContent(folder.handle.get(), met.listed.name, content);
    if (error == 0) error = describe(content.get(), described);
    if (error != 0) return error;
    if (!described.entry.holdsOwnData() || described.entry.isFolder()) {
        met.link = true;
        return 0;
    }
    met.handle = std::move(content);
    return 0;
}

void open(const Folder& folder, Met& met, Access access) {
    if (access == Access::Remove && !met.listed.isFolder()) access = Access::Delete;
    met.error = openIn(folder.handle.get(), met.listed.name, access, met.handle);
    if (met.error == 0) met.error = describe(met.handle.get(), met.described);
    met.real = folder.real + L"\\" + met.listed.name;
    met.link = met.listed.isLink() ||
               (met.error == 0 && (met.described.entry.isLink() || !whereItsNameSays(met.handle.get(), met.real)));
    const bool ownData = met.listed.holdsOwnData() || met.described.entry.holdsOwnData();
    if (access == Access::Read && met.error == 0 && !met.link && ownData && !met.described.entry.isFolder())
        met.error = openContent(folder, met);
}

// Moves the folder, checked and open, up into the top folder under a name
// of its own; where it cannot move, it stays where it is.
void hoist(const Folder& top, Folder& folder, unsigned long& hoisted) {
    for (int tries = 0; tries < 100; ++tries) {
        const DWORD error = moveInto(folder.handle.get(), top.handle.get(), L"~" + decimal(++hoisted));
        if (error == 0) {
            folder.real = systemName(folder.handle.get());
            folder.depth = 0;
            return;
        }
        if (error != ERROR_ALREADY_EXISTS) return;
    }
}

}  // namespace

std::wstring shownName(std::wstring_view name) {
    std::wstring shown(name);
    for (wchar_t& c : shown) {
        if (c < 0x20 || (c >= 0x7f && c < 0xa0)) c = L'?';
    }
    return shown;
}

std::wstring upperCase(std::wstring name) {
    for (wchar_t& c : name) c = upcase(c);
    return name;
}

void sortInNtfsOrder(std::vector<Entry>& entries) { std::sort(entries.begin(), entries.end(), beforeInUpperCase); }

std::wstring inFolder(const std::wstring& folder, std::wstring_view name) {
    std::wstring path = folder;
    if (!path.ends_with(L'\\')) path += L'\\';
    return path += name;
}

bool openTop(const std::wstring& path, Access access, Handle& out, std::wstring& real, DWORD& error) {
    error = openFolder(path, access, true, out);
    Described described;
    if (error == 0) error = describe(out.get(), described);
    real = L"\\??\\" + shownPath(path);
    return error == 0 && described.entry.isFolder() && !described.entry.isLink() && whereItsNameSays(out.get(), real);
}

void walkTree(Folder top, Access access, Visitor& visitor, unsigned long* hoisted) {
    std::vector<Folder> stack;
    stack.push_back(std::move(top));
    std::wstring shown;  // the path of the folder whose turn it is, or was last
    std::vector<Entry> entries;
    while (!stack.empty()) {
        const std::size_t at = stack.size() - 1;
        if (stack[at].listed) {
            shown.resize(stack[at].shownEnd);
            visitor.leave(stack[at], shown);
            if (at > 0 && stack[at].left) stack[stack[at].parent].left = true;
            stack.pop_back();  // and the folder closes
            continue;
        }
        stack[at].listed = true;
        // The folder above is this one's or an earlier folder's: its path
        // starts `shown`.
        if (at > 0) {
            shown.resize(stack[stack[at].parent].shownEnd);
            if (!shown.empty()) shown += L'\\';
            shown += stack[at].name;
        }
        const std::size_t end = stack[at].shownEnd = shown.size();
        const DWORD error = listOpen(stack[at].handle.get(), entries);
        visitor.listing(stack[at], shown, error, !entries.empty());
        for (const Entry& entry : entries) {
            if (end != 0) shown += L'\\';
            shown += shownName(entry.name);
            Met met(entry);
            open(stack[at], met, access);
            if (met.error != 0 || met.link || !met.described.entry.isFolder()) {
                visitor.file(stack[at], met, shown);
            } else {
                Folder child;
                child.handle = std::move(met.handle);
                child.real = std::move(met.real);
                child.name = shown.substr(end == 0 ? 0 : end + 1);
                child.parent = at;
                child.depth = stack[at].depth + 1;
                if (visitor.enter(stack[at], entry, shown, child)) {
                    if (hoisted && child.depth > hoistBelow && underWine()) hoist(stack.front(), child, *hoisted);
                    stack.push_back(std::move(child));
                }
            }
            shown.resize(end);
        }
        // Taken from the back: the first subfolder goes first. The real
        // names only named the entries.
        std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(at + 1), stack.end());
        stack[at].real = std::wstring();
        stack[at].besideReal = std::wstring();
    }
}

}  // namespace tembrel
