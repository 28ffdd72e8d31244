// The POSIX host's commands: each command's output goes out line by line as
// it is made, in the terminal's character set.

#include <unistd.h>

#include "platform/posix/host.h"

namespace tembrel {

namespace {

// Thrown out of a copy that a stop signal ends early.
struct CopyStopped {};

}  // namespace

template <class Body>
auto PosixHost::command(bool listed, Body body) {
    CommandOutput output;
    output.utf8 = utf8();
    output.progress = [this, listed](CommandOutput& o) {
        emit(o, listed);
        // A copy stops between files when asked to.
        if (copying_ && stopRequested()) throw CopyStopped{};
    };
    flush();
    const auto done = body(output);
    emit(output, listed);
    return done;
}

bool PosixHost::copyTree(std::string_view folder, std::string_view dest, bool listed) {
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

Deleted PosixHost::deleteFiles(std::string_view folder, bool listed) {
    return command(listed, [&](CommandOutput& o) { return tembrel::deleteFiles(folder, shell_, o); });
}

bool PosixHost::removeTree(std::string_view folder, bool listed) {
    return command(listed, [&](CommandOutput& o) { return tembrel::removeTree(folder, shell_, o); });
}

// Programs come from the ship folder alone.
Start PosixHost::startProgram(const CommandLine& line) {
    const std::string program = findProgram(shipFd_, line.name);
    if (program.empty()) return Start::Missing;
    const bool started = command(true, [&](CommandOutput& o) {
        return runProgram(shipFolder_, shipFd_, program, line, texts(), o);
    });
    return started ? Start::Started : Start::Failed;
}

}  // namespace tembrel
