// The record of what the deletes could not remove, which every host feeds
// and the launcher reads after an uninstall.

#include <cerrno>
#include <utility>

#include "platform/host.h"
#include "platform/oem.h"

namespace tembrel {

namespace {

// One record for the process: the deletes that feed it run deep inside
// each host's commands, which need no host at hand to note a path.
Stayed record;

// The OEM byte of a character, '?' where code page 850 has none or it is a
// control character.
char oemByte(char32_t c) {
    if (c >= 0x20 && c < 0x7F) return static_cast<char>(c);
    if (c >= 0xA0 && c <= 0xFFFF)
        for (unsigned byte = 0x80; byte <= 0xFF; ++byte)
            if (oemToUnicode(static_cast<unsigned char>(byte)) == c) return static_cast<char>(byte);
    return '?';
}

}  // namespace

Why whyOfErrno(int error) {
    if (error == EBUSY) return Why::InUse;
    if (error == EACCES || error == EPERM || error == EROFS) return Why::Denied;
    return Why::Other;
}

Stayed Host::takeNoted() { return std::exchange(record, Stayed{}); }

Stayed Host::takeStayed() { return takeNoted(); }

void Host::noteStayed(std::string_view path, Why why) {
    std::string shown;
    while (!path.empty()) {
        char32_t c = 0;
        const std::size_t length = decodeUtf8(path, c);
        shown += length == 0 ? '?' : oemByte(c);
        path.remove_prefix(length == 0 ? 1 : length);
    }
    record.add(std::move(shown), why);
}

void Host::noteStayed(std::wstring_view path, Why why) {
    std::string shown;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char32_t c = static_cast<char32_t>(path[i]);
        // A pair of surrogates is one character, which code page 850 lacks.
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < path.size() && path[i + 1] >= 0xDC00 && path[i + 1] < 0xE000) ++i;
        shown += oemByte(c);
    }
    record.add(std::move(shown), why);
}

}  // namespace tembrel
