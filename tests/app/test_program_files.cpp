#include "app/CursorHotSpot.h"
#include "app/ProgramFolder.h"
#include "convert/Utf8Path.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <tuple>
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

// The program's own path, and the pointer file beside it.
TEST(ProgramFolder, FilesBesideTheProgram) {
    const std::tuple<std::string_view, char, std::string_view> rows[] = {
        {"C:\\Tools\\quillaro.exe", '\\', "C:\\Tools\\HAND-M.CUR"},
        // A drive root keeps its own separator and gets another one.
        {"C:\\quillaro.exe", '\\', "C:\\\\HAND-M.CUR"},
        {"/tmp/prog\xe9/quillaro (deleted)", '/', "/tmp/prog\xe9/HAND-M.CUR"},
        {"/quillaro", '/', "//HAND-M.CUR"},
        // No folder, no file: never one looked for in whatever folder is current.
        {"quillaro", '/', ""},
    };
    for (const auto& [program, separator, file] : rows)
        EXPECT_EQ(quillaro::programFile(quillaro::folderOfProgramPath(program, separator),
                                        "HAND-M.CUR", separator),
                  file)
            << program;
}

TEST(ProgramFolder, IsTheFolderOfTheRunningProgramFile) {
    EXPECT_TRUE(std::filesystem::exists(quillaro::pathFromUtf8(
        quillaro::programFile(quillaro::runningProgramFolder(), QUILLARO_TEST_FILE_NAME))));
#ifndef _WIN32
    // A copy in a folder whose name is not UTF-8, started through a link.
    char root[] = "/tmp/quillaro-program-XXXXXX";
    ASSERT_TRUE(mkdtemp(root));
    const std::string folder = root + std::string("/prog\xe9");
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(QUILLARO_PROBE, folder + "/probe");
    std::filesystem::create_symlink(folder + "/probe", root + std::string("/link"));
    FILE* out = popen((root + std::string("/link")).c_str(), "r");
    std::string printed(4096, '\0');
    printed.resize(std::fread(printed.data(), 1, printed.size(), out));
    pclose(out);
    std::filesystem::remove_all(root);
    EXPECT_EQ(printed, folder);
#endif
}

} // namespace
