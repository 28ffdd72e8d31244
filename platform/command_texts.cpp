// The interpreter's texts filled in and converted.

#include "platform/command_texts.h"

namespace tembrel {

namespace {

template <class Char>
std::basic_string<Char> fill(std::basic_string_view<Char> text,
                             std::initializer_list<std::basic_string_view<Char>> values) {
    std::basic_string<Char> out;
    out.reserve(text.size() + 32);
    auto value = values.begin();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == Char('{') && i + 1 < text.size() && text[i + 1] == Char('}')) {
            if (value != values.end()) out += *value++;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

std::string fillIn(std::string_view text, std::initializer_list<std::string_view> values) {
    return fill(text, values);
}

std::wstring fillIn(std::wstring_view text, std::initializer_list<std::wstring_view> values) {
    return fill(text, values);
}

CommandTexts convertTexts(const CommandTexts& texts, std::string (*convert)(std::string_view),
                          std::deque<std::string>& storage) {
    static constexpr std::string_view CommandTexts::*fields[] = {
        &CommandTexts::filesCopied, &CommandTexts::notRecognized, &CommandTexts::pressAnyKey,
        &CommandTexts::fileNotFound, &CommandTexts::couldNotFind, &CommandTexts::cannotCreateFolder,
        &CommandTexts::cannotCopyFile, &CommandTexts::cannotReadFile, &CommandTexts::fileInTheWay, &CommandTexts::skipped,
        &CommandTexts::cannotRemove, &CommandTexts::pathTooLong, &CommandTexts::syntaxError,
        &CommandTexts::folderNotFound, &CommandTexts::notAFolder,
        &CommandTexts::cannotStart, &CommandTexts::outOfMemory, &CommandTexts::linkNotFollowed,
        &CommandTexts::copiedAlready, &CommandTexts::readIncomplete, &CommandTexts::mountLeftAlone,
        &CommandTexts::shipFolderLeftAlone, &CommandTexts::linkNotRemovable, &CommandTexts::wineMissing,
        &CommandTexts::notAFileOrFolder, &CommandTexts::interpreterMissing, &CommandTexts::interpreterLineCr
    };
    static_assert(sizeof fields / sizeof fields[0] * sizeof(std::string_view) == sizeof(CommandTexts),
                  "every text is converted");
    CommandTexts out = texts;
    for (const auto field : fields) out.*field = storage.emplace_back(convert(texts.*field));
    return out;
}

}  // namespace tembrel
