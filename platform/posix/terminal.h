// The terminal on the POSIX platform: raw mode for key reads, and whole writes.
#pragma once

#include <string_view>

namespace tembrel {

// Waits until the descriptor is ready for `events` (poll's); false when
// `waitMs` passed first (waitMs < 0 waits as long as it takes).
bool waitUntilReady(int fd, short events, int waitMs);
// Writes the whole text, also to an output left non-blocking; false (errno
// set) when it could not.
bool writeAll(int fd, std::string_view text);

// Puts the terminal on standard input in raw mode for a key read: no echo, no
// line editing, no signal keys. The first call saves the terminal's settings
// and sees to it that they come back at exit, while the program is stopped,
// and when a signal ends it; raw mode comes back on resume.
void enterRawMode();
// Puts the saved settings back after a read.
void restoreTerminal();
// Drops keys typed on the terminal and not read.
void discardUnreadKeys();
// The terminal's erase character, saved with its settings.
int terminalEraseChar();

}  // namespace tembrel
