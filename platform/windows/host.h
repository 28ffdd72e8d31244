// The Windows platform's host: the console, the file system by Win32 and NT
// calls in long-form paths, the file commands and program starts, and the
// staging folders. The working folder is the host's own, a full path: the
// process's current folder, limited to MAX_PATH and refused by some
// programs on a network share, is never used.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"
#include "platform/windows/commands.h"
#include "platform/windows/console.h"

namespace tembrel {

class WindowsHost final : public Host {
public:
    WindowsHost(const CommandTexts& texts, const std::wstring& folder);

    // The console (platform.cpp). The texts stay OEM bytes: the console
    // shows them through the wide API.
    void write(std::string_view text) override { console_.write(text); }
    const CommandTexts& texts() const override { return texts_; }
    void say(std::string_view text, std::string_view name, bool error) override;
    void clear() override { console_.clear(); }
    int readKeystroke(bool dropTypedAhead) override { return console_.readKey(dropTypedAhead); }

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

    // A message that a program could not start stays on the screen until a
    // key is pressed when the console window is the launcher's own and
    // closes the moment it ends. From a prompt, the launcher ends at once.
    void keepMessageReadable();

private:
    std::wstring longPath(std::string_view path) const;
    // Lets go of the handle that keeps the staging folder this run's, so
    // that the folder can be renamed or removed.
    void letGo();
    // The copy into the staging folder (staging.cpp): false when it failed
    // or a stop ended it.
    bool copyStaged(const std::wstring& from, const std::wstring& to, const ShowLine& show);

    const CommandTexts& texts_;
    Console console_;
    std::wstring folder_;
    bool notStarted_ = false;  // a program could not be started
    HANDLE held_ = INVALID_HANDLE_VALUE;  // open on the staging folder, its deletion not shared
    std::wstring staging_, stagingShown_, destShown_;
};

}  // namespace tembrel
