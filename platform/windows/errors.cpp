// The Windows platform's messages: the edition's texts in UTF-16 and the
// system's own words for an error.

#include "platform/windows/errors.h"

#include <algorithm>

#include "platform/command_texts.h"
#include "platform/oem.h"

namespace tembrel {

std::wstring textOf(std::string_view oem, std::initializer_list<std::wstring_view> values) {
    return fillIn(oemToWide(oem), values);
}

bool isInUseError(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_DIR_NOT_EMPTY || error == ERROR_DELETE_PENDING;
}

Why whyOf(DWORD error) {
    if (error == ERROR_ACCESS_DENIED) return Why::Denied;
    if (error == ERROR_NOT_SUPPORTED) return Why::Link;
    return isInUseError(error) ? Why::InUse : Why::Other;
}

std::wstring decimal(unsigned long number) {
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + number % 10));
        number /= 10;
    } while (number != 0);
    return digits;
}

namespace {

bool digit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The system's text with its inserts and escapes as FormatMessage leaves
// them (FORMAT_MESSAGE_IGNORE_INSERTS): "%1" takes `name` where one is given,
// every other insert goes, a "0x" before it too, so that no "%2" or "0x%1"
// is ever shown; "%%" is "%", "%0" ends the text, the others ("%n", "%r",
// "%t", line ends) are spaces, and spaces never come doubled.
std::wstring filled(std::wstring_view text, std::wstring_view name) {
    std::wstring out;
    const auto space = [&out] {
        if (!out.empty() && out.back() != L' ') out += L' ';
    };
    for (std::size_t at = 0; at < text.size(); ++at) {
        const wchar_t c = text[at];
        if (c == L'\r' || c == L'\n' || c == L' ') {
            space();
        } else if (c != L'%' || at + 1 == text.size()) {
            out += c;
        } else if (const wchar_t next = text[++at]; digit(next) && next != L'0') {
            const std::size_t first = at;
            while (at + 1 < text.size() && digit(text[at + 1])) ++at;
            if (at + 1 < text.size() && text[at + 1] == L'!') at = std::min(text.find(L'!', at + 2), text.size() - 1);
            if (out.ends_with(L"0x")) out.resize(out.size() - 2);
            if (at == first && next == L'1' && !name.empty()) out += name;
        } else if (next == L'0') {
            break;
        } else if (next == L'%') {
            out += L'%';
        } else {
            space();
        }
    }
    for (std::size_t at; (at = out.find(L"  ")) != std::wstring::npos;) out.erase(at, 1);
    while (!out.empty() && out.back() == L' ') out.pop_back();
    return out;
}

}  // namespace

std::wstring reason(DWORD error, std::wstring_view name) {
    // The inserts are left in (FORMAT_MESSAGE_IGNORE_INSERTS) and filled in
    // here: a text such as 193's "%1 is not a valid Win32 application."
    // names the file, and no insert can read past what is given.
    wchar_t buffer[512];
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                   buffer, 512, nullptr);
    std::wstring text = filled(std::wstring_view(buffer, n), name);
    return text.empty() ? L"error " + decimal(error) : text;
}

}  // namespace tembrel
