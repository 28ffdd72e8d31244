# Cross-builds the Windows programs with Debian's mingw-w64, as 32-bit (i686)
# programs: they start on every Windows from XP SP3 on, 64-bit Windows through
# WoW64, ARM64 Windows through its x86 emulation. The test-only preset
# windows64 sets WINDOWS_PROCESSOR to x86_64, for hosts whose Wine can run
# 64-bit programs only.
#
# The win32-threads variant of the compiler is taken where it is installed: its
# runtime needs no threading library and imports nothing newer than XP has.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT WINDOWS_PROCESSOR)
  set(WINDOWS_PROCESSOR i686)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${WINDOWS_PROCESSOR})
set(MINGW_TRIPLE ${WINDOWS_PROCESSOR}-w64-mingw32)
find_program(CMAKE_CXX_COMPILER NAMES ${MINGW_TRIPLE}-g++-win32 ${MINGW_TRIPLE}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${MINGW_TRIPLE}-windres REQUIRED)
find_program(CMAKE_OBJDUMP NAMES ${MINGW_TRIPLE}-objdump)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
