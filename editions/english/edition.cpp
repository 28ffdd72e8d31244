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
    {"The program could not remove the folder c:\\Tembrel completely.\n"},
    {"To exit the program, press any key\n"},
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
    .invalidKeyScreen = invalidKey,
};

}  // namespace tembrel
