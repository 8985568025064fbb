# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads, so std::thread works).
# Test programs run through Wine; scripts/wine-prefix makes the prefix they run in.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(QUORIN_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUORIN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORIN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORIN_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORIN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked in statically: an exe needs only the DLLs Windows itself ships.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# wine-run sets the private prefix and silences Wine's own diagnostics.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
