#!/usr/bin/env bash
# Renders the drawings in this folder to the raster pictures the program and
# its packages use, so that no SVG support is needed at run time:
#   <button>.png and <button>@2x.png   32 and 64 px, built into the program
#   ../app-icon/quillaro-<n>.png       the application icon, 16 to 256 px
#   ../app-icon/quillaro.ico           the same sizes in one file, for Windows
# Run it after changing a drawing and commit what it writes. Needs rsvg-convert
# (Debian's librsvg2-bin) and python3.
set -euo pipefail
cd "$(dirname "$0")"
for button in media-file open-folder convert; do
    rsvg-convert -w 32 -h 32 "$button.svg" -o "$button.png"
    rsvg-convert -w 64 -h 64 "$button.svg" -o "$button@2x.png"
done
sizes=(16 22 24 32 48 64 128 256)
for size in "${sizes[@]}"; do
    rsvg-convert -w "$size" -h "$size" ../app-icon/quillaro.svg -o "../app-icon/quillaro-$size.png"
done
# An ICO may hold PNG images as they are; Windows takes each size it needs.
python3 - "${sizes[@]}" <<'PY'
import struct, sys
sizes = [int(s) for s in sys.argv[1:] if int(s) in (16, 24, 32, 48, 64, 128, 256)]
images = [open(f"../app-icon/quillaro-{s}.png", "rb").read() for s in sizes]
header = struct.pack("<HHH", 0, 1, len(images))
offset = len(header) + 16 * len(images)
entries = b""
for size, image in zip(sizes, images):
    entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
    offset += len(image)
open("../app-icon/quillaro.ico", "wb").write(header + entries + b"".join(images))
PY
