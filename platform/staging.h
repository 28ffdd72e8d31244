// A first copy built in a staging folder beside its destination and renamed
// into place whole, and the staging folders that stopped runs left behind.
#pragma once

#include <string>
#include <string_view>

#include "platform/host.h"

namespace tembrel {

// The staging folder's name for a copy into a folder named `destName`, made
// by the run `run`; `attempt` tells apart names taken already:
// ".Tembrel.partial-4711", ".Tembrel.partial-4711-2". The leading dot hides
// it on POSIX systems; the Windows host marks it hidden.
std::string stagingName(std::string_view destName, unsigned long run, int attempt);

// True when `name` is a staging folder of a copy into `destName` (letter case
// ignored, as on drive C): one of stagingName's names, and nothing else.
bool isStagingName(std::string_view name, std::string_view destName);

// xcopy into `dest`. When nothing stands at `dest`, the copy goes into a
// staging folder beside it, and only a complete copy is renamed to `dest`: a
// copy that fails or is stopped leaves nothing at `dest`. When `dest`
// appeared meanwhile (another run's copy), this run's staging folder goes and
// the copy counts as done. Onto an existing folder the copy merges, as always.
bool stagedCopy(std::string_view source, std::string_view dest, bool listed, Host& host);

// Removes the staging folders of copies into `dest`, and the folders that
// uninstalls of `dest` set aside, that no running program holds any more (a
// power cut, a kill, a file that could not be deleted), with the confined
// delete.
Leftovers removeStagingLeftovers(std::string_view dest, Host& host);

// Moves `folder` aside to a staging name beside it (stagingName), which no
// launch takes for an install and the leftover sweep removes. Returns that
// name, or an empty one when the folder could not be moved.
std::string setAside(std::string_view folder, Host& host);

}  // namespace tembrel
