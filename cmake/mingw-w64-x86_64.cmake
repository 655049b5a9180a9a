# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the POSIX thread model, for
# std::thread), running the built programs under Wine.
#   apt-get install g++-mingw-w64-x86-64-posix wine
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QQ_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_CXX_COMPILER ${QQ_MINGW_PREFIX}-g++-posix)
set(CMAKE_C_COMPILER ${QQ_MINGW_PREFIX}-gcc-posix)
set(CMAKE_RC_COMPILER ${QQ_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QQ_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program stands alone: the C++ runtime, libgcc and winpthread linked in, no DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and helper programs run under Wine.
find_program(QQ_WINE NAMES wine64 wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QQ_WINE})
