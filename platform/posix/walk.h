// Folder walks on the POSIX platform: descriptors that close themselves,
// folder listings, identities, a chain of folders that keeps only a few open
// however deep it goes, and the one walk down a tree that the copy and the
// deletes share.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tembrel {

// Closes a file descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd();
    explicit operator bool() const { return fd >= 0; }
};

// Which file or folder it is, whatever name it was reached by.
struct FileId {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator==(const FileId&) const = default;
};
inline FileId idOf(const struct stat& st) { return {st.st_dev, st.st_ino}; }

// One entry of a folder, as its listing tells it.
struct Entry {
    std::string name;
    enum Kind { Folder, File, Link, Other } kind;  // Other: a device, FIFO or socket
};

// The entries of an open folder other than "." and "..", sorted by name, read
// whole so that no listing stays open while the caller works below it.
// `complete` turns false when the folder could not be read to its end, errno
// then saying why.
std::vector<Entry> listFolder(int folderFd, bool* complete = nullptr);

// True when the open folder is the root of a file system mounted there (a
// mount point), judged against the device of the folder it was entered from.
bool isMountPoint(int folderFd, dev_t parentDevice);

// True when the open folder `folderFd` is the folder `top` or lies anywhere
// below it: the walk goes up through ".." and compares identities, so no name
// is looked up and no link can mislead it.
bool withinFolder(int folderFd, FileId top);

// True when the folder `target` lies anywhere in the tree of the open folder
// `topFd` (itself included), searched downward by identity: it finds a folder
// however else it is reached (a bind mount elsewhere, say), where going up
// through ".." would miss it. Links and other file systems are not entered,
// as the deletes enter none.
bool treeHolds(int topFd, FileId target);

// True when the folder `innerFd` is the folder `outerFd` or lies inside it:
// up through ".." from it, whatever links led there, or, for a bind mount of
// a folder inside that leads there by another way, found in the outer
// folder's tree (where it can lie at all: on the same file system).
bool folderHolds(int outerFd, int innerFd);

// The folders from a top folder down to the one being worked on. Only the
// last few stay open; a folder closed on the way down is opened again by name,
// starting from the nearest open folder above it, and must still be the same
// folder. So a tree of any depth is walked with a bounded number of open files,
// and with memory that grows only with the length of the names on the way.
class FolderChain {
public:
    // Takes over `topFd`, an open folder.
    explicit FolderChain(int topFd);
    ~FolderChain();
    FolderChain(const FolderChain&) = delete;
    FolderChain& operator=(const FolderChain&) = delete;

    // The folder being worked on; -1 (errno set) when it could not be opened again.
    int fd();
    // Enters the subfolder `name` of the current folder, never through a
    // link. False (errno set) when it is not an enterable folder.
    bool enter(const std::string& name);
    // Goes back up to the folder above.
    void leave();
    // The name the current folder was entered by ("" for the top).
    std::string_view name() const {
        return std::string_view(names_).substr(levels_.size() > 1 ? levels_[levels_.size() - 2].nameEnd : 0);
    }
    FileId id() const { return levels_.back().id; }
    dev_t device() const { return levels_.back().id.dev; }

private:
    // A level's name is names_[start of the level, nameEnd).
    struct Level {
        std::size_t nameEnd;
        FileId id;
        int fd;
    };
    static constexpr int openLimit = 6;
    std::string nameOf(std::size_t index) const;
    bool reopen(std::size_t index);
    void closeOldest();

    std::vector<Level> levels_;
    std::string names_;          // every level's name, one after the other
    std::size_t firstOpen_ = 1;  // no level between the top and this one is open
    int open_ = 0;
};

struct CommandOutput;

// For tests alone; the programs never set it. Called with the folder at hand
// and the name of each entry between the folder's listing and the walk's act
// on that entry, so that a test can change the tree at that very moment.
extern void (*beforeEntry)(int folderFd, const std::string& name);

// A walk down the tree of a chain's folder with an explicit stack, one frame
// a folder: each entry in the order of its folder's listing, a subfolder's
// whole tree before the next entry. It keeps the path of the entry at hand
// as the listing shows it ("SUB\FILE.TXT" below `shown`); in leave, the
// path of the folder left. A folder that cannot be read to its end is
// reported with `unreadable` ({} the folder, {} why). The visitor's calls:
//   bool enter(const std::string& name): the subfolder `name` of the folder
//     at hand; enters it in the walk's chain and returns true to have it
//     walked, or returns false with the chain as it was.
//   void file(const Entry& entry): any entry that is not a folder (a file,
//     a link, a device, FIFO or socket).
//   void leave(const std::string& name, bool whole): the folder `name` is
//     walked and the chain back above it; `whole` when nothing reported in
//     or below it failed.
class TreeWalk {
public:
    TreeWalk(FolderChain& chain, CommandOutput& output, std::string_view unreadable, std::string_view readIncomplete,
             std::string shown = {});
    // Walks the chain's folder; false when anything failed.
    template <class Visitor>
    bool run(Visitor& visitor) {
        push();
        while (!frames_.empty()) {
            if (frames_.back().next < frames_.back().entries.size()) {
                const Entry entry = next();
                if (beforeEntry != nullptr) beforeEntry(chain_.fd(), entry.name);
                if (entry.kind != Entry::Folder) {
                    visitor.file(entry);
                } else if (visitor.enter(entry.name)) {
                    push();
                }
                continue;
            }
            std::string name;
            bool whole = true;
            if (up(name, whole)) visitor.leave(name, whole);
        }
        return !failed_;
    }
    FolderChain& chain() { return chain_; }
    const std::string& shown() const { return shown_; }
    // An error line; unless `failure` is false, it fails the folder at hand
    // and every folder above it.
    void report(const std::string& message, bool failure = true);

private:
    struct Frame {
        std::vector<Entry> entries;
        std::size_t next = 0;
        std::size_t pathLength = 0;   // shown_ up to the folder's own path
        std::size_t shownLength = 0;  // and with the "\" for its entries
        bool whole = true;
    };
    void push();
    Entry next();
    bool up(std::string& name, bool& whole);

    FolderChain& chain_;
    CommandOutput& output_;
    const std::string_view unreadable_, readIncomplete_;
    std::string shown_;
    std::vector<Frame> frames_;
    bool failed_ = false;
};

// Whether the name `name` in the open folder `folderFd` is clear of a link
// (links.cpp): Clear, a link was removed or there was none; Left, one could
// not be removed; Mount, another file system is mounted there, which is never
// removed or entered.
enum class LinkRemoval { Clear, Left, Mount };
LinkRemoval removeLinkAt(int folderFd, const std::string& name);

// True when a process of this user's other than this one has its working
// folder, root, program or an open file in the open folder (in_use.cpp).
bool usedByAnotherProcess(int folderFd);

// Copies the contents of one open file to another: a clone where the file
// system shares blocks; otherwise the data only, so that holes stay holes.
bool copyContents(int in, int out, const struct stat& st);

// Splits "folder/pattern" into the folder and the last component.
std::pair<std::string, std::string> splitLast(const std::string& path);

// A host path as a DOS program shows it: backslashes for slashes.
std::string dosName(std::string path);
std::string errorText(int error);

}  // namespace tembrel
