#include "base/CursorHotSpot.h"

#include <gtest/gtest.h>
#include <vector>

using namespace quillaro;

// A cursor file's header and first directory entry, `cut` bytes short: type,
// image size (0 means 256) and hot spot. The image data is not needed.
static std::vector<std::byte> header(int type, int width, int height, int x, int y, int cut = 0) {
    std::vector<std::byte> bytes;
    for (int v : {0,      0,        type,   0,    1,    0, width, height, 0, 0, x & 0xff,
                  x >> 8, y & 0xff, y >> 8, 0x30, 0x10, 0, 0,     22,     0, 0, 0})
        bytes.push_back(static_cast<std::byte>(v));
    bytes.resize(bytes.size() - cut);
    return bytes;
}

TEST(CursorHotSpot, IsReadOnlyFromACursorAndMustLieOnItsImage) {
    EXPECT_EQ(cursorHotSpot(header(2, 0, 0, 200, 255)), (HotSpot{200, 255}));
    // An icon, hot spots right of and below the image, a file cut short.
    for (const auto& file : {header(1, 32, 32, 0, 0), header(2, 32, 32, 32, 0),
                             header(2, 32, 16, 0, 16), header(2, 32, 32, 1, 1, 1)})
        EXPECT_FALSE(cursorHotSpot(file));
}
