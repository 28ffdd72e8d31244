// The uninstall's failure screen: what happened, what stayed and why, and
// what to do about each reason, in the edition's words.

#include <algorithm>
#include <string>

#include "launcher/launcher.h"

namespace tembrel {

namespace {

// The console's rows that a screen may fill and still show its first line
// with the cursor below its last.
constexpr std::size_t screenRows = 24;
constexpr std::size_t columns = 79;

std::size_t rowsOf(Screen screen) {
    std::size_t rows = 0;
    for (const Text& text : screen) rows += static_cast<std::size_t>(std::count(text.body.begin(), text.body.end(), '\n')) + text.lineFeed;
    return rows;
}

void append(std::string& out, Screen screen) {
    for (const Text& text : screen) out += textBytes(text);
}

}  // namespace

std::string shortened(std::string_view path, std::size_t room) {
    constexpr std::string_view dots = "...";
    room = std::max<std::size_t>(room, 2 * dots.size());
    if (path.size() <= room) return std::string(path);
    // The start (the drive and the first folder) and the end (the name) say
    // where a file is: the middle gives way.
    const std::size_t firstFolder = path.find('\\', 3);
    const std::size_t head = std::min(firstFolder == std::string_view::npos ? 0 : firstFolder + 1, room / 2);
    const std::size_t tail = room - dots.size() - head;
    return std::string(path.substr(0, head)).append(dots).append(path.substr(path.size() - tail));
}

std::string failureScreen(const Edition& edition, const Stayed& stayed, bool nothingDeleted) {
    const FailureTexts& texts = edition.failure;
    // A reason left unknown gets the advice that always came with the screen.
    std::vector<Screen> advice;
    for (std::size_t why = 0; why < whyCount; ++why) {
        const Screen screen = texts.advice[why];
        const bool met = stayed.count == 0 ? why == static_cast<std::size_t>(Why::InUse)
                                           : stayed.has(static_cast<Why>(why));
        const bool given = std::any_of(advice.begin(), advice.end(), [&](Screen s) { return s.data() == screen.data(); });
        if (met && !given) advice.push_back(screen);
    }
    const Screen opening = nothingDeleted ? texts.nothingDeleted : texts.notAll;
    std::size_t used = rowsOf(texts.heading) + rowsOf(opening) + rowsOf(texts.end);
    for (const Screen screen : advice) used += rowsOf(screen);

    std::string out;
    append(out, texts.heading);
    append(out, opening);
    if (stayed.count != 0) {
        // As many paths as the rows left hold, one at least.
        const std::size_t free = screenRows > used + 2 ? screenRows - used - 2 : 1;
        const std::size_t shown = std::max<std::size_t>(1, std::min(stayed.first.size(), free));
        out += texts.stayedHeading;
        for (std::size_t i = 0; i < shown; ++i) {
            const std::string_view why = texts.why[static_cast<std::size_t>(stayed.first[i].why)];
            out += "  " + shortened(stayed.first[i].path, columns - 2 - 3 - why.size()) + " - ";
            out.append(why).append(1, '\n');
        }
        if (stayed.count > shown) out += fillIn(texts.more, {std::to_string(stayed.count - shown)});
    }
    for (const Screen screen : advice) append(out, screen);
    append(out, texts.end);
    return out;
}

}  // namespace tembrel
