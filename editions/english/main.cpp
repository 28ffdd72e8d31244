#include "editions/english/english.h"
#include "launcher/launcher.h"

int main() {
    auto platform = tembrel::makePlatform();
    return tembrel::runLauncher(tembrel::englishEdition, *platform);
}
