#pragma once

#include "tests/media/MediaBytes.h"

#include <string>

// The smallest whole MP4 (a file type box and an index holding a one-second
// movie header, no track), with `note` after it in a free box: what the fake
// encoder writes, and what a test finds there.
inline std::string fakeMp4(const std::string& note) {
    using namespace quillaro::testbytes;
    return box("ftyp", "isom" + be(512, 4) + "isom") + box("moov", timeBox("mvhd", 0, 1000, 1000)) +
           box("free", note);
}
