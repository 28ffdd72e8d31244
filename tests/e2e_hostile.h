// The fixture of the end-to-end tests that hand the programs hostile
// payloads and unusual systems: a mount undone after each test, keys piped in.
#pragma once

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "tests/e2e.h"

namespace tembrel::testing {

class Hostile : public EndToEnd {
protected:
    void TearDown() override {
        if (mounted_) umount2(mounted_->c_str(), MNT_DETACH);
        EndToEnd::TearDown();
    }
    fs::path payload() const { return ship_ / folder(); }
    // A chain of `depth` folders named "d" in the payload, past any path
    // limit, made one folder at a time. Returns the deepest one, open, or -1.
    int deepPayload(int depth) const {
        int fd = open(payload().c_str(), O_RDONLY | O_DIRECTORY);
        for (int i = 0; i < depth && fd >= 0; ++i) {
            mkdirat(fd, "d", 0755);
            const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
            close(fd);
            fd = next;
        }
        return fd;
    }
    PipedRun pipedWith(const std::string& keys, const std::string& prelude) const {
        PipedOptions options;
        options.prelude = prelude;
        return runPiped(program(), ship_.string(), env(bytesLocale), keys, options);
    }
    std::optional<fs::path> mounted_;
};

}  // namespace tembrel::testing
