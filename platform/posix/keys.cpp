// Keystrokes decoded from a terminal's bytes into Windows console codes.

#include "platform/posix/keys.h"

namespace tembrel {

namespace {

constexpr int esc = 27;
constexpr int backspace = 8;
constexpr int extendedKey = 224;
// A control sequence longer than this is not one a terminal sends for a key.
constexpr int longestSequence = 32;

int readEscapeSequence(ByteSource& source) {
    const int second = source.next(ByteSource::sequenceWaitMs);
    if (second == ByteSource::noByte) return esc;
    if (second == '[') {
        // CSI: parameter and intermediate bytes, then a final byte 0x40-0x7E.
        for (int i = 0; i < longestSequence; ++i) {
            const int c = source.next(ByteSource::sequenceWaitMs);
            if (c == ByteSource::noByte || (c >= 0x40 && c <= 0x7E)) break;
        }
    } else if (second == 'O') {
        source.next(ByteSource::sequenceWaitMs);  // SS3 and its one byte
    }
    // Otherwise Esc and one byte: Alt with a key.
    return extendedKey;
}

int continuationBytes(int lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 1;
    if (lead >= 0xE0 && lead <= 0xEF) return 2;
    if (lead >= 0xF0 && lead <= 0xF4) return 3;
    return 0;
}

}  // namespace

int decodeKey(ByteSource& source) {
    const int first = source.next(-1);
    if (first == ByteSource::noByte) return esc;
    if (first == esc) return readEscapeSequence(source);
    if (first == 127 || first == source.eraseChar()) return backspace;
    if (first >= 0x80 && source.utf8()) {
        // One character typed on a UTF-8 terminal is one keystroke: take the
        // rest of it so that it is not read as a later key.
        for (int i = continuationBytes(first); i > 0; --i) {
            if (source.next(ByteSource::sequenceWaitMs) == ByteSource::noByte) break;
        }
    }
    return first;
}

}  // namespace tembrel
