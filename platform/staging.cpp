// The staged first copy and the removal of stopped runs' staging folders,
// over any platform's host.

#include "platform/staging.h"

#include <new>

namespace tembrel {

namespace {

constexpr std::string_view partial = ".partial-";

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool digits(std::string_view s) {
    return !s.empty() && s.size() <= 20 && s.find_first_not_of("0123456789") == std::string_view::npos;
}

// `dest` split into the text before its last name and that name; trailing
// separators dropped. The name is empty for a root.
std::pair<std::string_view, std::string_view> splitDest(std::string_view dest) {
    while (dest.size() > 1 && (dest.back() == '\\' || dest.back() == '/') && dest[dest.size() - 2] != ':')
        dest.remove_suffix(1);
    auto split = splitLastName(dest);
    if (split.second == "." || split.second == "..") split.second = {};
    return split;
}

// Removes a staging folder this run holds, then lets go of it. A tree too
// deep for the memory there is stays, for a later start to remove.
bool removeStaging(const std::string& staging, Host& host) {
    bool removed = false;
    try {
        removed = host.removeTree(staging, false);
    } catch (const std::bad_alloc&) {
    }
    host.endStaging(staging);
    return removed;
}

}  // namespace

std::string stagingName(std::string_view destName, unsigned long run, int attempt) {
    std::string name(1, '.');
    name.append(destName).append(partial).append(std::to_string(run));
    if (attempt > 1) name.append(1, '-').append(std::to_string(attempt));
    return name;
}

bool isStagingName(std::string_view name, std::string_view destName) {
    const std::size_t prefix = 1 + destName.size() + partial.size();
    if (name.size() <= prefix || name[0] != '.' || !sameLetters(name.substr(1, destName.size()), destName) ||
        !sameLetters(name.substr(1 + destName.size(), partial.size()), partial))
        return false;
    const std::string_view rest = name.substr(prefix);
    const std::size_t dash = rest.find('-');
    return digits(rest.substr(0, dash)) && (dash == std::string_view::npos || digits(rest.substr(dash + 1)));
}

bool stagedCopy(std::string_view source, std::string_view dest, bool listed, Host& host) {
    const CommandTexts& texts = host.texts();
    const auto [parent, name] = splitDest(dest);
    if (name.empty() || host.exists(dest)) return host.copyTree(source, dest, listed);
    std::string staging;
    Outcome made = Outcome::Taken;
    for (int attempt = 1; attempt <= 9 && made == Outcome::Taken; ++attempt) {
        staging = std::string(parent) + stagingName(name, host.runId(), attempt);
        made = host.makeStaging(staging, dest);
    }
    if (made == Outcome::Taken) {  // every name tried is another run's
        host.say(texts.filesCopied, "0", false);
        host.say(texts.cannotCreateFolder, dest, true);
    }
    if (made != Outcome::Done) return false;
    bool copied = false;
    try {
        copied = host.copyTree(source, staging, listed);
    } catch (const std::bad_alloc&) {
        // A payload too big for the memory there is: no install, and the run
        // goes on as after any failed copy.
        host.say(texts.outOfMemory, {}, true);
    }
    if (!copied) {
        removeStaging(staging, host);
        return false;
    }
    switch (host.moveStaging(staging, dest)) {
    case Outcome::Done:
        host.endStaging(staging);
        return true;
    case Outcome::Taken:
        // Another run installed first: its install stands, this copy goes.
        removeStaging(staging, host);
        return true;
    case Outcome::Failed:
        break;
    }
    removeStaging(staging, host);
    return false;
}

Leftovers Host::removeStoppedCopies(std::string_view installFolder) {
    return removeStagingLeftovers(installFolder, *this);
}

std::string Host::setAside(std::string_view folder) { return tembrel::setAside(folder, *this); }

Leftovers removeStagingLeftovers(std::string_view dest, Host& host) {
    const auto [parent, name] = splitDest(dest);
    if (name.empty()) return Leftovers::None;
    const std::string folder = parent.empty() ? std::string(".") : std::string(parent);
    Leftovers found = Leftovers::None;
    for (const std::string& entry : host.namesIn(folder)) {
        if (!isStagingName(entry, name)) continue;
        const std::string staging = std::string(parent) + entry;
        if (!host.claimStaging(staging)) continue;
        if (!removeStaging(staging, host)) {
            found = Leftovers::Stay;
        } else if (found == Leftovers::None) {
            found = Leftovers::Removed;
        }
    }
    return found;
}

std::string setAside(std::string_view folder, Host& host) {
    const auto [parent, name] = splitDest(folder);
    if (name.empty()) return {};
    for (int attempt = 1; attempt <= 9; ++attempt) {
        std::string aside = std::string(parent) + stagingName(name, host.runId(), attempt);
        switch (host.moveAside(folder, aside)) {
        case Outcome::Done:
            return aside;
        case Outcome::Taken:
            break;
        case Outcome::Failed:
            return {};
        }
    }
    return {};
}

}  // namespace tembrel
