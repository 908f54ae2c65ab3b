# The static Qt and the ffmpeg.exe for the Windows program, built once from
# Debian's source packages into a cache outside the clone. Source it; do not
# run it (scripts/windows-deps is the command).
#
# After windows_deps_resolve or windows_deps_build:
#   windows_qt_dir      the static Qt for x86_64-w64-mingw32 (an install tree)
#   windows_ffmpeg_dir  ffmpeg.exe with COPYING.LGPLv2.1 and SOURCE.txt

windows_deps_cache=${QUILLARO_CACHE:-${XDG_CACHE_HOME:-${HOME:-/root}/.cache}/quillaro}
windows_deps_packages=(dpkg-dev xz-utils cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools
                       g++-mingw-w64-x86-64-posix nasm make pkgconf)

# Options of the static Qt: Widgets and Test only, with everything the program
# does not use left out. tabletevent: the +dfsg tarball lacks wintab.h.
# directwrite3: Qt 6.4 builds its DirectWrite font database only with Direct2D,
# yet the windows platform plugin refers to it while directwrite3 is on.
# FreeType: the offscreen platform (the GUI tests) is built only with it.
windows_qt_options=(
    -xplatform win32-g++ -static -static-runtime -release
    -nomake examples -nomake tests
    -no-feature-network -no-feature-sql -no-dbus -no-opengl -no-feature-printsupport
    -no-feature-concurrent -no-feature-xml -no-feature-vulkan -no-zstd -no-icu
    -no-direct2d -no-feature-directwrite3 -no-feature-tabletevent
    -qt-zlib -qt-libpng -qt-libjpeg -qt-pcre -qt-harfbuzz -qt-doubleconversion -qt-freetype
    -feature-testlib
)

# ffmpeg.exe, LGPL only, with what the fixed command line needs: every codec
# that Windows Media files carry in practice, and the containers a file named
# .wmv often really is (AVI, MP4/MOV, Matroska) with their common codecs, in;
# MPEG-4 Part 2 and AAC out into MP4; and the conversions ffmpeg inserts on
# its own between them.
windows_ffmpeg_decoders=(
    # Windows Media video, screen and image codecs, and the MPEG-4 v1-3 of early .asf files
    wmv1 wmv2 wmv3 vc1 wmv3image vc1image mss1 mss2 msmpeg4v1 msmpeg4v2 msmpeg4v3
    # Windows Media and other sound and voice codecs found in ASF
    wmav1 wmav2 wmapro wmavoice wmalossless mp3 mp3float mp2 mp2float
    gsm_ms truespeech sipr acelp_kelvin g723_1 g729
    adpcm_ms adpcm_ima_wav adpcm_ima_qt adpcm_g726
    pcm_u8 pcm_s16le pcm_s16be pcm_s24le pcm_s24be pcm_s32le pcm_s32be
    pcm_f32le pcm_f32be pcm_f64le pcm_alaw pcm_mulaw
    # JPEG picture streams, and the common video of AVI, MOV/MP4 and Matroska
    mjpeg mpeg4 h263 h264 hevc mpeg1video mpeg2video dvvideo vp8 vp9
    aac ac3 eac3 dca vorbis opus flac
)
windows_ffmpeg_parsers=(
    vc1 mpeg4video h263 h264 hevc mpegvideo mjpeg vp8 vp9
    aac ac3 dca mpegaudio vorbis opus flac gsm g723_1
)
windows_ffmpeg_options=(
    --target-os=mingw32 --arch=x86_64 --cross-prefix=x86_64-w64-mingw32-
    --cc=x86_64-w64-mingw32-gcc-posix --cxx=x86_64-w64-mingw32-g++-posix
    --enable-static --disable-shared --disable-debug --disable-doc
    --disable-autodetect --disable-network --disable-everything
    # --disable-autodetect turns threading off too: without this, one core.
    --enable-w32threads
    --disable-ffplay --disable-ffprobe
    --disable-gpl --disable-nonfree --disable-version3
    --enable-protocol=file --enable-demuxer=asf,avi,mov,matroska --enable-muxer=mp4
    "--enable-decoder=$(IFS=,; echo "${windows_ffmpeg_decoders[*]}")"
    --enable-encoder=mpeg4,aac
    "--enable-parser=$(IFS=,; echo "${windows_ffmpeg_parsers[*]}")"
    --enable-filter=aresample,aformat,format,scale,null,anull
    --extra-ldflags=-static
)

# A private apt state that knows Debian's source packages: the machine's own
# sources, read as deb-src. Nothing of the machine's apt setup is changed.
windows_deps_apt() {
    local state=$windows_deps_cache/apt f
    rm -rf "$state/parts"
    mkdir -p "$state/lists/partial" "$state/cache/archives/partial" "$state/parts"
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] && sed -n 's/^deb \(.*\)$/deb-src \1/p' "$f"
    done >"$state/parts/src.list"
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] && sed 's/^Types:.*$/Types: deb-src/' "$f" >"$state/parts/$(basename "$f")"
    done
    windows_deps_apt_options=(
        -o "Dir::Etc::SourceList=/dev/null"
        -o "Dir::Etc::SourceParts=$state/parts"
        -o "Dir::State::Lists=$state/lists"
        -o "Dir::Cache=$state/cache"
    )
}

windows_deps_source_version() { # PACKAGE
    apt-cache "${windows_deps_apt_options[@]}" showsrc "$1" 2>/dev/null |
        sed -n 's/^Version: //p' | sort -V | tail -n1
}

windows_deps_recipe_hash() { # WHAT...
    { printf '%s\n' "$@"; x86_64-w64-mingw32-gcc-posix --version | head -n1; } |
        sha256sum | cut -c1-12
}

# Sets windows_qt_dir and windows_ffmpeg_dir to the folders for today's source
# versions and recipes. Offline, the newest finished builds in the cache stand in.
windows_deps_resolve() {
    windows_deps_apt
    local qt_version="" ffmpeg_version=""
    # A third-party repository without sources fails the update, but the
    # Debian ones still answer.
    apt-get "${windows_deps_apt_options[@]}" -qq update >/dev/null 2>&1 </dev/null || true
    qt_version=$(windows_deps_source_version qt6-base)
    ffmpeg_version=$(windows_deps_source_version ffmpeg)
    if [ -z "$qt_version" ] || [ -z "$ffmpeg_version" ]; then
        echo "Debian's source index is out of reach: using the newest cached builds." >&2
        windows_qt_dir=$(ls -dt "$windows_deps_cache"/qt-*/.complete 2>/dev/null | head -n1)
        windows_ffmpeg_dir=$(ls -dt "$windows_deps_cache"/ffmpeg-*/.complete 2>/dev/null | head -n1)
        windows_qt_dir=${windows_qt_dir%/.complete}
        windows_ffmpeg_dir=${windows_ffmpeg_dir%/.complete}
        [ -n "$windows_qt_dir" ] && [ -n "$windows_ffmpeg_dir" ]
        return
    fi
    windows_qt_version=$qt_version
    windows_ffmpeg_version=$ffmpeg_version
    windows_qt_dir=$windows_deps_cache/qt-${qt_version//:/_}-$(windows_deps_recipe_hash \
        "${windows_qt_options[@]}" "$(declare -f windows_deps_build_qt)")
    windows_ffmpeg_dir=$windows_deps_cache/ffmpeg-${ffmpeg_version//:/_}-$(windows_deps_recipe_hash \
        "${windows_ffmpeg_options[@]}" "$(declare -f windows_deps_build_ffmpeg)")
}

# Fetches and unpacks a source package, Debian's patches applied, into DIR.
windows_deps_unpack() { # PACKAGE VERSION DIR
    local package=$1 version=$2 dir=$3 downloads=$windows_deps_cache/downloads
    mkdir -p "$downloads"
    (cd "$downloads" &&
        apt-get "${windows_deps_apt_options[@]}" -qq source --download-only \
            "$package=$version" >/dev/null 2>&1 </dev/null)
    rm -rf "$dir"
    # apt checked the files against the signed index; the .dsc signature's
    # keys are not on every machine.
    dpkg-source --no-check -x "$downloads/${package}_${version#*:}.dsc" "$dir" >/dev/null
}

# Runs a build step with its output in LOG, printing a line per tenth of the
# way (ninja) or per minute (make), and the log's end when it fails.
windows_deps_step() { # LOG COMMAND...
    local log=$1
    shift
    local start=$SECONDS
    if ! NINJA_STATUS='[%f/%t] ' "$@" 2>&1 | tee "$log" | awk -v start="$start" '
            /^\[[0-9]+\/[0-9]+\] / {
                split(substr($1, 2), n, "/")
                tenth = int(n[1] * 10 / n[2])
                if (tenth > shown) { shown = tenth; printf "    %d%% (%d of %d steps)\n", tenth * 10, n[1], n[2]; fflush() }
                next
            }
            { now = systime(); if (now - last >= 60) { last = now; print "    ..."; fflush() } }'
    then
        echo "    failed after $((SECONDS - start)) s; the end of $log:" >&2
        tail -n 40 "$log" >&2
        return 1
    fi
    echo "    took $((SECONDS - start)) s"
}

windows_deps_build_qt() { # SOURCE BUILD PREFIX
    local source=$1 build=$2 prefix=$3
    mkdir -p "$build" "$prefix"
    # The toolchain stays with the installed Qt: its CMake files refer to it.
    cat >"$prefix/mingw-w64-toolchain.cmake" <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
list(APPEND CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
    echo "  configuring"
    (cd "$build" && windows_deps_step "$build/configure.log" "$source/configure" \
        -prefix "$prefix" "${windows_qt_options[@]}" -qt-host-path /usr \
        -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64-toolchain.cmake" \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
    echo "  building (about 17 minutes on two cores)"
    windows_deps_step "$build/build.log" cmake --build "$build"
    echo "  installing"
    windows_deps_step "$build/install.log" cmake --install "$build"
}

windows_deps_build_ffmpeg() { # SOURCE PREFIX VERSION
    local source=$1 prefix=$2 version=$3
    local upstream=${version#*:}
    upstream=${upstream%-*}
    mkdir -p "$prefix"
    echo "  configuring"
    (cd "$source" && windows_deps_step "$source/configure.log" ./configure \
        "${windows_ffmpeg_options[@]}")
    # configure refuses nothing it was not asked for; check that the result
    # really is LGPL before it goes into a package.
    grep -q '^License: LGPL version 2.1 or later' "$source/configure.log" || {
        echo "  ffmpeg did not configure as LGPL 2.1" >&2
        return 1
    }
    # Threads and the x86 assembly are what make it as fast as Linux's.
    grep -q '^threading support *w32threads' "$source/configure.log" || {
        echo "  ffmpeg configured without threads" >&2
        return 1
    }
    grep -q '^standalone assembly *yes' "$source/configure.log" || {
        echo "  ffmpeg configured without its x86 assembly" >&2
        return 1
    }
    # A name configure does not know is only warned about: a codec would
    # silently be missing.
    if grep -i 'did not match anything' "$source/configure.log" >&2; then
        echo "  ffmpeg's configure did not know every component asked for" >&2
        return 1
    fi
    echo "  building (about 2 minutes on two cores)"
    (cd "$source" && windows_deps_step "$source/make.log" make -j"$(nproc)" ffmpeg.exe)
    x86_64-w64-mingw32-strip -o "$prefix/ffmpeg.exe" "$source/ffmpeg.exe"
    cp "$source/COPYING.LGPLv2.1" "$prefix/COPYING.LGPLv2.1"
    cat >"$prefix/SOURCE.txt" <<EOF
ffmpeg.exe is FFmpeg, built from Debian's source package ffmpeg $version
(https://sources.debian.org/src/ffmpeg/${version#*:}/) for 64-bit Windows
with MinGW-w64, statically linked, under the GNU Lesser General Public
License version 2.1 or later (COPYING.LGPLv2.1). It was configured with

  ./configure ${windows_ffmpeg_options[*]}

The complete corresponding source is that package (apt-get source
ffmpeg=$version); FFmpeg's own release of the same code, without Debian's
changes, is https://ffmpeg.org/releases/ffmpeg-$upstream.tar.xz
EOF
}

# Removes the builds of KIND that KEEP replaces.
windows_deps_prune() { # KIND KEEP
    local old
    for old in "$windows_deps_cache/$1"-*; do
        [ "$old" = "$2" ] || rm -rf "$old"
    done
}

# Builds KIND from Debian's source package PACKAGE (its sources unpacked in
# $windows_deps_cache/work/KIND/src) into DIR with COMMAND..., unless a
# finished build is there. A build counts as finished only when COMMAND
# succeeded and left PRODUCT: callers may run this where a failing step
# does not stop the script.
windows_deps_ensure() { # KIND PACKAGE VERSION DIR PRODUCT COMMAND...
    local kind=$1 package=$2 version=$3 dir=$4 product=$5
    local work=$windows_deps_cache/work/$kind
    shift 5
    [ -f "$dir/.complete" ] && return 0
    echo "== Building $kind into $dir"
    rm -rf "$dir" "$work"
    mkdir -p "$work"
    echo "  fetching $package $version"
    windows_deps_unpack "$package" "$version" "$work/src" || return 1
    "$@" && [ -f "$dir/$product" ] || {
        echo "  the $kind build failed; it is not kept" >&2
        rm -rf "$dir"
        return 1
    }
    touch "$dir/.complete"
    rm -rf "$work"
    windows_deps_prune "$kind" "$dir"
}

# Builds whichever of the two is missing from the cache.
windows_deps_build() {
    install_missing_packages "${windows_deps_packages[@]}"
    windows_deps_resolve || return 1
    local work=$windows_deps_cache/work
    windows_deps_ensure qt qt6-base "$windows_qt_version" "$windows_qt_dir" \
        lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake \
        windows_deps_build_qt "$work/qt/src" "$work/qt/build" "$windows_qt_dir" &&
        windows_deps_ensure ffmpeg ffmpeg "$windows_ffmpeg_version" "$windows_ffmpeg_dir" \
            ffmpeg.exe \
            windows_deps_build_ffmpeg "$work/ffmpeg/src" "$windows_ffmpeg_dir" \
            "$windows_ffmpeg_version"
}
