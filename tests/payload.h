// The payload every end-to-end suite ships, written through the file helpers
// of the side that runs it (tests/tree.h, tests/windows/files.h): a program, a
// file named after the folder, a binary file two folders down, a dot file
// (hidden to Wine) and an empty folder, their names joined by `separator`.
#pragma once

#include <string>

namespace tembrel::testing {

template <typename Path, typename WriteFile, typename MakeFolders>
void writePayload(const Path& payload, const std::string& folder, char separator, WriteFile writeFile,
                  MakeFolders makeFolders) {
    const auto at = [&](const std::string& name) {
        const std::string relative = separator + name;
        return Path(payload) += Path(relative.begin(), relative.end());
    };
    writeFile(at("QBASIC.EXE"), "qbasic");
    writeFile(at(folder + ".BAS"), "PRINT \"HELLO\"\r\n");
    writeFile(at(std::string("sub") + separator + "deep" + separator + "data.bin"), std::string("\0\1\2\3", 4));
    writeFile(at(".hidden"), "dot");
    makeFolders(at("empty"));
}

}  // namespace tembrel::testing
