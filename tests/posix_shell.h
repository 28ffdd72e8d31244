// A throwaway drive C and ship folder for the POSIX commands' tests.
#pragma once

#include <gtest/gtest.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

#include "tests/tree.h"

#include "editions/english/english.h"

#include "platform/posix/walk.h"
#include "platform/interpreter.h"
#include "platform/posix/host.h"
#include "platform/posix/names.h"

namespace tembrel {

using namespace tembrel::testing;

// A throwaway drive C and ship folder; the working folder is the ship folder.
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("shell-test-" + std::to_string(getpid()));
        fs::remove_all(root_);
        driveC_ = (root_ / "drive_c").string();
        fs::create_directories(driveC_);
        fs::create_directories(root_ / "ship");
        old_ = fs::current_path();
        fs::current_path(root_ / "ship");
    }
    void TearDown() override {
        fs::current_path(old_);
        fs::remove_all(root_);
    }
    // The line through the interpreter's front to the POSIX commands; the
    // output as it came, each piece handed on as it was made to `lines`.
    CommandOutput run(const char* line, std::vector<std::string>* lines = nullptr) {
        CommandOutput output;
        PosixHost host(englishEdition.commandTexts, {driveC_, ""}, [&](CommandOutput& o, bool listed) {
            if (lines != nullptr && !o.out.empty()) lines->push_back(o.out);
            if (listed) output.out += o.out;
            output.err += o.err;
            o.out.clear();
            o.err.clear();
        });
        host.run(line);
        return output;
    }
    fs::path c(const std::string& rel) const { return fs::path(driveC_) / rel; }

    fs::path root_, old_;
    std::string driveC_;
};


}  // namespace tembrel
