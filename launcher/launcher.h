// The launcher: the key table, screens, the flow, the actions and the programs' entry.
#pragma once

#include <string>

#include "launcher/edition.h"
#include "platform/platform.h"

namespace tembrel {

enum class MenuChoice { Launch, Uninstall, Exit, Invalid };

// Maps a console key code to the menu choice it stands for.
MenuChoice choiceForKey(int code);

// The bytes of one text: indent, body, trailing spaces, line feed.
std::string textBytes(const Text& text);

// Writes each text of the screen in order, each as one write.
void writeScreen(Platform& platform, Screen screen);

// The whole life of a program: menu, one key, one branch. Returns the exit
// status, which is always 0.
int runLauncher(const Edition& edition, Platform& platform);

// A program's entry: what the platform makes of the command line, then the
// launcher (program.cpp). Returns the exit status.
int programMain(const Edition& edition, int argc, char** argv);

// Installs the payload on drive C the first time, then starts the emulator.
void launch(const Edition& edition, Platform& platform);

// Removes the install folder from drive C and reports the outcome.
void uninstall(const Edition& edition, Platform& platform);

// The failure screen's bytes: what happened (some of the install could not
// be deleted, or nothing was), the first paths that stayed with why, as
// many as fit, and the advice for each reason met; the screen's own advice
// where no reason is known.
std::string failureScreen(const Edition& edition, const Stayed& stayed, bool nothingDeleted);

// The path cut to `room` columns: its start and its end, "..." between.
std::string shortened(std::string_view path, std::size_t room);

}  // namespace tembrel
