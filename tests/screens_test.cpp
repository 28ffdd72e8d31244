// Every screen of both editions byte for byte, and what every edition's screens share.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/editions.h"
#include "platform/host.h"
#include "tests/fake_platform.h"

// The screens, byte for byte, against texts typed out in full here: one
// string per text, with every space written out.

namespace tembrel {
namespace {

const std::vector<std::string> englishMenu = {
    " \n",
    "-------------------------------------------------------------------------------\n",
    "                                                                               \n",
    "  Version: 1.002         Tavrin Koldemark, Elvor Quistrand         10/16/2009  \n",
    "-------------------------------------------------------------------------------\n",
    "                                                                               \n",
    "      1=LAUNCH TEMBREL                                                         \n",
    "        (If Tembrel is not installed, then this Program will install Tembrel;  \n",
    "         Install = copy Tembrel and QBasic to c:\\Tembrel)                     \n",
    "                                                                               \n",
    "      2=UNINSTALL TEMBREL                                                      \n",
    "        (Delete the directory c:\\Tembrel)                                     \n",
    "                                                                               \n",
    "      3=TERMINATE THE PROGRAM                                                  \n",
    "        (The Programm will be closed)                                          \n",
    "                                                                               \n",
    "-------------------------------------------------------------------------------\n",
    "ATTENTION!: To display the program Tembrel in a full-screen mode, you must     \n",
    "            press ALT and ENTER at the same time.                              \n",
    "            To see the program code in the programm, you should press CTRL and \n",
    "            ROLL at the same time, instead the usual CTRL und BREAK in Tembrel.\n",
    "-------------------------------------------------------------------------------\n",
    "                                                                               \n",
    " Please enter the number (1=Install; 2=Uninstall; 3=Exit) you want: ",
};
const std::vector<std::size_t> englishMenuWidths = {1,  79, 79, 79, 79, 79, 79, 79, 78, 79, 79, 78,
                                                    79, 79, 79, 79, 79, 79, 79, 79, 79, 79, 79, 68};

const std::vector<std::string> germanMenu = {
    "-------------------------------------------------------------------------------\n",
    "  Version: 1.002        Tavrin Koldemark, Elvor Quistrand          6.11.2009\n",
    "-------------------------------------------------------------------------------\n",
    "                                                                               \n",
    "      1=TEMBRELO STARTEN                                                       \n",
    "        (sollte Tembrelo noch nicht installiert sein wird es erst installiert  \n",
    "        ;Installieren = Tembrelo und QBasic nach c:\\Tembrelo kopieren)        \n",
    "                                                                               \n",
    "      2=DEINSTALLIEREN VON TEMBRELO                                            \n",
    "        (der Ordner c:\\Tembrelo wird gel\224scht)                             \n",
    "                                                                               \n",
    "      3=BEENDEN                                                                \n",
    "        (das Installationsprogramm wird beendet)                               \n",
    "                                                                               \n",
    "-------------------------------------------------------------------------------\n",
    "  ACHTUNG!: Um das Programm Tembrelo im Vollbildmodus anzeigen zu lassen, muss \n",
    "            man ALT und gleichzeitig ENTER dr\201cken.                         \n",
    "            Um im Programm den Programm-Kode einzusehen, muss STRG und gleich- \n",
    "            zeitig ROLLEN gedr\201ckt werden, statt wie angegeben \201blich STRG und\n",
    "            PAUSE.                                                             \n",
    "-------------------------------------------------------------------------------\n",
    "                                                                               \n",
    " Bitte die gew\201nschte Zahl (1=Installieren; 2=Deinstallieren; 3=Beenden)    \n",
    " eingeben: ",
};
const std::vector<std::size_t> germanMenuWidths = {79, 76, 79, 79, 79, 79, 78, 79, 79, 75, 79, 79,
                                                   79, 79, 79, 79, 76, 79, 78, 79, 79, 79, 76, 11};

std::size_t width(const std::string& line) { return line.size() - (line.back() == '\n' ? 1 : 0); }

struct MenuCase {
    const char* name;
    const Edition* edition;
    const std::vector<std::string>* rows;
    const std::vector<std::size_t>* widths;
};
void PrintTo(const MenuCase& c, std::ostream* os) { *os << c.name; }


class MenuTest : public ::testing::TestWithParam<MenuCase> {};

TEST_P(MenuTest, RowsAreExact) {
    const MenuCase& c = GetParam();
    const Screen menu = c.edition->menuScreen;
    ASSERT_EQ(menu.size(), c.rows->size());
    ASSERT_EQ(c.widths->size(), c.rows->size());
    for (std::size_t i = 0; i < menu.size(); ++i) {
        const std::string text = screenText(menu.subspan(i, 1));
        EXPECT_EQ(text, (*c.rows)[i]) << "row " << i + 1;
        EXPECT_EQ(width(text), (*c.widths)[i]) << "row " << i + 1;
    }
}

// What every edition's screens share, whatever their words.
class EditionScreens : public ::testing::TestWithParam<testing::EditionRow> {};

TEST_P(EditionScreens, FitTheConsoleAndEndAsTheFlowNeeds) {
    const Edition& e = *GetParam().edition;
    // The prompt ends with one space and no line feed: the key is read right after it.
    const std::string menu = screenText(e.menuScreen);
    EXPECT_EQ(menu.substr(menu.size() - 2), ": ");
    for (const Screen screen : {e.menuScreen, e.uninstallSuccessScreen, e.uninstallNotFoundScreen,
                                e.uninstallFailedScreen, e.invalidKeyScreen}) {
        const std::string all = screenText(screen);
        for (std::size_t start = 0, end; start < all.size(); start = end + 1) {
            end = std::min(all.find('\n', start), all.size());
            EXPECT_LE(end - start, 79u) << "a line wider than the console: " << all.substr(start, end - start);
        }
        if (screen.data() != e.menuScreen.data()) {
            EXPECT_EQ(all.back(), '\n') << "the next screen starts on a line of its own";
        }
    }
}

// The failure screen for every reason, with paths too long for a line and
// more of them than it shows, still fits the console's columns and rows.
TEST_P(EditionScreens, FailureScreensFitTheConsole) {
    for (std::size_t why = 0; why < whyCount; ++why) {
        Stayed stayed;
        for (int i = 0; i < 5; ++i) stayed.add("c:\\" + std::string(200, 'x'), static_cast<Why>(why));
        const std::string all = failureScreen(*GetParam().edition, stayed, why == 0);
        EXPECT_LE(std::count(all.begin(), all.end(), '\n'), 24) << all;
        for (std::size_t start = 0, end; start < all.size(); start = end + 1) {
            end = all.find('\n', start);
            EXPECT_EQ(end - start <= 79, true) << all.substr(start, end - start);
        }
    }
}

// A wrong row of tests/editions.h fails here at once, naming the field.
TEST_P(EditionScreens, TheTestsRowMatchesTheEdition) { EXPECT_EQ(testing::rowFault(GetParam()), ""); }

INSTANTIATE_TEST_SUITE_P(Editions, EditionScreens, ::testing::ValuesIn(testing::editionRows),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Editions, MenuTest,
                         ::testing::Values(MenuCase{"English", &englishEdition, &englishMenu, &englishMenuWidths},
                                           MenuCase{"German", &germanEdition, &germanMenu, &germanMenuWidths}),
                         [](const auto& info) { return std::string(info.param.name); });

// The failure screen names what stayed, cut to fit, and advises for each
// reason once; with no reason known it is the screen it always was.
TEST(FailureScreen, NamesWhatStayedAndAdvisesForEachReason) {
    Stayed inUse, ship;
    inUse.add("c:\\.Tembrel.partial-9\\" + std::string(60, 'D') + "\\SLOT1.SAV", Why::InUse);
    inUse.add("c:\\.Tembrel.partial-9\\B.DAT", Why::Other);
    inUse.add("c:\\.Tembrel.partial-9\\C.DAT", Why::InUse);
    inUse.add("c:\\.Tembrel.partial-9\\D.DAT", Why::InUse);
    ship.add("c:\\Tembrelo", Why::ShipFolder);
    const std::string englishHead = " \n--------\n ERROR! \n--------\n \n";
    const std::string germanHead = " \n---------\n FEHLER! \n---------\n \n";
    const std::string englishNotAll = screenText(englishEdition.uninstallFailedScreen.subspan(5, 3));
    const std::string englishAdvice = screenText(englishEdition.uninstallFailedScreen.subspan(8, 2));
    EXPECT_EQ(failureScreen(englishEdition, inUse, false),
              englishHead + englishNotAll + "What stayed, and why:\n"
              "  c:\\.Tembrel.partial-9\\...DDDDDDDDDDDDDD\\SLOT1.SAV - in use by another program\n"
              "  c:\\.Tembrel.partial-9\\B.DAT - could not be deleted\n"
              "  c:\\.Tembrel.partial-9\\C.DAT - in use by another program\n"
              "  and 1 more\n" + englishAdvice + "To exit the program, press any key\n");
    EXPECT_EQ(failureScreen(germanEdition, ship, true),
              germanHead + "Das Programm konnte den Ordner c:\\Tembrelo nicht entfernen; es wurde nichts\ngel\224scht.\n"
              "Was blieb, und warum:\n"
              "  c:\\Tembrelo - enth\204lt die Dateien dieses Programms, ihre einzige Kopie\n"
              "Dieses Programm l\224scht nie seine einzige Kopie: Starten Sie es aus einer\n"
              "Kopie seines Ordners au\341erhalb von c:\\Tembrelo, nicht direkt in c:\\,\n"
              "und w\204hlen Sie dort 2.\n"
              "Um das Programm zu beenden dr\201cken Sie eine beliebige Taste.\n");
    for (const Edition* e : {&englishEdition, &germanEdition})
        EXPECT_EQ(failureScreen(*e, {}, false), screenText(e->uninstallFailedScreen));
}

// The record keeps each path as the console shows it: code page 850, and
// '?' for what has no place there or could move the cursor.
TEST(FailureScreen, TheRecordKeepsPathsAsTheConsoleShowsThem) {
    Host::noteStayed(std::string_view("c:\\Spielst\xc3\xa4nde\\\x1b[2J\xff\xe2\x80\xae.txt"), Why::Denied);
    Host::noteStayed(std::wstring_view(L"c:\\\u00fc\U0001F600\u4e2d"), Why::InUse);
    Stayed expected;
    expected.add("c:\\Spielst\204nde\\?[2J??.txt", Why::Denied);
    expected.add("c:\\\201??", Why::InUse);
    const Stayed noted = Host::takeNoted();
    EXPECT_EQ(noted.first, expected.first);
    EXPECT_EQ(noted.whys, expected.whys);
}

struct Row {
    std::string text;
    std::size_t bytes;
};

struct ScreenCase {
    const char* name;
    Screen screen;
    std::vector<Row> rows;
};
void PrintTo(const ScreenCase& c, std::ostream* os) { *os << c.name; }


class ScreenTest : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(ScreenTest, TextsAreExact) {
    const ScreenCase& c = GetParam();
    ASSERT_EQ(c.screen.size(), c.rows.size());
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
        const std::string text = screenText(c.screen.subspan(i, 1));
        EXPECT_EQ(text, c.rows[i].text) << "text " << i + 1;
        EXPECT_EQ(text.size(), c.rows[i].bytes) << "text " << i + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Screens, ScreenTest,
    ::testing::Values(
        ScreenCase{"EnglishUninstallSuccess",
                   englishEdition.uninstallSuccessScreen,
                   {{" \n", 2},
                    {"----------------------\n", 23},
                    {" UNINSTALL SUCCESSFUL \n", 23},
                    {"----------------------\n", 23},
                    {" \n", 2},
                    {"To exit the program, press any key. \n", 37}}},
        ScreenCase{"EnglishUninstallNotFound",
                   englishEdition.uninstallNotFoundScreen,
                   {{" \n", 2},
                    {"--------\n", 9},
                    {" ERROR! \n", 9},
                    {"--------\n", 9},
                    {" \n", 2},
                    {"The program could not uninstall Tembrel, because the folder was not", 67},
                    {" found\nin c:\\. To exit the program, press any key\n", 50}}},
        ScreenCase{"EnglishUninstallFailed",
                   englishEdition.uninstallFailedScreen,
                   {{" \n", 2},
                    {"--------\n", 9},
                    {" ERROR! \n", 9},
                    {"--------\n", 9},
                    {" \n", 2},
                    {"The program could not remove the folder c:\\Tembrel completely: a file in it\n", 76},
                    {"is in use or protected, or it holds a link, a mount or this program's own\n", 74},
                    {"files, which are left alone.\n", 29},
                    {"Close every program that uses files in c:\\Tembrel, Tembrel itself too,\n", 71},
                    {"then start this program again and choose 2.\n", 44},
                    {"To exit the program, press any key\n", 35}}},
        ScreenCase{"EnglishInvalidKey",
                   englishEdition.invalidKeyScreen,
                   {{"\n\nTHIS PROGRAM IS NOT LIKELY TO HACKING !!!\n\n", 45},
                    {"To exit the program, press any key.\n\n", 37}}},
        ScreenCase{"EnglishPayloadMissing",
                   englishEdition.payloadMissingScreen,
                   {{"\nNo Tembrel folder where this program was started, so nothing is installed.\n", 76}}},
        ScreenCase{"GermanUninstallSuccess",
                   germanEdition.uninstallSuccessScreen,
                   {{" \n", 2},
                    {"----------------------------\n", 29},
                    {" DEINSTALLATION ERFOLGREICH \n", 29},
                    {"----------------------------\n", 29},
                    {" \n", 2},
                    {"Um das Programm zu beenden dr\201cken Sie eine beliebige Taste. \n", 62}}},
        ScreenCase{"GermanUninstallNotFound",
                   germanEdition.uninstallNotFoundScreen,
                   {{" \n", 2},
                    {"---------\n", 10},
                    {" FEHLER! \n", 10},
                    {"---------\n", 10},
                    {" \n", 2},
                    {"Das Programm konnte Tembrelo nicht deinstallieren, da der Ordner\n", 65},
                    {"Tembrelo in c:\\ nicht gefunden wurde. Um das Programm zu beenden\n", 65},
                    {"dr\201cken Sie eine beliebige Taste.\n", 34}}},
        ScreenCase{"GermanUninstallFailed",
                   germanEdition.uninstallFailedScreen,
                   {{" \n", 2},
                    {"---------\n", 10},
                    {" FEHLER! \n", 10},
                    {"---------\n", 10},
                    {" \n", 2},
                    {"Das Programm konnte den Ordner c:\\Tembrelo nicht vollst\204ndig entfernen:\n", 72},
                    {"Eine Datei darin ist in Gebrauch oder gesch\201tzt, oder er enth\204lt einen\n", 71},
                    {"symbolischen Link oder Verbindungspunkt, ein eingeh\204ngtes Laufwerk oder\n", 72},
                    {"die Dateien dieses Programms, die unber\201hrt bleiben.\n", 53},
                    {"Schlie\341en Sie alle Programme, die Dateien in c:\\Tembrelo benutzen, auch\n", 72},
                    {"Tembrelo selbst; starten Sie dann dieses Programm neu und w\204hlen Sie 2.\n", 72},
                    {"Um das Programm zu beenden dr\201cken Sie eine beliebige Taste.\n", 61}}},
        ScreenCase{"GermanInvalidKey",
                   germanEdition.invalidKeyScreen,
                   {{"\n\nDIESES PROGRAMM IST NICHT ZUM HACKEN GEEIGNET !!!\n\n", 53},
                    {"Zum Beenden eine beliebige Taste dr\201cken.\n\n", 43}}},
        ScreenCase{"GermanPayloadMissing",
                   germanEdition.payloadMissingScreen,
                   {{"\nIm Programmordner fehlt der Ordner Tembrelo, darum wird nichts installiert.\n", 77}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel
