#include "app/CursorHotSpot.h"
#include "app/ProgramFolder.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace {

using quillaro::cursorHotSpot;
using quillaro::HotSpot;

// A cursor file's header and first directory entry; the image data that
// would follow is not needed to find the hot spot.
std::vector<std::byte> cursorHeader(uint16_t type, int width, int height, int hotX, int hotY) {
    const std::vector<int> values = {
        0,
        0,
        type,
        0,
        1,
        0, // reserved, type, one image
        width & 0xff,
        height & 0xff,
        0,
        0, // size (0 means 256), colours, reserved
        hotX & 0xff,
        hotX >> 8,
        hotY & 0xff,
        hotY >> 8,
        0x30,
        0x10,
        0,
        0,
        22,
        0,
        0,
        0, // image size and offset
    };
    std::vector<std::byte> bytes;
    for (int v : values)
        bytes.push_back(static_cast<std::byte>(v));
    return bytes;
}

TEST(CursorHotSpot, ReadsTheHotSpotOfTheFirstImage) {
    EXPECT_EQ(cursorHotSpot(cursorHeader(2, 32, 32, 9, 1)), (HotSpot{9, 1}));
    EXPECT_EQ(cursorHotSpot(cursorHeader(2, 32, 32, 31, 31)), (HotSpot{31, 31}));
    // A size byte of 0 stands for 256 pixels.
    EXPECT_EQ(cursorHotSpot(cursorHeader(2, 0, 0, 200, 255)), (HotSpot{200, 255}));
}

TEST(CursorHotSpot, RefusesWhatIsNotACursor) {
    EXPECT_FALSE(cursorHotSpot(cursorHeader(1, 32, 32, 0, 0))) << "an icon has no hot spot";
    EXPECT_FALSE(cursorHotSpot(cursorHeader(2, 32, 32, 32, 0))) << "hot spot right of the image";
    EXPECT_FALSE(cursorHotSpot(cursorHeader(2, 32, 16, 0, 16))) << "hot spot below the image";

    auto truncated = cursorHeader(2, 32, 32, 1, 1);
    truncated.resize(21);
    EXPECT_FALSE(cursorHotSpot(truncated));
    EXPECT_FALSE(cursorHotSpot({}));

    auto noImages = cursorHeader(2, 32, 32, 1, 1);
    noImages[4] = std::byte{0};
    EXPECT_FALSE(cursorHotSpot(noImages));
}

TEST(ProgramFolder, AlwaysInsertsTheSeparator) {
    EXPECT_EQ(quillaro::programFile("C:\\Tools", "HAND-M.CUR", '\\'), "C:\\Tools\\HAND-M.CUR");
    // A drive root keeps its own separator and gets another one.
    EXPECT_EQ(quillaro::programFile("C:\\", "HAND-M.CUR", '\\'), "C:\\\\HAND-M.CUR");
    EXPECT_EQ(quillaro::programFile("/opt/quillaro", "drag.ico", '/'), "/opt/quillaro/drag.ico");
}

} // namespace
