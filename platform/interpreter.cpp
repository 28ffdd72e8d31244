// The command interpreter's front: parsing, the commands that need no
// machine, the operand rules of the file commands, and the dispatch.

#include "platform/interpreter.h"

#include "platform/staging.h"

namespace tembrel {

bool operandFolder(std::string_view operand, std::string& folder) {
    const std::size_t slash = operand.find_last_of("\\/:");
    const std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    const std::string_view last = operand.substr(start);
    if (!hasWildcards(last)) {
        folder = operand;
        return true;
    }
    if (last != "*.*" && last != "*") return false;
    // "c:\*.*" names the root, "c:*.*" drive C's current folder, its root here.
    std::string_view rest = operand.substr(0, start);
    if (rest.size() > 1 && (rest.back() == '\\' || rest.back() == '/') && rest[rest.size() - 2] != ':')
        rest.remove_suffix(1);
    folder = rest.empty() ? std::string(".") : std::string(rest);
    return true;
}

namespace {

bool syntaxError(CommandHost& host, const CommandTexts& texts) {
    host.say(texts.syntaxError, {}, true);
    return false;
}

bool xcopy(const CommandLine& c, CommandHost& host, const CommandTexts& texts) {
    std::string source;
    if (c.args.size() != 2 || !operandFolder(c.args[0], source)) return syntaxError(host, texts);
    const CopySwitches switches{c.has('s') || c.has('e'), c.has('e'), c.has('h')};
    return stagedCopy(source, c.args[1], switches, !c.outputToNul, host, texts);
}

bool del(const CommandLine& c, CommandHost& host, const CommandTexts& texts) {
    std::string folder;
    if (c.args.size() != 1 || !operandFolder(c.args[0], folder)) return syntaxError(host, texts);
    switch (host.deleteFiles(folder, c.has('s'), !c.outputToNul)) {
    case Deleted::All:
        return true;
    case Deleted::NotAll:
        return false;
    case Deleted::NoneFound:
        break;
    }
    // Only a delete that found nothing says it found nothing; one that found
    // files and left some has named those.
    host.say(texts.couldNotFind, c.args[0], true);
    return false;
}

bool rd(const CommandLine& c, CommandHost& host, const CommandTexts& texts) {
    if (c.args.size() != 1 || hasWildcards(c.args[0])) return syntaxError(host, texts);
    return host.removeTree(c.args[0], c.has('s'), !c.outputToNul);
}

}  // namespace

bool interpret(std::string_view line, CommandHost& host, const CommandTexts& texts) {
    const CommandLine c = parseCommandLine(line);
    if (c.name.empty()) return true;
    if (c.is("cls")) {
        host.clear();
        return true;
    }
    if (c.is("pause")) {
        if (!c.outputToNul) host.say(texts.pressAnyKey, {}, false);
        host.readKey();
        if (!c.outputToNul) host.say("\n", {}, false);
        return true;
    }
    if (c.is("xcopy")) return xcopy(c, host, texts);
    if (c.is("del") || c.is("erase")) return del(c, host, texts);
    if (c.is("rd") || c.is("rmdir")) return rd(c, host, texts);
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
    host.say(texts.notRecognized, c.name, true);
    return false;
}

}  // namespace tembrel
