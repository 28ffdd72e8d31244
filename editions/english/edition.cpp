// The English edition's data: folder names, screens, the interpreter's texts and --help.

#include "editions/english/english.h"

namespace tembrel {

namespace {

// Menu rows: {text, indent, trailing spaces, line feed}.
constexpr Text menu[] = {
    SpaceLine,
    RuleLine,
    BlankLine,
    {"Version: 1.002         Tavrin Koldemark, Elvor Quistrand         10/16/2009", 2, 2, true},
    RuleLine,
    BlankLine,
    {"1=LAUNCH TEMBREL", 6, 57, true},
    {"(If Tembrel is not installed, then this Program will install Tembrel;", 8, 2, true},
    {"Install = copy Tembrel and QBasic to c:\\Tembrel)", 9, 21, true},
    BlankLine,
    {"2=UNINSTALL TEMBREL", 6, 54, true},
    {"(Delete the directory c:\\Tembrel)", 8, 37, true},
    BlankLine,
    {"3=TERMINATE THE PROGRAM", 6, 50, true},
    {"(The Programm will be closed)", 8, 42, true},
    BlankLine,
    RuleLine,
    {"ATTENTION!: To display the program Tembrel in a full-screen mode, you must", 0, 5, true},
    {"press ALT and ENTER at the same time.", 12, 30, true},
    {"To see the program code in the programm, you should press CTRL and", 12, 1, true},
    {"ROLL at the same time, instead the usual CTRL und BREAK in Tembrel.", 12, 0, true},
    RuleLine,
    BlankLine,
    {"Please enter the number (1=Install; 2=Uninstall; 3=Exit) you want:", 1, 1, false},
};

constexpr Text uninstallSuccess[] = {
    SpaceLine,
    {"----------------------\n"},
    {" UNINSTALL SUCCESSFUL \n"},
    {"----------------------\n"},
    SpaceLine,
    {"To exit the program, press any key. \n"},
};

constexpr Text uninstallNotFound[] = {
    SpaceLine,
    {"--------\n"},
    {" ERROR! \n"},
    {"--------\n"},
    SpaceLine,
    {"The program could not uninstall Tembrel, because the folder was not"},
    {" found\nin c:\\. To exit the program, press any key\n"},
};

constexpr Text uninstallFailed[] = {
    SpaceLine,
    {"--------\n"},
    {" ERROR! \n"},
    {"--------\n"},
    SpaceLine,
    {"The program could not remove the folder c:\\Tembrel completely: a file in it\n"},
    {"is in use or protected, or it holds a link, a mount or this program's own\n"},
    {"files, which are left alone.\n"},
    {"Close every program that uses files in c:\\Tembrel, Tembrel itself too,\n"},
    {"then start this program again and choose 2.\n"},
    {"To exit the program, press any key\n"},
};

// The failure screen's parts: the fixed texts above, and the ones that name
// what stayed and say what to do about it.
constexpr Screen failed = uninstallFailed;

constexpr Text nothingDeleted[] = {
    {"The program could not remove the folder c:\\Tembrel: nothing was deleted.\n"},
};

constexpr Text folderInUseAdvice[] = {
    {"Close every program that works in c:\\Tembrel or has a file there open, a\n"},
    {"prompt or folder window too; then start this program again and choose 2.\n"},
};

constexpr Text deniedAdvice[] = {
    {"Where access is denied, your account may not delete the file, or a program\n"},
    {"started from it still runs: close it, or ask an administrator to delete it.\n"},
};

constexpr Text linkAdvice[] = {
    {"A link or mount only leads to another place, which is never deleted: remove\n"},
    {"or unmount it yourself, then start this program again and choose 2.\n"},
};

constexpr Text shipFolderAdvice[] = {
    {"This program never deletes the only copy of itself: start it from a copy of\n"},
    {"its folder outside c:\\Tembrel, not in c:\\ itself, and choose 2 there.\n"},
};

constexpr Text notInstalled[] = {
    {"Nothing was installed. Press any key to start Tembrel all the same.\n"},
};

constexpr Text payloadMissing[] = {
    {"\nNo Tembrel folder where this program was started, so nothing is installed.\n"},
};

constexpr Text invalidKey[] = {
    {"\n\nTHIS PROGRAM IS NOT LIKELY TO HACKING !!!\n\n"},
    {"To exit the program, press any key.\n\n"},
};

}  // namespace

const Edition englishEdition{
    .folderName = "Tembrel",
    .folderNameUpper = "TEMBREL",
    .menuScreen = menu,
    .uninstallSuccessScreen = uninstallSuccess,
    .uninstallNotFoundScreen = uninstallNotFound,
    .uninstallFailedScreen = uninstallFailed,
    .failure = {
        .heading = failed.first(5),
        .notAll = failed.subspan(5, 3),
        .nothingDeleted = nothingDeleted,
        .stayedHeading = "What stayed, and why:\n",
        .more = "  and {} more\n",
        .why = {"in use by another program", "a program works in it or has a file of it open", "access denied",
                "a link or mount, left alone", "holds this program's own files, the only copy",
                "could not be deleted"},
        .advice = {failed.subspan(8, 2), folderInUseAdvice, deniedAdvice, linkAdvice, shipFolderAdvice,
                   failed.subspan(8, 2)},
        .end = failed.last(1),
    },
    .invalidKeyScreen = invalidKey,
    .payloadMissingScreen = payloadMissing,
    .notInstalledScreen = notInstalled,
    .commandTexts = {
        .filesCopied = "{} File(s) copied\n",
        .notRecognized = "'{}' is not recognized as an internal or external command,\noperable program or batch file.\n",
        .pressAnyKey = "Press any key to continue . . . ",
        .fileNotFound = "File not found - {}\n",
        .couldNotFind = "Could Not Find {}\n",
        .cannotCreateFolder = "Unable to create directory - {}: {}\n",
        .cannotCopyFile = "File creation error - {}: {}\n",
        .cannotReadFile = "Cannot read source file - {}: {}\n",
        .fileInTheWay = "Cannot copy into {}: a file of that name is in the way\n",
        .skipped = "Skipped {}: {}\n",
        .cannotRemove = "{} - {}\n",
        .pathTooLong = "The path is too long for Windows: {}\n",
        .syntaxError = "The syntax of the command is incorrect.\n",
        .folderNotFound = "The system cannot find the file specified.\n",
        .notAFolder = "The directory name is invalid.\n",
        .cannotStart = "Cannot run {}: {}\n",
        .outOfMemory = "Insufficient memory\n",
        .linkNotFollowed = "it is a link, and links are not followed",
        .copiedAlready = "that folder is copied already",
        .readIncomplete = "the folder could not be read to its end",
        .mountLeftAlone = "another file system is mounted here; it is left alone",
        .shipFolderLeftAlone = "this is the folder this program runs from; it is left alone",
        .linkNotRemovable = "a link that cannot be removed; nothing is deleted through it",
        .wineMissing = "it is a Windows program and wine is not installed",
        .notAFileOrFolder = "it is a device, FIFO or socket, which is not copied",
        .interpreterMissing = "the interpreter its #! line names is not there",
        .interpreterLineCr = "its #! line ends in a carriage return (a Windows line end)",
    },
    .notAFolderAtInstallPath = "Tembrel is not installed: something other than a folder stands at {}; it is left alone.\n",
    .programName = "TembrelLaunch",
    .usage = "Usage: TembrelLaunch [--help | --version]\n"
             "\n"
             "Installs, starts and uninstalls Tembrel. Start it in the folder that holds\n"
             "the Tembrel folder and dosboxportable.exe; it shows a menu and takes one key:\n"
             "  1, Enter, Ctrl+J  start Tembrel; the first time, copy the Tembrel folder to\n"
             "                    C:\\Tembrel\n"
             "  2, Backspace      uninstall: delete C:\\Tembrel, saved games included\n"
             "  3, Esc            leave\n"
             "\n"
             "Drive C is Wine's: {}\n",
    .noDriveC = "There is no drive C, as Wine would not start: \"{}\"\n",
    .badOption = "{}: unrecognized option '{}'\nTry '{} --help' for more information.\n",
};

}  // namespace tembrel
