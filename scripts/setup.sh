# Shared by scripts/run, scripts/test and scripts/bench: installs what is
# missing, then configures and builds. Source it; do not run it.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${QUILLARO_BUILD_DIR:-$repo/build}

packages=(cmake ninja-build g++ qt6-base-dev libqt6svg6 ffmpeg fonts-liberation googletest
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
        "${missing[@]}" </dev/null
}

build_quillaro() {
    install_missing_packages "${packages[@]}"
    cmake -S "$repo" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build_dir"
}
