// The command interpreter's front: parsing, the commands that need no
// machine, the operand rules of the file commands, and the dispatch.

#include "platform/interpreter.h"

#include <algorithm>

#include "platform/staging.h"

namespace tembrel {

bool operandFolder(std::string_view operand, std::string& folder) {
    auto [rest, last] = splitLastName(operand);
    if (!hasWildcards(last)) {
        folder = operand;
        return true;
    }
    if (last != "*.*" && last != "*") return false;
    // "c:\*.*" names the root, "c:*.*" drive C's current folder, its root here.
    if (rest.size() > 1 && (rest.back() == '\\' || rest.back() == '/') && rest[rest.size() - 2] != ':')
        rest.remove_suffix(1);
    folder = rest.empty() ? std::string(".") : std::string(rest);
    return true;
}

bool Host::run(std::string_view commandLine) { return interpret(commandLine, *this); }

namespace {

bool syntaxError(Host& host) {
    host.say(host.texts().syntaxError, {}, true);
    return false;
}

// The switches are exactly `letters`, in any order: each host does what
// these ask and nothing else, so any other set is refused alike everywhere.
bool switchesAre(const CommandLine& c, std::string letters) {
    std::string given = c.switches;
    std::sort(given.begin(), given.end());
    std::sort(letters.begin(), letters.end());
    return given == letters;
}

bool xcopy(const CommandLine& c, Host& host) {
    std::string source;
    if (c.args.size() != 2 || !operandFolder(c.args[0], source) || !switchesAre(c, "ehi")) return syntaxError(host);
    return stagedCopy(source, c.args[1], !c.outputToNul, host);
}

bool del(const CommandLine& c, Host& host) {
    std::string folder;
    if (c.args.size() != 1 || !operandFolder(c.args[0], folder) || !switchesAre(c, "sq")) return syntaxError(host);
    switch (host.deleteFiles(folder, !c.outputToNul)) {
    case Deleted::All:
        return true;
    case Deleted::NotAll:
        return false;
    case Deleted::NoneFound:
        break;
    }
    // Only a delete that found nothing says it found nothing; one that found
    // files and left some has named those.
    host.say(host.texts().couldNotFind, c.args[0], true);
    return false;
}

bool rd(const CommandLine& c, Host& host) {
    if (c.args.size() != 1 || hasWildcards(c.args[0]) || !switchesAre(c, "sq")) return syntaxError(host);
    return host.removeTree(c.args[0], !c.outputToNul);
}

}  // namespace

bool interpret(std::string_view line, Host& host) {
    const CommandLine c = parseCommandLine(line);
    if (c.name.empty()) return true;
    if (c.is("cls")) {
        host.clear();
        return true;
    }
    if (c.is("pause")) {
        if (!c.outputToNul) host.say(host.texts().pressAnyKey, {}, false);
        host.keyAfterPrompt();
        if (!c.outputToNul) host.say("\n", {}, false);
        return true;
    }
    if (c.is("xcopy")) return xcopy(c, host);
    if (c.is("del") || c.is("erase")) return del(c, host);
    if (c.is("rd") || c.is("rmdir")) return rd(c, host);
    // Gone since Windows NT: the line runs nothing at all, whatever file of
    // that name lies anywhere.
    if (!c.is("deltree")) {
        switch (host.startProgram(c)) {
        case Start::Started:
            return true;
        case Start::Failed:
            return false;
        case Start::Missing:
            break;
        }
    }
    host.say(host.texts().notRecognized, c.name, true);
    return false;
}

}  // namespace tembrel
