// The POSIX platform's host: a terminal for the console, Wine's drive C for
// drive C, the file commands and program starts, and the staging folders.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"
#include "platform/posix/commands.h"
#include "platform/posix/keys.h"
#include "platform/posix/names.h"

namespace tembrel {

class PosixHost final : public Host, private ByteSource {
public:
    // Where the commands' lines go, the listing only when `listed`; by
    // default to standard output and error.
    using Emit = std::function<void(CommandOutput&, bool listed)>;
    // Drive C is `driveC`; programs start from the folder the program starts
    // in, which is kept open. The texts are converted into the terminal's
    // character set here, once.
    PosixHost(const CommandTexts& texts, DriveC driveC, Emit emit = nullptr);
    ~PosixHost() override;
    PosixHost(const PosixHost&) = delete;
    PosixHost& operator=(const PosixHost&) = delete;

    // The console (platform.cpp). Every byte goes out in the terminal's
    // character set; a name keeps the disk's own bytes, shown safely.
    void write(std::string_view text) override;
    void writeFilled(std::string_view text, std::string_view name);
    const CommandTexts& texts() const override { return *shell_.texts; }
    void say(std::string_view text, std::string_view name, bool error) override;
    void clear() override;
    int readKeystroke(bool dropTypedAhead) override;
    // Drive C's folder, or why it has none.
    const DriveC& driveC() const { return shell_.drive.driveC; }

    // Paths (platform.cpp).
    bool isDirectory(std::string_view path) override;
    bool exists(std::string_view path) override;
    bool removeLink(std::string_view path) override;
    bool changeDirectory(std::string_view path) override;
    bool encloses(std::string_view folder, std::string_view path) override;

    // The commands (commands.cpp).
    bool copyTree(std::string_view folder, std::string_view dest, bool listed) override;
    Deleted deleteFiles(std::string_view folder, bool listed) override;
    bool removeTree(std::string_view folder, bool listed) override;
    Start startProgram(const CommandLine& command) override;

    // The staged first copy (staging.cpp).
    unsigned long runId() override;
    Outcome makeStaging(std::string_view path, std::string_view dest) override;
    Outcome moveStaging(std::string_view path, std::string_view dest) override;
    Outcome moveAside(std::string_view folder, std::string_view aside) override;
    void endStaging(std::string_view path) override;
    std::vector<std::string> namesIn(std::string_view folder) override;
    bool claimStaging(std::string_view path) override;

private:
    template <class Body>
    auto command(bool listed, Body body);
    // A command's lines out: the listing only when `listed`, errors always.
    void emit(CommandOutput& output, bool listed);
    void flush();
    void writeOut(std::string_view text);
    // Where a DOS path leads; drive C's refusal, where it has one, is shown
    // the first time it is met.
    bool place(std::string_view dosPath, Place& at, bool make = false);
    // Holds the staging folder open as `fd`, locked, and a stop by signal
    // for later; false (errno set) when `at` is not that folder any more.
    bool holdStaging(const Place& at, int fd);

    // ByteSource: the terminal, one byte at a time.
    int next(int waitMs) override;
    int eraseChar() override;
    bool utf8() override { return charset_ == Charset::Utf8; }

    const Emit emit_;
    const Charset charset_;
    std::deque<std::string> textStorage_;
    const CommandTexts texts_;  // in the terminal's character set
    Shell shell_;
    const std::string shipFolder_;  // by name, where known
    const int shipFd_;
    std::string folder_;  // the working folder, by name
    std::string pending_;
    int stagingFd_ = -1;  // the staging folder held, locked
    int asideFd_ = -1;    // a folder set aside to be deleted, locked
    bool copying_ = false;
    bool outputFailed_ = false;
    bool keysRead_ = false;  // from the terminal
};

}  // namespace tembrel
