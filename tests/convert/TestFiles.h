#pragma once

#include "base/ProgramFolder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

// A fresh folder under the temporary folder, removed with everything in it.
struct TempFolder {
    TempFolder() { std::filesystem::create_directory(path); }
    TempFolder(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }

    std::string file(const std::string& name) const { return (path / name).string(); }

    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("quillaro-test-" + std::to_string(std::random_device()()));
};

inline void writeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The tests' fake encoder, built beside them.
inline std::string fakeEncoder() {
    return quillaro::programFile(quillaro::runningProgramFolder(),
                                 "fake_" + std::string(quillaro::encoderFileName()));
}
