// A program's entry: the platform of the machine it was built for, then the
// launcher on it.

#include "launcher/launcher.h"
#include "launcher/version.h"

namespace tembrel {

int programMain(const Edition& edition, int argc, char** argv) {
    const ProgramInfo program{edition.programName, launcherVersion, edition.usage, edition.noDriveC,
                              edition.badOption};
    return platformMain(program, edition.commandTexts, argc, argv,
                        [&edition](Platform& platform) { return runLauncher(edition, platform); });
}

}  // namespace tembrel
