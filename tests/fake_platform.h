// A recording fake of the platform, and the bytes of a screen.
#pragma once

#include <deque>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "launcher/launcher.h"
#include "platform/command_line.h"
#include "platform/platform.h"

namespace tembrel {

// Stands in for the machine: a small model of drive C and the ship folder,
// answering the launcher's questions from it, and a log of what the launcher
// does (writes, keys read, folder changes, links removed, command lines), in
// order. Questions are not logged: their order is the launcher's own affair.
class FakePlatform : public Platform {
public:
    std::deque<int> keys;                  // the keys to hand out; the end counts as Esc
    std::set<std::string> folders;         // paths that are folders
    std::set<std::string> missingFolders;  // folders that cannot be entered
    std::set<std::string> otherThings;     // paths where something other than a folder stands
    std::set<std::string> links;           // links (to folders, or leading nowhere): removing one removes what stands there
    bool linksRemovable = true;            // whether a link can be removed
    std::set<std::string> enclosed;        // paths that lie in any folder asked about
    std::set<std::string> failingCommands; // first words of the commands that fail
    bool failedCopyMakesFolder = false;    // a failing xcopy still made its folder
    std::set<std::string> stuck;           // folders that rd cannot remove
    std::set<std::string> inUse;           // folders that cannot be set aside
    Leftovers leftovers = Leftovers::None; // what the sweep of stopped runs' folders finds
    Stayed stayed;                         // what the hosts noted as left
    std::vector<std::string> log;          // "write:", "key:", "unlink:", "chdir:", "run:", "sweep:", "aside:"

    void write(std::string_view text) override {
        // Consecutive writes form one entry: only their concatenation is seen.
        if (!log.empty() && log.back().rfind("write:", 0) == 0) {
            log.back() += text;
        } else {
            log.push_back("write:" + std::string(text));
        }
    }
    int readKey() override {
        int key = 27;
        if (!keys.empty()) {
            key = keys.front();
            keys.pop_front();
        }
        log.push_back("key:" + std::to_string(key));
        return key;
    }
    bool isDirectory(std::string_view path) override { return folders.count(std::string(path)) != 0; }
    bool exists(std::string_view path) override {
        return isDirectory(path) || otherThings.count(std::string(path)) != 0;
    }
    bool removeLink(std::string_view path) override {
        log.push_back("unlink:" + std::string(path));
        const std::string at(path);
        if (links.count(at) == 0) return true;
        if (!linksRemovable) return false;
        links.erase(at);
        folders.erase(at);
        otherThings.erase(at);  // a link that led nowhere
        return true;
    }
    bool changeDirectory(std::string_view path) override {
        log.push_back("chdir:" + std::string(path));
        return missingFolders.count(std::string(path)) == 0;
    }
    bool encloses(std::string_view, std::string_view path) override { return enclosed.count(std::string(path)) != 0; }
    Leftovers removeStoppedCopies(std::string_view installFolder) override {
        log.push_back("sweep:" + std::string(installFolder));
        return leftovers;
    }
    // The folder moves, what rd cannot remove with it, to "c:\.NAME.partial-1".
    std::string setAside(std::string_view folder) override {
        const std::string from(folder);
        log.push_back("aside:" + from);
        if (inUse.count(from) != 0) {
            stayed.add(from, Why::FolderInUse);  // as the hosts note it
            return {};
        }
        const std::string aside = "c:\\." + from.substr(3) + ".partial-1";
        folders.erase(from);
        folders.insert(aside);
        if (stuck.count(from) != 0) stuck.insert(aside);
        return aside;
    }
    Stayed takeStayed() override { return std::exchange(stayed, Stayed{}); }
    // xcopy makes its destination, rd removes its folder, as far as the model goes.
    bool run(std::string_view commandLine) override {
        log.push_back("run:" + std::string(commandLine));
        const CommandLine command = parseCommandLine(commandLine);
        const bool fails = failingCommands.count(command.name) != 0;
        if (command.is("xcopy") && (!fails || failedCopyMakesFolder)) folders.insert("c:" + command.args[1].substr(2));
        if (command.is("rd") && stuck.count(command.args[0]) == 0) folders.erase(command.args[0]);
        return !fails;
    }
};

// The bytes a screen shows.
inline std::string screenText(Screen screen) {
    std::string out;
    for (const Text& text : screen) out += textBytes(text);
    return out;
}

}  // namespace tembrel
