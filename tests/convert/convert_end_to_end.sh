#!/bin/sh
# Runs tst_convert_end_to_end with a real encoder and checks what it wrote:
#   convert_end_to_end.sh ENCODER TEST-PROGRAM [ITS EMULATOR...]
# ENCODER (ffmpeg, or ffmpeg.exe for a Windows build run under Wine) goes into
# the test's program folder; the clip comes from the host's ffmpeg, and the
# host's ffprobe must find MPEG-4 video and AAC audio in the MP4 of every
# input the test made.
set -eu
encoder=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program folder" "$work/real videos"
ln -s "$encoder" "$work/program folder/$(basename "$encoder")"
# Two seconds hold the bit rates steady enough to judge, and stay quick.
ffmpeg -nostdin -v error -f lavfi -i testsrc=size=640x480:rate=15:duration=2 \
    -f lavfi -i sine=duration=2 -c:v wmv2 -c:a wmav2 "$work/real videos/source.wmv"

# The test program comes last, after whatever runs it.
QUILLARO_END_TO_END_DIR=$work "$@"

find "$work/real videos" -type f ! -name source.wmv ! -name '*.mp4' >"$work/inputs.txt"
[ -s "$work/inputs.txt" ]
while IFS= read -r input; do
    streams=$(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "${input%.*}.mp4" |
        tr '\n' ' ')
    if [ "$streams" != "mpeg4 aac " ]; then
        echo "${input%.*}.mp4 holds: $streams" >&2
        exit 1
    fi
done <"$work/inputs.txt"
