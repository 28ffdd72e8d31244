// The fixture of the end-to-end tests that hand the programs hostile
// payloads and unusual systems: a mount undone after each test, keys piped in.
#pragma once

#include <sys/mount.h>

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
    PipedRun pipedWith(const std::string& keys, const std::string& prelude) const {
        PipedOptions options;
        options.prelude = prelude;
        return runPiped(program(), ship_.string(), env(bytesLocale), keys, options);
    }
    std::optional<fs::path> mounted_;
};

}  // namespace tembrel::testing
