// Command lines split as the command interpreter splits them, and DOS names.

#include "platform/command_line.h"

namespace tembrel {

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool CommandLine::is(std::string_view word) const { return equalsIgnoringCase(name, word); }

CommandLine parseCommandLine(std::string_view line) {
    CommandLine command;
    std::size_t i = 0;
    bool redirect = false;
    while (i < line.size()) {
        if (isBlank(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == '>') {
            redirect = true;
            ++i;
            continue;
        }
        // A word runs to a blank, a '>' or, outside quotes, a '/' that starts a switch.
        std::string word;
        bool quoted = false;
        const bool isSwitch = line[i] == '/';
        if (isSwitch) ++i;
        while (i < line.size()) {
            const char c = line[i];
            if (c == '"') {
                quoted = !quoted;
                ++i;
                continue;
            }
            if (!quoted && (isBlank(c) || c == '>' || (c == '/' && (isSwitch || !command.name.empty()))))
                break;
            word += c;
            ++i;
        }
        if (redirect) {
            command.outputToNul = equalsIgnoringCase(word, "nul");
            redirect = false;
        } else if (isSwitch) {
            if (!word.empty()) command.switches += lower(word[0]);
            command.words.push_back("/" + word);
        } else if (command.name.empty()) {
            command.name = std::move(word);
        } else {
            command.words.push_back(word);
            command.args.push_back(std::move(word));
        }
    }
    return command;
}

std::pair<std::string_view, std::string_view> splitLastName(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/:");
    const std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    return {path.substr(0, start), path.substr(start)};
}

bool hasWildcards(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

}  // namespace tembrel
