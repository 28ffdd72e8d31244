#include "editions/german/german.h"
#include "launcher/launcher.h"

int main() {
    auto platform = tembrel::makePlatform();
    return tembrel::runLauncher(tembrel::germanEdition, *platform);
}
