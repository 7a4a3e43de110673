# Cross-compiles Vermark for 64-bit Windows from Debian with mingw-w64 (the posix thread model,
# which std::thread and std::mutex need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VERMARK_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VERMARK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VERMARK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VERMARK_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VERMARK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One .exe with nothing beside it: the C and C++ runtimes and winpthread are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests and tools run the built programs through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
