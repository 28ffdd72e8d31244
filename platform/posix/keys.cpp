// Keystrokes decoded from a terminal's bytes into Windows console codes.

#include "platform/posix/keys.h"

namespace tembrel {

namespace {

constexpr int esc = 27;
constexpr int backspace = 8;
constexpr int extendedKey = 224;
constexpr int csi8 = 0x9B;  // CSI as one byte, where the terminal is not UTF-8
constexpr int ss38 = 0x8F;  // SS3 likewise
// A control sequence longer than this is not one a terminal sends for a key.
constexpr int longestSequence = 32;

// The waits, in milliseconds. A terminal writes a key's sequence in one go,
// so on a local terminal it arrives in one read; only a slow or jittery link
// (ssh over a busy network, a serial line) delivers it in pieces. Programs
// that read keys weigh the same trade: ncurses waits 1000 ms after Esc
// (ESCDELAY), tmux 500 ms (escape-time; 10 ms since its version 3.5), vim
// 100 ms (ttimeoutlen in its defaults), and linenoise waits for the rest
// without a limit, so that Esc alone does nothing until the next key.
//
// Esc ends the menu, and a long wait after it would be felt: after 100 ms, as
// in vim, Esc counts as alone. That is about the longest delay a person still
// takes for "at once", and longer than local terminals and most links ever
// split a sequence by.
constexpr int escWaitMs = 100;
// Esc alone ends the program, and the shell reads the terminal next: the rest
// of an arrow's sequence that a slow link delivers after the Esc's wait would
// land on its command line. So a sequence's rest ("[" or "O" and what
// follows) that arrives within this much longer is read and dropped with the
// Esc. A lone Esc so ends the program after 200 ms, still within the time a
// person takes to react to anything on the screen.
constexpr int lateRestMs = 100;
// Between the bytes of a sequence once it has begun. No lone Esc waits on it,
// so it can be longer; yet bounded, since Alt+[ and Alt+O (Esc and "[" or
// "O") begin a sequence too and must end.
constexpr int sequenceGapMs = 200;

bool parameterByte(int c) { return c >= 0x30 && c <= 0x3F; }
bool intermediateByte(int c) { return c >= 0x20 && c <= 0x2F; }
bool finalByte(int c) { return c >= 0x40 && c <= 0x7E; }

// The rest of a control sequence after its introducer, CSI (Esc "[", or
// 0x9B) or SS3 (Esc "O", or 0x8F): parameter bytes, intermediate bytes and a
// final byte; xterm sends parameters after SS3 too (Esc O 2 P, Shift+F1).
// Two forms end otherwise: the Linux console's F1 to F5, CSI "[" and a
// letter, and rxvt's shifted keys, which end in "$" (Esc [ 2 $, Shift+Insert;
// no key follows "$" with a final byte). A byte that belongs to no sequence
// ends it and is held back for the next key.
void readControlSequence(ByteSource& source, bool csi) {
    int c = source.next(sequenceGapMs);
    if (csi && c == '[') c = source.next(sequenceGapMs);
    for (int length = 0; c != ByteSource::noByte && length < longestSequence; ++length) {
        if (finalByte(c) || c == '$') return;
        if (!parameterByte(c) && !intermediateByte(c)) {
            source.heldBack = c;
            return;
        }
        c = source.next(sequenceGapMs);
    }
}

// What follows Esc: nothing (Esc alone), a control sequence, an escape
// sequence (intermediate bytes and a final byte 0x30-0x7E), or one more key:
// Alt with that key. Alt with a key that sends a sequence itself (rxvt's
// Alt+Up, Esc Esc [ A) is one key too.
int readAfterEsc(ByteSource& source, bool alt) {
    int c = source.next(escWaitMs);
    if (c == ByteSource::noByte) {
        if (alt) return extendedKey;
        c = source.next(lateRestMs);
        if (c == '[' || c == 'O') {
            readControlSequence(source, c == '[');
        } else {
            source.heldBack = c;
        }
        return esc;
    }
    if (c == '[' || c == 'O') {
        readControlSequence(source, c == '[');
    } else if (c == esc && !alt) {
        return readAfterEsc(source, true);
    } else if (intermediateByte(c)) {
        for (int length = 0; intermediateByte(c) && length < longestSequence; ++length) c = source.next(sequenceGapMs);
        if (c < 0x30 || c > 0x7E) source.heldBack = c;
    }
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
    int first = source.heldBack;
    source.heldBack = ByteSource::noByte;
    if (first == ByteSource::noByte) first = source.next(-1);
    if (first == ByteSource::noByte) return esc;
    if (first == esc) return readAfterEsc(source, false);
    if (first == 127 || first == source.eraseChar()) return backspace;
    if (first < 0x80) return first;
    if (!source.utf8()) {
        // Latin-1 and its kind have the C1 controls at 0x80-0x9F.
        if (first != csi8 && first != ss38) return first;
        readControlSequence(source, first == csi8);
        return extendedKey;
    }
    // One character typed on a UTF-8 terminal is one keystroke: take the
    // rest of it so that it is not read as a later key. There, 0x9B and 0x8F
    // are parts of characters; CSI and SS3 come as U+009B and U+008F.
    int last = first;
    for (int i = continuationBytes(first); i > 0; --i) {
        const int c = source.next(sequenceGapMs);
        if (c < 0x80 || c > 0xBF) {
            source.heldBack = c;
            break;
        }
        last = c;
    }
    if (first != 0xC2 || (last != csi8 && last != ss38)) return first;
    readControlSequence(source, last == csi8);
    return extendedKey;
}

}  // namespace tembrel
