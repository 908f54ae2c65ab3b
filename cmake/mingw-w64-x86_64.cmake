# Cross-builds the display-free core for 64-bit Windows with Debian's mingw-w64
# and runs the resulting programs (tests, benchmarks) under Wine.
#
#   cmake -S . -B build/windows -G Ninja -DQUILLARO_CORE_ONLY=ON \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triplet x86_64-w64-mingw32)
# The posix thread model: the default win32 one has no std::mutex or std::thread.
set(CMAKE_C_COMPILER ${mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)

# Look for libraries and headers only in the MinGW sysroot, so the host's
# GoogleTest (or anything else built for Linux) is never picked up.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link the compiler runtime (libgcc, libstdc++, winpthread) into each .exe so it
# runs under Wine, or on a bare Windows machine, without DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest and add_custom_command run Windows programs through Wine, with a Wine
# prefix of the build's own so nothing touches the user's ~/.wine.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run;${CMAKE_BINARY_DIR}/wineprefix)
