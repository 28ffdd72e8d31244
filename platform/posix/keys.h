// Keystrokes decoded from a terminal's bytes into Windows console codes.
#pragma once

namespace tembrel {

// Where the key decoder gets its bytes from: a terminal, or a script in tests.
class ByteSource {
public:
    static constexpr int noByte = -1;

    virtual ~ByteSource() = default;
    // The next byte (0-255); noByte when none arrived within waitMs
    // (waitMs < 0 waits as long as it takes) or the input has ended.
    virtual int next(int waitMs) = 0;
    // The terminal's erase character, which counts as Backspace.
    virtual int eraseChar() { return 127; }
    // Whether typed characters arrive as UTF-8.
    virtual bool utf8() { return false; }

    // A byte the decoder read past the key it returned, which cannot belong
    // to that key: the first byte of the next key.
    int heldBack = noByte;
};

// Reads one keystroke and returns the code a Windows console gives for it:
// Enter 13, Ctrl+J 10, Backspace 8, Ctrl+C 3, Esc 27. An escape sequence
// (arrow, function or Alt+key; 7-bit, and 8-bit where the terminal is not
// UTF-8) is consumed whole and returns 224; a lone Esc is told from one by a
// short wait, and a sequence's rest that comes after that wait is consumed
// with the Esc. The end of input counts as Esc.
int decodeKey(ByteSource& source);

}  // namespace tembrel
