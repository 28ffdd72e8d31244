#pragma once

#include <deque>
#include <set>
#include <string>
#include <vector>

#include "launcher/launcher.h"
#include "platform/platform.h"

namespace tembrel {

// Stands in for the machine: logs every call in order and answers from a
// script of keys and directory states.
class FakePlatform : public Platform {
public:
    std::deque<int> keys;                 // the keys to hand out; the end counts as Esc
    std::deque<bool> directoryAnswers;    // answers to the directory tests, in order; then false
    std::set<std::string> missingFolders; // folders that cannot be entered
    std::set<std::string> otherThings;    // paths where something other than a folder stands
    bool linksRemovable = true;           // the answer of removeLinks
    std::set<std::string> enclosed;       // paths that lie in any folder asked about
    std::set<std::string> failingCommands; // first words of the commands that fail
    std::vector<std::string> log;  // "write:", "key:", "isdir:", "exists:", "unlink:", "in:", "chdir:", "run:", "sweep:"

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
    bool isDirectory(std::string_view path) override {
        log.push_back("isdir:" + std::string(path));
        bool answer = false;
        if (!directoryAnswers.empty()) {
            answer = directoryAnswers.front();
            directoryAnswers.pop_front();
        }
        return answer;
    }
    bool exists(std::string_view path) override {
        log.push_back("exists:" + std::string(path));
        return otherThings.count(std::string(path)) != 0;
    }
    bool removeLinks(std::string_view path) override {
        log.push_back("unlink:" + std::string(path));
        if (linksRemovable) otherThings.erase(std::string(path));  // a link there, removed
        return linksRemovable;
    }
    bool changeDirectory(std::string_view path) override {
        log.push_back("chdir:" + std::string(path));
        return missingFolders.count(std::string(path)) == 0;
    }
    bool encloses(std::string_view folder, std::string_view path) override {
        log.push_back("in:" + std::string(folder) + " " + std::string(path));
        return enclosed.count(std::string(path)) != 0;
    }
    void removeStoppedCopies(std::string_view installFolder) override {
        log.push_back("sweep:" + std::string(installFolder));
    }
    bool run(std::string_view commandLine) override {
        log.push_back("run:" + std::string(commandLine));
        return failingCommands.count(std::string(commandLine.substr(0, commandLine.find(' ')))) == 0;
    }
};

// The bytes a screen shows.
inline std::string screenText(Screen screen) {
    std::string out;
    for (const Text& text : screen) out += textBytes(text);
    return out;
}

}  // namespace tembrel
