# Cross-builds the whole program for 64-bit Windows with Debian's MinGW-w64,
# against a static Qt built for it (scripts/windows-deps makes one):
#
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/windows-qt.cmake \
#         -DQUILLARO_WINDOWS_QT=<the static Qt's install folder>
#
# Qt's build tools (moc, rcc, uic) come from the host's Qt of the same version.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake)

if(NOT QUILLARO_WINDOWS_QT AND DEFINED ENV{QUILLARO_WINDOWS_QT})
    set(QUILLARO_WINDOWS_QT "$ENV{QUILLARO_WINDOWS_QT}")
endif()
if(NOT QUILLARO_WINDOWS_QT)
    message(FATAL_ERROR "Set QUILLARO_WINDOWS_QT to the static Qt for Windows "
                        "(scripts/windows-deps prints where it is).")
endif()
# Checks that CMake compiles on its own re-read this file and need it too.
set(ENV{QUILLARO_WINDOWS_QT} "${QUILLARO_WINDOWS_QT}")

list(APPEND CMAKE_FIND_ROOT_PATH "${QUILLARO_WINDOWS_QT}")
list(APPEND CMAKE_PREFIX_PATH "${QUILLARO_WINDOWS_QT}")
set(QT_HOST_PATH /usr CACHE PATH "The host's Qt, for the build tools")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
