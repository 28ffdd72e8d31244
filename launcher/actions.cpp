// The launch and uninstall actions: the platform calls and command lines of each.

#include <string>

#include "launcher/launcher.h"

namespace tembrel {

namespace {

std::string installPath(const Edition& edition) {
    return "c:\\" + std::string(edition.folderName);
}

// A link at the install path goes first, as a link: a delete command given
// that path would work on what the link points to. The link is the install
// itself, so when it is gone there is nothing left to delete. Links inside
// the folder are the delete commands' to remove, each as a link. False when
// no delete command may run.
bool readyToDelete(Platform& platform, const std::string& installFolder) {
    return platform.removeLink(installFolder) && platform.isDirectory(installFolder);
}

// The install folder is first moved aside in one step, so that the install
// path holds the whole install or nothing, however the delete ends (a stop,
// a file that cannot go): no launch ever starts on part of an install. The
// deletes then name the moved folder; its leftovers go at the next start.
// The file delete names the folder's contents by full path, so no
// interpreter can apply it to same-named files elsewhere on drive C.
// Empty when the folder could not be moved: nothing is deleted.
std::string runDeletes(Platform& platform, const std::string& installFolder) {
    const std::string aside = platform.setAside(installFolder);
    if (aside.empty()) return aside;
    platform.run("del " + aside + "\\*.* /s /q");
    platform.run("rd " + aside + " /s /q");
    return aside;
}

}  // namespace

void launch(const Edition& edition, Platform& platform) {
    const std::string folder(edition.folderName);
    const std::string installFolder = installPath(edition);
    platform.removeStoppedCopies(installFolder);
    // Anything else standing at the install path (a file, a link that leads
    // nowhere) is the user's, not an install: it is left alone, nothing is
    // copied onto it, and the user is told why nothing was installed.
    const bool installed = platform.isDirectory(installFolder);
    bool failed = !installed;
    if (!installed && platform.exists(installFolder)) {
        platform.write(fillIn(edition.notAFolderAtInstallPath, {installFolder}));
    } else if (!installed) {
        // Copy only from inside the payload folder: copying from anywhere else
        // would install the wrong files, and the install would then count as done.
        if (platform.changeDirectory(folder)) {
            // The copy is built beside the install folder and takes its name
            // only when complete: one that could not copy everything leaves
            // nothing there, and the next launch copies anew. Its messages
            // stay on the console. Whatever stands at the install path after
            // a failed copy is not this run's (another launch's install, say),
            // so nothing is deleted here.
            failed = !platform.run("xcopy *.* C:\\" + folder + " /e /h /i");
            platform.changeDirectory("..");
        } else {
            writeScreen(platform, edition.payloadMissingScreen);
        }
    }
    // The emulator would cover why nothing was installed: it starts once
    // the user has read it and pressed a key.
    if (failed) {
        writeScreen(platform, edition.notInstalledScreen);
        platform.run("pause>nul");
    }
    platform.run("dosboxportable.exe");
}

void uninstall(const Edition& edition, Platform& platform) {
    const std::string installFolder = installPath(edition);
    const Leftovers leftovers = platform.removeStoppedCopies(installFolder);
    if (!platform.isDirectory(installFolder)) {
        // A link there that leads nowhere goes, and only the link: removed,
        // it was the whole uninstall. So was the removal of what an earlier
        // uninstall set aside and could not delete (a file in use then); one
        // that still stays is a failure, no "nothing to uninstall".
        const bool linkRemoved = platform.exists(installFolder) && platform.removeLink(installFolder) &&
                                 !platform.exists(installFolder);
        platform.run("cls");
        if (leftovers == Leftovers::Stay) {
            platform.write(failureScreen(edition, platform.takeStayed(), false));
        } else {
            const bool removed = linkRemoved || leftovers == Leftovers::Removed;
            writeScreen(platform, removed ? edition.uninstallSuccessScreen : edition.uninstallNotFoundScreen);
        }
        platform.run("pause>nul");
        return;
    }
    // An install folder that is the payload, or holds the program's own
    // folder, is the only copy of what would be deleted: it stays.
    const std::string folder(edition.folderName);
    const bool ownCopy = platform.encloses(installFolder, folder) || platform.encloses(installFolder, ".");
    const bool ready = !ownCopy && readyToDelete(platform, installFolder);
    std::string aside;
    if (ready) {
        platform.changeDirectory("c:\\");
        aside = runDeletes(platform, installFolder);
        // Still sent, as the launcher always has; no interpreter since
        // Windows NT knows DELTREE, so it runs nothing.
        if (!aside.empty()) platform.run("DELTREE /Y C:\\" + std::string(edition.folderNameUpper));
    }
    platform.run("cls");
    // Report success only when the install is really gone: once moved
    // aside, when the folder it was moved to is; what stands at the install
    // path then is another launcher's new install, not this one's to judge.
    const bool removed = aside.empty() ? !platform.isDirectory(installFolder) : !platform.exists(aside);
    if (removed) {
        writeScreen(platform, edition.uninstallSuccessScreen);
    } else {
        // The screen names what stayed: what the deletes and the move aside
        // left, and the install folder itself where no delete ran on it.
        Stayed stayed = platform.takeStayed();
        if (ownCopy) stayed.add(installFolder, Why::ShipFolder);
        if (!ownCopy && !ready) stayed.add(installFolder, Why::Link);
        platform.write(failureScreen(edition, stayed, aside.empty()));
    }
    platform.run("pause>nul");
}

}  // namespace tembrel
