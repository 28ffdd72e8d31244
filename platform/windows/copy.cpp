// The Windows interpreter's xcopy.

#include <windows.h>

#include "platform/windows/files.h"

namespace tembrel {

bool copyFolder(const std::wstring&, const std::wstring&, const CommandTexts&, const ShowLine&) { return false; }

}  // namespace tembrel
