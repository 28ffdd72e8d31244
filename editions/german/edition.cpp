// The German edition's data: folder names, screens, the interpreter's texts and --help.

#include "editions/german/german.h"

// The texts are in the console's OEM code page: \201 is u-umlaut (0x81),
// \224 is o-umlaut (0x94), \204 is a-umlaut (0x84).

namespace tembrel {

namespace {

// Menu rows: {text, indent, trailing spaces, line feed}.
constexpr Text menu[] = {
    RuleLine,
    {"Version: 1.002        Tavrin Koldemark, Elvor Quistrand          6.11.2009", 2, 0, true},
    RuleLine,
    BlankLine,
    {"1=TEMBRELO STARTEN", 6, 55, true},
    {"(sollte Tembrelo noch nicht installiert sein wird es erst installiert", 8, 2, true},
    {";Installieren = Tembrelo und QBasic nach c:\\Tembrelo kopieren)", 8, 8, true},
    BlankLine,
    {"2=DEINSTALLIEREN VON TEMBRELO", 6, 44, true},
    {"(der Ordner c:\\Tembrelo wird gel\224scht)", 8, 29, true},
    BlankLine,
    {"3=BEENDEN", 6, 64, true},
    {"(das Installationsprogramm wird beendet)", 8, 31, true},
    BlankLine,
    RuleLine,
    {"ACHTUNG!: Um das Programm Tembrelo im Vollbildmodus anzeigen zu lassen, muss", 2, 1, true},
    {"man ALT und gleichzeitig ENTER dr\201cken.", 12, 25, true},
    {"Um im Programm den Programm-Kode einzusehen, muss STRG und gleich-", 12, 1, true},
    {"zeitig ROLLEN gedr\201ckt werden, statt wie angegeben \201blich STRG und", 12, 0, true},
    {"PAUSE.", 12, 61, true},
    RuleLine,
    BlankLine,
    {"Bitte die gew\201nschte Zahl (1=Installieren; 2=Deinstallieren; 3=Beenden)", 1, 4, true},
    {"eingeben:", 1, 1, false},
};

constexpr Text uninstallSuccess[] = {
    SpaceLine,
    {"----------------------------\n"},
    {" DEINSTALLATION ERFOLGREICH \n"},
    {"----------------------------\n"},
    SpaceLine,
    {"Um das Programm zu beenden dr\201cken Sie eine beliebige Taste. \n"},
};

constexpr Text uninstallNotFound[] = {
    SpaceLine,
    {"---------\n"},
    {" FEHLER! \n"},
    {"---------\n"},
    SpaceLine,
    {"Das Programm konnte Tembrelo nicht deinstallieren, da der Ordner\n"},
    {"Tembrelo in c:\\ nicht gefunden wurde. Um das Programm zu beenden\n"},
    {"dr\201cken Sie eine beliebige Taste.\n"},
};

constexpr Text uninstallFailed[] = {
    SpaceLine,
    {"---------\n"},
    {" FEHLER! \n"},
    {"---------\n"},
    SpaceLine,
    {"Das Programm konnte den Ordner c:\\Tembrelo nicht vollst\204ndig entfernen:\n"},
    {"Eine Datei darin ist in Gebrauch oder gesch\201tzt, oder er enth\204lt einen\n"},
    {"symbolischen Link oder Verbindungspunkt, ein eingeh\204ngtes Laufwerk oder\n"},
    {"die Dateien dieses Programms, die unber\201hrt bleiben.\n"},
    {"Schlie\341en Sie alle Programme, die Dateien in c:\\Tembrelo benutzen, auch\n"},
    {"Tembrelo selbst; starten Sie dann dieses Programm neu und w\204hlen Sie 2.\n"},
    {"Um das Programm zu beenden dr\201cken Sie eine beliebige Taste.\n"},
};

// The failure screen's parts: the fixed texts above, and the ones that name
// what stayed and say what to do about it.
constexpr Screen failed = uninstallFailed;

constexpr Text nothingDeleted[] = {
    {"Das Programm konnte den Ordner c:\\Tembrelo nicht entfernen; es wurde nichts\n"},
    {"gel\224scht.\n"},
};

constexpr Text folderInUseAdvice[] = {
    {"Schlie\341en Sie alle Programme, die in c:\\Tembrelo arbeiten oder eine Datei\n"},
    {"darin offen haben, auch Eingabeaufforderungen und Ordnerfenster; starten\n"},
    {"Sie dann dieses Programm neu und w\204hlen Sie 2.\n"},
};

constexpr Text deniedAdvice[] = {
    {"Wo der Zugriff verweigert wird, darf Ihr Konto die Datei nicht l\224schen,\n"},
    {"oder ein von dort gestartetes Programm l\204uft noch: Schlie\341en Sie es, oder\n"},
    {"bitten Sie einen Administrator, sie zu l\224schen.\n"},
};

constexpr Text linkAdvice[] = {
    {"Ein Link oder eingeh\204ngtes Laufwerk f\201hrt nur an einen anderen Ort, der\n"},
    {"nie gel\224scht wird: Entfernen oder trennen Sie ihn selbst, starten Sie dann\n"},
    {"dieses Programm neu und w\204hlen Sie 2.\n"},
};

constexpr Text shipFolderAdvice[] = {
    {"Dieses Programm l\224scht nie seine einzige Kopie: Starten Sie es aus einer\n"},
    {"Kopie seines Ordners au\341erhalb von c:\\Tembrelo, nicht direkt in c:\\,\n"},
    {"und w\204hlen Sie dort 2.\n"},
};

constexpr Text notInstalled[] = {
    {"Es wurde nichts installiert. Eine beliebige Taste startet Tembrelo trotzdem.\n"},
};

constexpr Text payloadMissing[] = {
    {"\nIm Programmordner fehlt der Ordner Tembrelo, darum wird nichts installiert.\n"},
};

constexpr Text invalidKey[] = {
    {"\n\nDIESES PROGRAMM IST NICHT ZUM HACKEN GEEIGNET !!!\n\n"},
    {"Zum Beenden eine beliebige Taste dr\201cken.\n\n"},
};

}  // namespace

const Edition germanEdition{
    .folderName = "Tembrelo",
    .folderNameUpper = "TEMBRELO",
    .menuScreen = menu,
    .uninstallSuccessScreen = uninstallSuccess,
    .uninstallNotFoundScreen = uninstallNotFound,
    .uninstallFailedScreen = uninstallFailed,
    .failure = {
        .heading = failed.first(5),
        .notAll = failed.subspan(5, 4),
        .nothingDeleted = nothingDeleted,
        .stayedHeading = "Was blieb, und warum:\n",
        .more = "  und {} weitere\n",
        .why = {"von einem Programm benutzt",
                "ein Programm arbeitet darin oder hat Dateien offen", "Zugriff verweigert",
                "Link oder eingeh\204ngtes Laufwerk, unber\201hrt",
                "enth\204lt die Dateien dieses Programms, ihre einzige Kopie", "konnte nicht gel\224scht werden"},
        .advice = {failed.subspan(9, 2), folderInUseAdvice, deniedAdvice, linkAdvice, shipFolderAdvice,
                   failed.subspan(9, 2)},
        .end = failed.last(1),
    },
    .invalidKeyScreen = invalidKey,
    .payloadMissingScreen = payloadMissing,
    .notInstalledScreen = notInstalled,
    .commandTexts = {
        .filesCopied = "{} Datei(en) kopiert\n",
        .notRecognized = "Der Befehl \"{}\" ist entweder falsch geschrieben oder\nkonnte nicht gefunden werden.\n",
        .pressAnyKey = "Dr\201cken Sie eine beliebige Taste . . . ",
        .fileNotFound = "Datei nicht gefunden - {}\n",
        .couldNotFind = "{} konnte nicht gefunden werden.\n",
        .cannotCreateFolder = "Verzeichnis kann nicht erstellt werden - {}: {}\n",
        .cannotCopyFile = "Fehler beim Erstellen der Datei - {}: {}\n",
        .cannotReadFile = "Quelldatei kann nicht gelesen werden - {}: {}\n",
        .fileInTheWay = "Kopieren nach {} nicht m\224glich: eine Datei dieses Namens ist im Weg\n",
        .skipped = "{} \201bersprungen: {}\n",
        .cannotRemove = "{} - {}\n",
        .pathTooLong = "Der Pfad ist f\201r Windows zu lang: {}\n",
        .syntaxError = "Die Syntax des Befehls ist falsch.\n",
        .folderNotFound = "Das System kann die angegebene Datei nicht finden.\n",
        .notAFolder = "Der Verzeichnisname ist ung\201ltig.\n",
        .cannotStart = "{} kann nicht ausgef\201hrt werden: {}\n",
        .outOfMemory = "Nicht gen\201gend Arbeitsspeicher\n",
        .linkNotFollowed = "es ist ein symbolischer Link oder Verbindungspunkt, dem nicht gefolgt wird",
        .copiedAlready = "dieser Ordner ist schon kopiert",
        .readIncomplete = "der Ordner konnte nicht ganz gelesen werden",
        .mountLeftAlone = "hier ist ein anderes Dateisystem eingeh\204ngt; es bleibt unber\201hrt",
        .shipFolderLeftAlone = "aus diesem Ordner l\204uft dieses Programm; er bleibt unber\201hrt",
        .linkNotRemovable = "ein symbolischer Link oder Verbindungspunkt, der sich nicht entfernen l\204sst; nichts wird durch ihn gel\224scht",
        .wineMissing = "es ist ein Windows-Programm, und wine ist nicht installiert",
        .notAFileOrFolder = "es ist ein Ger\204t, eine FIFO oder ein Socket; so etwas wird nicht kopiert",
        .interpreterMissing = "den Interpreter, den seine #!-Zeile nennt, gibt es nicht",
        .interpreterLineCr = "seine #!-Zeile endet mit einem Wagenr\201cklauf (einem Windows-Zeilenende)",
    },
    .notAFolderAtInstallPath = "Tembrelo ist nicht installiert: unter {} steht etwas anderes als ein Ordner; es bleibt unber\201hrt.\n",
    .programName = "TembreloStart",
    .usage = "Aufruf: TembreloStart [--help | --version]\n"
             "\n"
             "Installiert, startet und deinstalliert Tembrelo. Starten Sie es in dem Ordner,\n"
             "in dem der Ordner Tembrelo und dosboxportable.exe liegen; es zeigt ein Men\201\n"
             "und nimmt eine Taste:\n"
             "  1, Eingabe, Strg+J  Tembrelo starten; beim ersten Mal den Ordner Tembrelo\n"
             "                      nach C:\\Tembrelo kopieren\n"
             "  2, R\201cktaste        deinstallieren: C:\\Tembrelo l\224schen, mit den Spielst\204nden\n"
             "  3, Esc              beenden\n"
             "\n"
             "Laufwerk C ist das von Wine: {}\n",
    .noDriveC = "Es gibt kein Laufwerk C, da Wine so nicht startet: \"{}\"\n",
    .badOption = "{}: unbekannte Option '{}'\nWeitere Informationen mit '{} --help'.\n",
};

}  // namespace tembrel
