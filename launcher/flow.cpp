// The launcher's flow: the menu, one key, one branch.

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

std::string textBytes(const Text& text) {
    std::string out;
    out.reserve(text.size());
    out.append(text.indent, ' ');
    out += text.body;
    out.append(text.trailing, ' ');
    if (text.lineFeed) out += '\n';
    return out;
}

void writeScreen(Platform& platform, Screen screen) {
    for (const Text& text : screen) platform.write(textBytes(text));
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
