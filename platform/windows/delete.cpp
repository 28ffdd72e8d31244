// The Windows interpreter's del and rd.

#include <windows.h>

#include "platform/windows/files.h"

namespace tembrel {

bool deleteFiles(const std::wstring&, const CommandTexts&, const ShowLine&) { return false; }

bool removeFolder(const std::wstring&, const CommandTexts&, const ShowLine&) { return false; }

}  // namespace tembrel
