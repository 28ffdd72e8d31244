// The native programs' command-line options: -h, --help, -V and --version,
// and the answer to anything else.

#include "platform/posix/options.h"

#include <unistd.h>

#include "platform/command_texts.h"
#include "platform/posix/names.h"
#include "platform/posix/terminal.h"

namespace tembrel {

bool takeOption(int argc, char** argv, std::string_view& option) {
    option = argc > 1 ? argv[1] : "";
    if (option == "-h") option = "--help";
    if (option == "-V") option = "--version";
    return option.empty() || option == "--help" || option == "--version";
}

int refuseOption(const ProgramInfo& program, std::string_view option) {
    const std::string shown = shownName(option, localeCharset() == Charset::Utf8);
    writeAll(STDERR_FILENO, fillIn(program.badOption, {program.name, shown, program.name}));
    return 2;
}

}  // namespace tembrel
