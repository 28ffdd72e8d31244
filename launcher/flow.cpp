#include <string>

#include "launcher/launcher.h"

namespace tembrel {

MenuChoice choiceForKey(int code) {
    switch (code) {
    case '1':
    case 13:  // Enter
    case 10:  // line feed
        return MenuChoice::Launch;
    case '2':
    case 8:  // Backspace
        return MenuChoice::Uninstall;
    case '3':
    case 27:  // Esc
        return MenuChoice::Exit;
    default:
        return MenuChoice::Invalid;
    }
}

void writeScreen(Platform& platform, Screen screen) {
    // Each text goes out whole, as one write.
    std::string out;
    for (const Text& text : screen) {
        out.assign(text.indent, ' ');
        out += text.body;
        out.append(text.trailing, ' ');
        if (text.lineFeed) out += '\n';
        platform.write(out);
    }
}

int runLauncher(const Edition& edition, Platform& platform) {
    writeScreen(platform, edition.menuScreen);
    switch (choiceForKey(platform.readKey())) {
    case MenuChoice::Launch:
        launch(edition, platform);
        break;
    case MenuChoice::Uninstall:
        uninstall(edition, platform);
        break;
    case MenuChoice::Exit:
        break;
    case MenuChoice::Invalid:
        platform.run("cls");
        writeScreen(platform, edition.invalidKeyScreen);
        platform.run("pause>nul");
        break;
    }
    return 0;
}

}  // namespace tembrel
