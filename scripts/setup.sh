# Shared by scripts/run, scripts/test and scripts/bench: installs what is
# missing, then configures and builds. Source it; do not run it.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${QUILLARO_BUILD_DIR:-$repo/build}

packages=(cmake ninja-build g++ qt6-base-dev ffmpeg fonts-liberation googletest
          xvfb xauth)

install_missing_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq \
        ${apt_no_recommends:+--no-install-recommends} "${missing[@]}" </dev/null
}

build_quillaro() {
    install_missing_packages "${packages[@]}"
    cmake -S "$repo" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build_dir"
}

# Building the Debian package (scripts/package-deb) and checking, installing
# and running it (scripts/test-deb-package).
deb_packages=(dpkg-dev lintian desktop-file-utils appstream xvfb xauth xdotool)

# The display-free core cross-built for Windows with MinGW; its tests and
# benchmarks run under Wine in a prefix inside the build.
windows_build_dir=$build_dir/windows
windows_packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 googletest)

build_windows_core() {
    # Wine's recommends (graphics drivers, fonts, codecs) are not needed headless.
    apt_no_recommends=1 install_missing_packages "${windows_packages[@]}" &&
        cmake -S "$repo" -B "$windows_build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DQUILLARO_CORE_ONLY=ON -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
            >/dev/null &&
        cmake --build "$windows_build_dir"
}

stop_wine() {
    WINEPREFIX=$windows_build_dir/wineprefix wineserver -k 2>/dev/null || true
}
source "$repo/scripts/windows-deps.sh"
