// Folder walks on the POSIX platform: listings, a chain of open folders
// down a tree, and the walk the copy and the deletes share.

#include "platform/posix/walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/posix/commands.h"
#include "platform/posix/names.h"

namespace tembrel {

void (*beforeEntry)(int, const std::string&) = nullptr;

Fd::~Fd() {
    if (fd >= 0) close(fd);
}

std::vector<Entry> listFolder(int folderFd, bool* complete) {
    std::vector<Entry> entries;
    // A descriptor of its own, so that the listing starts at the beginning
    // whatever was read through `folderFd` before.
    const int own = openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = own >= 0 ? fdopendir(own) : nullptr;
    if (dir == nullptr) {
        const int error = errno;
        if (own >= 0) close(own);
        if (complete != nullptr) *complete = false;
        errno = error;
        return entries;
    }
    errno = 0;
    while (const dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        // Where the listing does not tell the kind, the entry itself does.
        unsigned type = e->d_type;
        struct stat st;
        if (type == DT_UNKNOWN && fstatat(folderFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) type = IFTODT(st.st_mode);
        const Entry::Kind kind = type == DT_DIR   ? Entry::Folder
                                 : type == DT_REG ? Entry::File
                                 : type == DT_LNK ? Entry::Link
                                                  : Entry::Other;
        entries.push_back({e->d_name, kind});
        errno = 0;
    }
    const int error = errno;
    if (complete != nullptr) *complete = error == 0;
    closedir(dir);
    errno = error;
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return entries;
}

FolderChain::FolderChain(int topFd) {
    struct stat st {};
    if (topFd >= 0) fstat(topFd, &st);
    levels_.push_back({0, idOf(st), topFd});
    open_ = topFd >= 0 ? 1 : 0;
}

FolderChain::~FolderChain() {
    for (const Level& level : levels_) {
        if (level.fd >= 0) close(level.fd);
    }
}

std::string FolderChain::nameOf(std::size_t index) const {
    const std::size_t start = levels_[index - 1].nameEnd;
    return names_.substr(start, levels_[index].nameEnd - start);
}

int FolderChain::fd() {
    if (levels_.back().fd < 0 && !reopen(levels_.size() - 1)) return -1;
    return levels_.back().fd;
}

bool FolderChain::enter(const std::string& name) {
    const int parent = fd();
    if (parent < 0) return false;
    const int sub = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    struct stat st;
    if (sub < 0) return false;
    if (fstat(sub, &st) != 0) {
        const int error = errno;
        close(sub);
        errno = error;
        return false;
    }
    names_ += name;
    levels_.push_back({names_.size(), idOf(st), sub});
    if (++open_ > openLimit) closeOldest();
    return true;
}

void FolderChain::leave() {
    if (levels_.size() <= 1) return;
    Level& current = levels_.back();
    Level& parent = levels_[levels_.size() - 2];
    // Going up one step through ".." is cheaper than walking down again from
    // the nearest open folder, and right whenever it is the same folder (not
    // so for one moved meanwhile).
    if (parent.fd < 0 && current.fd >= 0) {
        const int up = openat(current.fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat st;
        if (up >= 0 && fstat(up, &st) == 0 && idOf(st) == parent.id) {
            parent.fd = up;
            ++open_;
            firstOpen_ = std::min(firstOpen_, levels_.size() - 2);
        } else if (up >= 0) {
            close(up);
        }
    }
    if (current.fd >= 0) {
        close(current.fd);
        --open_;
    }
    levels_.pop_back();
    names_.resize(levels_.back().nameEnd);
    firstOpen_ = std::max<std::size_t>(1, std::min(firstOpen_, levels_.size()));
}

// Closes the open folder nearest the top, the top itself excepted: it is the
// one needed again last. The search starts where the last one ended, so a
// deep walk does not look at every closed level each time.
void FolderChain::closeOldest() {
    for (std::size_t i = std::max<std::size_t>(firstOpen_, 1); i + 1 < levels_.size(); ++i) {
        if (levels_[i].fd >= 0) {
            close(levels_[i].fd);
            levels_[i].fd = -1;
            --open_;
            firstOpen_ = i + 1;
            return;
        }
    }
}

bool FolderChain::reopen(std::size_t index) {
    std::size_t from = index;
    while (levels_[from].fd < 0) {
        if (from == 0) {
            errno = EBADF;
            return false;
        }
        --from;
    }
    // Open each folder below the nearest open one in turn; keep those close
    // enough to `index` to be needed again soon.
    for (std::size_t i = from + 1; i <= index; ++i) {
        Level& level = levels_[i];
        const int sub = openat(levels_[i - 1].fd, nameOf(i).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
        struct stat st;
        const bool same = sub >= 0 && fstat(sub, &st) == 0 && idOf(st) == level.id;
        if (i - 1 > from && i - 1 + openLimit / 2 <= index) {
            close(levels_[i - 1].fd);
            levels_[i - 1].fd = -1;
            --open_;
        }
        if (!same) {
            if (sub >= 0) close(sub);
            // The folder was moved or replaced while the walk was below it.
            errno = ESTALE;
            return false;
        }
        level.fd = sub;
        firstOpen_ = std::min(firstOpen_, i);
        if (++open_ > openLimit) closeOldest();
    }
    return true;
}

TreeWalk::TreeWalk(FolderChain& chain, CommandOutput& output, std::string_view unreadable,
                   std::string_view readIncomplete, std::string shown)
    : chain_(chain), output_(output), unreadable_(unreadable), readIncomplete_(readIncomplete),
      shown_(std::move(shown)) {}

void TreeWalk::report(const std::string& message, bool failure) {
    output_.err += message;
    output_.lineDone();
    if (!failure) return;
    failed_ = true;
    if (!frames_.empty()) frames_.back().whole = false;
}

// Lists the folder just entered, shown_ being its path, and makes it the
// folder at hand. One that cannot be read to its end fails the one above.
void TreeWalk::push() {
    bool complete = true;
    Frame frame{listFolder(chain_.fd(), &complete)};
    if (!complete) {
        const std::string why = std::string(readIncomplete_) + " (" + errorText(errno) + ")";
        report(fillIn(unreadable_, {shown_.empty() ? "." : shown_, why}));
    }
    frame.pathLength = shown_.size();
    if (!shown_.empty()) shown_ += '\\';
    frame.shownLength = shown_.size();
    frames_.push_back(std::move(frame));
}

// Takes the next entry of the folder at hand, its path in shown_.
Entry TreeWalk::next() {
    Frame& frame = frames_.back();
    Entry entry = std::move(frame.entries[frame.next++]);
    shown_.resize(frame.shownLength);
    shown_ += shownName(entry.name, output_.utf8);
    return entry;
}

// Ends the folder at hand, shown_ its path again. Below the top, goes up
// to the folder above, with the name of the one left and whether it was
// whole; false at the top, where the walk ends.
bool TreeWalk::up(std::string& name, bool& whole) {
    whole = frames_.back().whole;
    shown_.resize(frames_.back().pathLength);
    frames_.pop_back();
    if (frames_.empty()) return false;
    name = chain_.name();
    chain_.leave();
    if (!whole) frames_.back().whole = false;
    return true;
}

std::pair<std::string, std::string> splitLast(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

std::string dosName(std::string path) {
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

std::string errorText(int error) { return std::strerror(error); }


}  // namespace tembrel
