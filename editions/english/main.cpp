// TembrelLaunch's entry.

#include "editions/english/english.h"
#include "launcher/launcher.h"

int main(int argc, char** argv) { return tembrel::programMain(tembrel::englishEdition, argc, argv); }
