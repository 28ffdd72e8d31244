// The Windows platform's messages: the edition's texts in UTF-16 and the
// system's own words for an error.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace tembrel {

// An edition's text (OEM bytes) in UTF-16, each "{}" filled in with the next
// of `values`.
std::wstring textOf(std::string_view oem, std::initializer_list<std::wstring_view> values = {});

// The number in decimal digits.
std::wstring decimal(unsigned long number);

// The system's own words for an error code, in the system's language, on one
// line, its "%1" filled in with `name` where given and every other insert
// left out; "error N" where it has none.
std::wstring reason(DWORD error, std::wstring_view name = {});

// True for an error that a file in use or an on-access scanner causes, and
// that may pass by itself when the holder lets go: sharing and lock
// violations, access denied, a folder that still holds a file being
// deleted, a delete pending.
bool isInUseError(DWORD error);

// Why an error leaves a file: access denied, in use, a link that cannot be
// removed, or else.
Why whyOf(DWORD error);

}  // namespace tembrel
