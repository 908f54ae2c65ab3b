#pragma once

#include "tests/media/MediaBytes.h"

#include <string>

// The smallest whole MP4 (a file type box and an index holding a one-second
// movie header, no track), with `note` after it in a free box: what the fake
// encoder writes, and what a test finds there.
inline std::string fakeMp4(const std::string& note) {
    using namespace quillaro::testbytes;
    // Times, a time scale of 1000 and as long, rate and volume 1, the unit
    // matrix, the next track's number.
    const std::string zeros(24, '\0'), one = be(1 << 16, 4);
    const std::string movieHeader = zeros.substr(0, 12) + be(1000, 4) + be(1000, 4) + one +
                                    be(1 << 8, 2) + zeros.substr(0, 10) + one +
                                    zeros.substr(0, 12) + one + zeros.substr(0, 12) +
                                    be(1 << 30, 4) + zeros + be(1, 4);
    return box("ftyp", "isom" + be(512, 4) + "isom") + box("moov", box("mvhd", movieHeader)) +
           box("free", note);
}
