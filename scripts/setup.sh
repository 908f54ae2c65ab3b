# Shared by scripts/run, scripts/test and scripts/bench: installs what is
# missing, then configures and builds. Source it; do not run it.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${QUILLARO_BUILD_DIR:-$repo/build}

# dbus and python3-dbusmock: a private bus with a stand-in login manager;
# at-spi2-core and python3-pyatspi: the window read as a screen reader does.
packages=(cmake ninja-build g++ qt6-base-dev ffmpeg fonts-liberation googletest
          xvfb xauth dbus python3-dbusmock at-spi2-core python3-pyatspi)

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

# The whole program cross-built for Windows with MinGW against the static Qt
# of scripts/windows-deps, with ffmpeg.exe beside it; its tests and
# benchmarks run under Wine in a prefix inside the build.
windows_build_dir=$build_dir/windows
# Wine's recommends (graphics drivers, fonts, codecs) are not needed headless.
windows_packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 googletest
                  fonts-liberation nsis xvfb xauth xdotool)

build_windows() {
    apt_no_recommends=1 install_missing_packages "${windows_packages[@]}" &&
        windows_deps_build &&
        cmake -S "$repo" -B "$windows_build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/windows-qt.cmake" \
            -DQUILLARO_WINDOWS_QT="$windows_qt_dir" \
            -DQUILLARO_WINDOWS_ENCODER="$windows_ffmpeg_dir/ffmpeg.exe" >/dev/null &&
        cmake --build "$windows_build_dir"
}

# A one-second WMV clip (WMV2 video, WMA2 sound), made with the host's ffmpeg.
make_wmv_clip() { # PATH
    ffmpeg -nostdin -v error -f lavfi -i testsrc=size=160x120:rate=10:duration=1 \
        -f lavfi -i sine=duration=1 -c:v wmv2 -c:a wmav2 "$1"
}

stop_wine() {
    WINEPREFIX=$windows_build_dir/wineprefix wineserver -k 2>/dev/null || true
}
source "$repo/scripts/windows-deps.sh"

# The program folder a Windows user gets: the program, its pointer files,
# ffmpeg.exe with its license and source notice, and our license.
windows_package_dir=$build_dir/windows-package
quillaro_version=$(sed -n 's/^project(Quillaro VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")

package_windows() {
    local name=Quillaro-$quillaro_version-win64
    local stage=$windows_package_dir/stage/$name
    rm -rf "$windows_package_dir"
    mkdir -p "$stage"
    x86_64-w64-mingw32-strip -o "$stage/quillaro.exe" "$windows_build_dir/quillaro.exe"
    cp "$repo/resources/HAND-M.CUR" "$repo/resources/drag.ico" "$windows_ffmpeg_dir/ffmpeg.exe" \
        "$stage/"
    # Text files with Windows line ends, named so that they open on a double-click.
    local text
    for text in "LICENSE:LICENSE.txt" "$windows_ffmpeg_dir/COPYING.LGPLv2.1:ffmpeg-COPYING.LGPLv2.1.txt" \
        "$windows_ffmpeg_dir/SOURCE.txt:ffmpeg-SOURCE.txt"; do
        sed 's/\r*$/\r/' "$(cd "$repo" && realpath "${text%%:*}")" >"$stage/${text##*:}"
    done
    (cd "$windows_package_dir/stage" && cmake -E tar cf "../$name.zip" --format=zip "$name")
    cp "$repo/resources/app-icon/quillaro.ico" "$windows_package_dir/stage/"
    makensis -V2 -DVERSION="$quillaro_version" -DSTAGE="$stage" \
        -DICON="$windows_package_dir/stage/quillaro.ico" \
        -DOUTFILE="$windows_package_dir/$name-setup.exe" "$repo/packaging/windows/quillaro.nsi"
}
