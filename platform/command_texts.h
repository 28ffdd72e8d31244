// What the command interpreter prints, in the edition's language.
#pragma once

#include <deque>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tembrel {

// What the command interpreter prints, in the edition's language, worded as
// that language's Windows words it. Bytes in the console's OEM code page;
// each "{}" is filled in, in order, with a name or a reason.
struct CommandTexts {
    std::string_view filesCopied;         // {} count
    std::string_view notRecognized;       // {} command name
    std::string_view pressAnyKey;         // pause without >nul; no line feed
    std::string_view fileNotFound;        // {} name
    std::string_view couldNotFind;        // {} name (del found nothing)
    std::string_view cannotCreateFolder;  // {} name, {} reason
    std::string_view cannotCopyFile;      // {} name, {} reason: the copy could not be written
    std::string_view cannotReadFile;      // {} name, {} reason: the file copied could not be read
    std::string_view fileInTheWay;        // {} destination
    std::string_view skipped;             // {} name, {} one of the reasons below
    std::string_view cannotRemove;        // {} name, {} reason
    std::string_view pathTooLong;         // {} path
    std::string_view syntaxError;         // a command line the interpreter cannot take
    std::string_view folderNotFound;      // rd of a path where nothing is
    std::string_view notAFolder;          // rd of a file
    std::string_view cannotStart;         // {} program, {} reason
    std::string_view outOfMemory;         // a copy that ran out of memory

    // Reasons, for skipped and cannotRemove.
    std::string_view linkNotFollowed;     // a link (junction, symbolic link, mount point) in the copy
    std::string_view copiedAlready;       // a folder met again in the copy (a bind mount of it inside itself)
    std::string_view readIncomplete;      // a folder listing that broke off
    std::string_view mountLeftAlone;      // another file system mounted inside the folder
    std::string_view shipFolderLeftAlone; // the running program's own folder, met by a delete
    std::string_view linkNotRemovable;    // a link the platform cannot remove
    std::string_view wineMissing;         // for cannotStart: a Windows program, and no wine to run it
    std::string_view notAFileOrFolder;    // a device, FIFO or socket in the copy
    std::string_view interpreterMissing;  // for cannotStart: the interpreter a script's #! line names is not there
    std::string_view interpreterLineCr;   // for cannotStart: that line ends in a carriage return
};

// `text` with each "{}" replaced by the next of `values`; a "{}" beyond the
// values is dropped.
std::string fillIn(std::string_view text, std::initializer_list<std::string_view> values);
std::wstring fillIn(std::wstring_view text, std::initializer_list<std::wstring_view> values);

// Every text put through `convert` (into the terminal's character set, say);
// the new texts are kept in `storage`, which must outlive the result.
CommandTexts convertTexts(const CommandTexts& texts, std::string (*convert)(std::string_view),
                          std::deque<std::string>& storage);

}  // namespace tembrel
