#pragma once

#include "base/ProgramFolder.h"
#include "convert/OutputWitness.h"
#include "convert/ProcessRunner.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

// A fresh folder under the temporary folder, removed with everything in it.
struct TempFolder {
    TempFolder() { std::filesystem::create_directory(path); }
    TempFolder(const TempFolder&) = delete;
    ~TempFolder() { std::filesystem::remove_all(path, ignored); }

    std::string file(const std::string& name) const { return (path / name).string(); }

    std::error_code ignored;
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

// The fake encoder, told what to do by its argument.
inline quillaro::RunResult run(std::string directive, std::optional<int> style = 0,
                               quillaro::PumpEvents pump = {},
                               std::string program = fakeEncoder()) {
    return quillaro::runProcess({std::move(program), {{std::move(directive)}}}, style, pump);
}

// Whether the system lets the witness see the encoder's open files: Linux's
// /proc and Windows do, Wine does not.
inline bool encoderWatched() {
    quillaro::OutputWitness witness(TempFolder().file("nothing"));
    quillaro::EventPump idle;
    quillaro::runProcess({fakeEncoder(), {{"exit 0"}}}, 0, idle,
                         [&](const quillaro::RunningChild& child) { witness.look(child); });
    return witness.seen().watched;
}
