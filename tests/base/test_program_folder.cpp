#include "base/ProgramFolder.h"
#include "base/Utf8Path.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string_view>
#include <tuple>

using namespace quillaro;

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
    for (const auto& [program, sep, file] : rows)
        EXPECT_EQ(programFile(folderOfProgramPath(program, sep), "HAND-M.CUR", sep), file)
            << program;
    EXPECT_TRUE(std::filesystem::exists(
        pathFromUtf8(programFile(runningProgramFolder(), QUILLARO_TEST_FILE_NAME))));
}
