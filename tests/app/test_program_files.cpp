#include "app/CursorHotSpot.h"
#include "app/ProgramFolder.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using quillaro::HotSpot;

// A cursor file's header and first directory entry: type, image size (0 means
// 256) and hot spot. The image data that would follow is not needed.
std::vector<std::byte> header(int type, int width, int height, int hotX, int hotY) {
    std::vector<std::byte> bytes;
    for (int v :
         {0,         0,           type,      0,    1,    0, width, height, 0, 0, hotX & 0xff,
          hotX >> 8, hotY & 0xff, hotY >> 8, 0x30, 0x10, 0, 0,     22,     0, 0, 0})
        bytes.push_back(static_cast<std::byte>(v));
    return bytes;
}

TEST(CursorHotSpot, IsReadOnlyFromACursorAndMustLieOnItsImage) {
    EXPECT_EQ(quillaro::cursorHotSpot(header(2, 32, 32, 9, 1)), (HotSpot{9, 1}));
    EXPECT_EQ(quillaro::cursorHotSpot(header(2, 0, 0, 200, 255)), (HotSpot{200, 255}));
    EXPECT_FALSE(quillaro::cursorHotSpot(header(1, 32, 32, 0, 0))) << "an icon";
    EXPECT_FALSE(quillaro::cursorHotSpot(header(2, 32, 32, 32, 0))) << "right of the image";
    EXPECT_FALSE(quillaro::cursorHotSpot(header(2, 32, 16, 0, 16))) << "below the image";
    auto truncated = header(2, 32, 32, 1, 1);
    truncated.pop_back();
    EXPECT_FALSE(quillaro::cursorHotSpot(truncated));
}

TEST(ProgramFolder, AlwaysInsertsTheSeparator) {
    EXPECT_EQ(quillaro::programFile("C:\\Tools", "HAND-M.CUR", '\\'), "C:\\Tools\\HAND-M.CUR");
    // A drive root keeps its own separator and gets another one.
    EXPECT_EQ(quillaro::programFile("C:\\", "HAND-M.CUR", '\\'), "C:\\\\HAND-M.CUR");
}

} // namespace
