// TembreloStart's entry.

#include "editions/german/german.h"
#include "launcher/launcher.h"

int main(int argc, char** argv) { return tembrel::programMain(tembrel::germanEdition, argc, argv); }
