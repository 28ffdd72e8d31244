// The POSIX host of the shared interpreter front: each command's output goes
// out line by line as it is made, in the terminal's character set.

#include "platform/posix/commands.h"

#include <unistd.h>

namespace tembrel {

namespace {

// Thrown out of a copy that a stop signal ends early.
struct CopyStopped {};

}  // namespace

PosixCommands::~PosixCommands() {
    if (shipFd_ >= 0) close(shipFd_);
    if (stagingFd_ >= 0) close(stagingFd_);
}

template <class Body>
auto PosixCommands::command(bool listed, Body body) {
    CommandOutput output;
    output.utf8 = namesInUtf8();
    output.progress = [this, listed](CommandOutput& o) {
        emit_(o, listed);
        // A copy stops between files when asked to.
        if (copying_ && stopRequested()) throw CopyStopped{};
    };
    const auto done = body(output);
    emit_(output, listed);
    return done;
}

void PosixCommands::say(std::string_view text, std::string_view name, bool error) {
    CommandOutput output;
    (error ? output.err : output.out) = fillIn(text, {name});
    emit_(output, true);
}

bool PosixCommands::copyTree(std::string_view folder, std::string_view dest, CopySwitches, bool listed) {
    copying_ = stagingFd_ >= 0;
    bool done = false;
    try {
        done = command(listed, [&](CommandOutput& o) { return tembrel::copyTree(folder, dest, shell_, o); });
    } catch (const CopyStopped&) {
    } catch (...) {
        copying_ = false;
        throw;
    }
    copying_ = false;
    return done && !stopRequested();
}

Deleted PosixCommands::deleteFiles(std::string_view folder, bool, bool listed) {
    return command(listed, [&](CommandOutput& o) { return tembrel::deleteFiles(folder, shell_, o); });
}

bool PosixCommands::removeTree(std::string_view folder, bool, bool listed) {
    return command(listed, [&](CommandOutput& o) { return tembrel::removeTree(folder, shell_, o); });
}

// Programs come from the ship folder alone.
Start PosixCommands::startProgram(const CommandLine& line) {
    const std::string program = findProgram(shipFd_, line.name);
    if (program.empty()) return Start::Missing;
    const bool started = command(true, [&](CommandOutput& o) {
        return runProgram(shipFolder_, shipFd_, program, line, *shell_.texts, o);
    });
    return started ? Start::Started : Start::Failed;
}

}  // namespace tembrel
