// The platform interface: what the launcher asks of the machine it runs on,
// and the programs' entry that each platform defines.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tembrel {

// What the sweep of stopped runs' folders found: none, some that are gone
// now, or some that stay.
enum class Leftovers { None, Removed, Stay };

// Why something an uninstall was to remove stays: a file in use, a folder
// that could not be moved aside because a program works in it, access
// denied, a link or mount left alone, the program's own files, or else.
enum class Why { InUse, FolderInUse, Denied, Link, ShipFolder, Other };
inline constexpr std::size_t whyCount = 6;

// What the deletes could not remove: the first few paths met, each as the
// console shows it (OEM code page 850 bytes, one column each, no control
// characters), with why; how many there were in all; and every reason met.
struct Stayed {
    struct Item {
        std::string path;
        Why why;
        bool operator==(const Item&) const = default;
    };
    static constexpr std::size_t kept = 3;
    std::vector<Item> first;
    std::size_t count = 0;
    unsigned whys = 0;  // bit (1 << Why) for each reason met
    std::unordered_set<std::string> noted;

    // A path is counted once, though del and rd each name what they leave.
    void add(std::string path, Why why) {
        if (!noted.insert(path).second) return;
        if (first.size() < kept) first.push_back({std::move(path), why});
        ++count;
        whys |= 1u << static_cast<unsigned>(why);
    }
    bool has(Why why) const { return (whys >> static_cast<unsigned>(why)) & 1u; }
};

// The things the launcher asks of the machine it runs on. The flow and
// the actions reach the outside world only through this interface.
class Platform {
public:
    virtual ~Platform() = default;

    // Writes the text byte for byte. It reaches the console before the next
    // key is read or command runs.
    virtual void write(std::string_view text) = 0;

    // Waits for one keystroke, without echo and without Enter, and returns its
    // console code: Enter 13, Backspace 8, Esc 27, function and arrow keys 224.
    virtual int readKey() = 0;

    // True exactly when the path names an existing directory.
    virtual bool isDirectory(std::string_view path) = 0;

    // True when anything at all stands at the path: a folder, a file, or a
    // link, whether or not what it points to exists.
    virtual bool exists(std::string_view path) = 0;

    // Removes a link (symbolic link, junction, mount point) at the path: the
    // link itself, never what it points to; links inside the folder are left
    // to the delete commands, which remove each as a link. Returns false when
    // the path still holds a link that could not be removed (or another file
    // system mounted there): nothing may then be deleted through it.
    virtual bool removeLink(std::string_view path) = 0;

    // Makes the path the working directory ("c:\" also makes drive C current).
    // Returns false when the directory could not be entered.
    virtual bool changeDirectory(std::string_view path) = 0;

    // True when `path` names `folder` itself or anything inside it, whatever
    // names or links lead there. False when either cannot be found.
    virtual bool encloses(std::string_view folder, std::string_view path) = 0;

    // Carries out the command line, as the command interpreter would, and
    // waits for it. Returns false when the command could not do all it was
    // asked: a copy that left something out, a program that could not start.
    virtual bool run(std::string_view commandLine) = 0;

    // Removes what first copies and uninstalls of the install folder left
    // when they were stopped for good (a power cut, a kill) or could not
    // delete everything: their folders beside it, none that a running
    // program still holds. Says whether there were any, and whether one of
    // them stays.
    virtual Leftovers removeStoppedCopies(std::string_view installFolder) = 0;

    // Moves the folder aside in one step, to a hidden name beside it that no
    // launch takes for an install, and returns that name: what stands at the
    // folder's path is then the whole install or nothing, however the delete
    // that follows ends. Empty, with the reason shown, when it cannot be
    // moved: a program works inside it, or holds a file of it open.
    virtual std::string setAside(std::string_view folder) = 0;

    // What the deletes and set-asides since the last call could not remove,
    // and why; the record starts afresh.
    virtual Stayed takeStayed() = 0;
};

struct CommandTexts;

// What a program tells about itself, where the platform takes options.
struct ProgramInfo {
    std::string_view name;     // "TembrelLaunch"
    std::string_view version;  // "1.002"
    std::string_view usage;    // --help; "{}" is drive C's folder
    std::string_view noDriveC;   // instead of usage's line with "{}" where drive C has none; "{}" is why
    std::string_view badOption;  // an option not taken; "{}" the name, the option, the name again
};

// A program's entry on this platform, defined by each platform: makes the
// platform, whose command interpreter speaks in `texts`, answers what the
// platform takes of the program's arguments, and otherwise runs `launcher` on
// it. Returns the exit status.
int platformMain(const ProgramInfo& program, const CommandTexts& texts, int argc, char** argv,
                 const std::function<int(Platform&)>& launcher);

}  // namespace tembrel
