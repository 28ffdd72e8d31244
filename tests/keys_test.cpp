// Keystrokes decoded from a terminal's bytes.

#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "platform/posix/keys.h"

namespace tembrel {
namespace {

constexpr int pause = -2000;  // in a script: a gap of 2 s; any number below 0 is a gap of that many ms

// Bytes as a terminal would deliver them, with gaps where the user paused.
class ScriptedBytes : public ByteSource {
public:
    ScriptedBytes(std::deque<int> script, int erase, bool utf8) : script_(std::move(script)), erase_(erase), utf8_(utf8) {}
    int next(int waitMs) override {
        while (!script_.empty() && script_.front() < 0) {
            if (waitMs >= 0 && (script_.front() += waitMs) < 0) return noByte;  // the wait ran out first
            script_.pop_front();
        }
        if (script_.empty()) return noByte;  // end of input
        const int byte = script_.front();
        script_.pop_front();
        return byte;
    }
    int eraseChar() override { return erase_; }
    bool utf8() override { return utf8_; }
    std::size_t left() const {
        std::size_t n = heldBack != noByte;  // held back for the next key
        for (int b : script_) n += b >= 0;
        return n;
    }

private:
    std::deque<int> script_;
    int erase_;
    bool utf8_;
};

struct KeyCase {
    const char* what;
    std::deque<int> bytes;
    int code;
    std::size_t left;  // bytes still unread afterwards
    int erase = 127;
    bool utf8 = false;
};

TEST(DecodeKey, Table) {
    const KeyCase cases[] = {
        {"digit", {'1'}, 49, 0},
        {"one key at a time", {'1', '2'}, 49, 1},
        {"Enter", {'\r'}, 13, 0},
        {"Ctrl+J", {'\n'}, 10, 0},
        {"Backspace as DEL", {127}, 8, 0},
        {"Backspace as Ctrl+H", {8}, 8, 0},
        {"the terminal's own erase character", {21}, 8, 0, 21},
        {"Ctrl+C is a key", {3}, 3, 0},
        {"lone Esc", {27, pause}, 27, 0},
        {"Esc, a pause, then more typing", {27, pause, '[', 'A'}, 27, 2},
        {"Esc at the end of input", {27}, 27, 0},
        {"end of input", {}, 27, 0},
        {"arrow up", {27, '[', 'A'}, 224, 0},
        {"arrow with a key typed after it", {27, '[', 'B', '1'}, 224, 1},
        {"F5", {27, '[', '1', '5', '~'}, 224, 0},
        {"Ctrl+Right", {27, '[', '1', ';', '5', 'C', 'x'}, 224, 1},
        {"F1 as SS3", {27, 'O', 'P'}, 224, 0},
        {"Alt+x", {27, 'x', '1'}, 224, 1},
        {"sequence cut short by the end of input", {27, '['}, 224, 0},
        {"a UTF-8 letter is one key", {0xC3, 0xBC, '1'}, 0xC3, 1, 127, true},
        {"a three-byte letter is one key", {0xE2, 0x82, 0xAC}, 0xE2, 0, 127, true},
        {"outside UTF-8 a byte is a key", {0xC3, 0xBC}, 0xC3, 1},
        {"40 ms", {27, -40, '[', 'A'}, 224, 0}, {"60 ms", {27, -60, '[', 'A'}, 224, 0},
        {"150 ms", {27, -150, 'O', 'P'}, 27, 0}, {"key 150 ms on", {27, -150, '1'}, 27, 1},
        {"final 150 ms on", {27, '[', '1', -150, '~'}, 224, 0}, {"Linux F1", {27, '[', '[', 'A', '1'}, 224, 1},
        {"xterm Shift+F1", {27, 'O', '2', 'P', '1'}, 224, 1}, {"rxvt F1", {27, '[', '1', '1', '~', '1'}, 224, 1},
        {"rxvt Shift+Insert", {27, '[', '2', '$', '1'}, 224, 1}, {"rxvt Ctrl+Insert", {27, '[', '2', '^', '1'}, 224, 1},
        {"rxvt Alt+Up", {27, 27, '[', 'A', '1'}, 224, 1}, {"intermediate", {27, '[', '1', ' ', 'q', '1'}, 224, 1},
        {"Esc, intermediate", {27, ' ', 'F', '1'}, 224, 1}, {"cut by another", {27, '[', '1', 27, '[', 'A'}, 224, 3},
        {"8-bit SS3", {0x8F, 'P', '1'}, 224, 1}, {"8-bit CSI", {0x9B, '1', ';', '5', 'C', '1'}, 224, 1},
        {"UTF-8 cut", {0xC3, '1'}, 0xC3, 1, 127, true}, {"UTF-8 0x9B", {0xC3, 0x9B, '1'}, 0xC3, 1, 127, true},
        {"U+009B", {0xC2, 0x9B, 'A', '1'}, 224, 1, 127, true},
    };
    for (const KeyCase& c : cases) {
        ScriptedBytes source(c.bytes, c.erase, c.utf8);
        EXPECT_EQ(decodeKey(source), c.code) << c.what;
        EXPECT_EQ(source.left(), c.left) << c.what;
    }
}

}  // namespace
}  // namespace tembrel
