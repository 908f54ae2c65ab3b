#!/usr/bin/env python3
"""Writes the pointer pictures that sit beside Quillaro: HAND-M.CUR and drag.ico.

Both are drawn below as pixel art so that their bytes can be rebuilt exactly:
  python3 make_pointer_files.py            writes both files beside this script
  python3 make_pointer_files.py --check    fails when the files beside this
                                           script differ from what it would write
  python3 make_pointer_files.py --output-dir DIR   writes them into DIR instead

Standard library only.
"""

import argparse
import struct
import sys
from pathlib import Path

# '.' transparent, 'X' black outline, 'o' white fill.
PALETTE = {
    ".": None,
    "X": (0, 0, 0),
    "o": (255, 255, 255),
}

# A hand with the index finger pointing up. The pointer's hot spot is the
# fingertip: the top of the finger, where the user expects the click to land.
HAND = [
    "......XX........................",
    ".....XooX.......................",
    ".....XooX.......................",
    ".....XooX.......................",
    ".....XooX.......................",
    ".....XooX.......................",
    ".....XooXXX.....................",
    ".....XooXooXXX..................",
    ".....XooXooXooXX................",
    ".....XooXooXooXoX...............",
    "..XX.XooXooXooXooX..............",
    ".XooXXooXooXooXooX..............",
    ".XoooXoooooooooooX..............",
    "..XooXoooooooooooX..............",
    "...XoooooooooooooX..............",
    "....XooooooooooooX..............",
    "....XooooooooooooX..............",
    ".....XoooooooooooX..............",
    ".....XooooooooooX...............",
    "......XoooooooooX...............",
    "......XoooooooooX...............",
    "......XXXXXXXXXXX...............",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
]
HAND_HOT_SPOT = (6, 0)

# A four-way move arrow: the list's pointer while an entry is dragged to a new
# place. It is symmetric about pixel (16, 16), the middle of the picture, since
# an icon file carries no hot spot and toolkits then take the centre.
DRAG = [
    "................................",
    "................................",
    "................................",
    "................X...............",
    "...............XoX..............",
    "..............XoooX.............",
    ".............XoooooX............",
    "............XoooooooX...........",
    "...........XXXoooooXXX..........",
    "..............XoooX.............",
    "..............XoooX.............",
    "........X.....XoooX.....X.......",
    ".......XX.....XoooX.....XX......",
    "......XoX.....XoooX.....XoX.....",
    ".....XoooXXXXXoooooXXXXXoooX....",
    "....XoooooooooooooooooooooooX...",
    "...XoooooooooooooooooooooooooX..",
    "....XoooooooooooooooooooooooX...",
    ".....XoooXXXXXoooooXXXXXoooX....",
    "......XoX.....XoooX.....XoX.....",
    ".......XX.....XoooX.....XX......",
    "........X.....XoooX.....X.......",
    "..............XoooX.............",
    "..............XoooX.............",
    "...........XXXoooooXXX..........",
    "............XoooooooX...........",
    ".............XoooooX............",
    "..............XoooX.............",
    "...............XoX..............",
    "................X...............",
    "................................",
    "................................",
]

ICON_TYPE = 1
CURSOR_TYPE = 2
HEADER = struct.Struct("<HHH")
DIRECTORY_ENTRY = struct.Struct("<BBBBHHII")
BITMAP_INFO_HEADER = struct.Struct("<IiiHHIIiiII")


def pixels(grid):
    """The grid as rows of colours (None = transparent), checked for shape."""
    if len(grid) == 0 or any(len(row) != len(grid[0]) for row in grid):
        raise ValueError("the picture's rows differ in length")
    unknown = {ch for row in grid for ch in row} - PALETTE.keys()
    if unknown:
        raise ValueError(f"unknown pixel characters: {sorted(unknown)}")
    return [[PALETTE[ch] for ch in row] for row in grid]


def padded(row_bytes):
    """A bitmap row padded to a multiple of four bytes."""
    return row_bytes + bytes(-len(row_bytes) % 4)


def dib(rows):
    """The image as a 32-bit device-independent bitmap with its AND mask.

    The header's height counts both the colour pixels and the mask, and both
    are stored bottom row first.
    """
    height, width = len(rows), len(rows[0])
    colour = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray()
        bits = bytearray((width + 7) // 8)
        for x, rgb in enumerate(row):
            if rgb is None:
                line += bytes(4)
                bits[x // 8] |= 0x80 >> (x % 8)
            else:
                red, green, blue = rgb
                line += bytes((blue, green, red, 255))
        colour += padded(bytes(line))
        mask += padded(bytes(bits))
    header = BITMAP_INFO_HEADER.pack(
        BITMAP_INFO_HEADER.size, width, 2 * height, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0
    )
    return header + colour + mask


def icon_file(grid, file_type, hot_spot=None):
    """A one-image .ico (type 1) or .cur (type 2) file holding the grid.

    In a cursor file the two words that an icon uses for planes and bit count
    hold the hot spot instead.
    """
    rows = pixels(grid)
    height, width = len(rows), len(rows[0])
    if width > 256 or height > 256:
        raise ValueError("an icon image is at most 256 pixels on a side")
    if file_type == CURSOR_TYPE:
        x, y = hot_spot
        if not (0 <= x < width and 0 <= y < height):
            raise ValueError("the hot spot lies outside the picture")
        if rows[y][x] is None:
            raise ValueError("the hot spot lies on a transparent pixel")
        words = (x, y)
    else:
        words = (1, 32)
    image = dib(rows)
    offset = HEADER.size + DIRECTORY_ENTRY.size
    # A size of 256 is written as 0.
    entry = DIRECTORY_ENTRY.pack(width % 256, height % 256, 0, 0, *words, len(image), offset)
    return HEADER.pack(0, file_type, 1) + entry + image


def pointer_files():
    return {
        "HAND-M.CUR": icon_file(HAND, CURSOR_TYPE, HAND_HOT_SPOT),
        "drag.ico": icon_file(DRAG, ICON_TYPE),
    }


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="compare the files on disk with what would be written")
    parser.add_argument("--output-dir", type=Path, default=Path(__file__).resolve().parent)
    args = parser.parse_args(argv)

    stale = []
    for name, data in pointer_files().items():
        path = args.output_dir / name
        if args.check:
            if not path.is_file() or path.read_bytes() != data:
                stale.append(name)
        else:
            path.write_bytes(data)
    if stale:
        print(f"out of date: {', '.join(stale)} (run {Path(__file__).name} to rewrite)",
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
