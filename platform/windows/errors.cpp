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

std::wstring reason(DWORD error, std::wstring_view name) {
    // The inserts are left as "%1" (FORMAT_MESSAGE_IGNORE_INSERTS) and the
    // first filled in here: a text such as 193's "%1 is not a valid Win32
    // application." names the file, and no insert can read past what is given.
    wchar_t buffer[512];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buffer,
                             512, nullptr);
    while (n > 0 && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n' || buffer[n - 1] == L' ')) --n;
    if (n == 0) return L"error " + decimal(error);
    std::wstring text(buffer, n);
    std::replace(text.begin(), text.end(), L'\r', L' ');
    std::replace(text.begin(), text.end(), L'\n', L' ');
    if (const std::size_t at = text.find(L"%1"); at != std::wstring::npos && !name.empty()) text.replace(at, 2, name);
    return text;
}

}  // namespace tembrel
