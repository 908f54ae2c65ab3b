// Stands in for ffmpeg in tests. Called as the batch calls ffmpeg, "-i INPUT
// ... OUTPUT", it follows the lines of INPUT, one directive each; called with
// other arguments, each is a directive.
//   stderr TEXT   writes TEXT to standard error
//   sleep SECONDS
//   exit CODE     ends now with CODE
//   crash         ends now as a crashed program: killed by SIGKILL, or on
//                 Windows with the status of an access violation
//   partial       writes to OUTPUT, and keeps it open until it exits
//   close         closes it then
//   replace       another program removes OUTPUT and writes its own there,
//                 again until it has the old one's inode number (POSIX only)
//   scrawl        another program writes as much into OUTPUT (POSIX only)
//   empty         leaves OUTPUT empty, open until it exits
//   nooutput      writes no OUTPUT
//   hold SECONDS  another program makes OUTPUT and keeps it open a while
//   folder        another program makes OUTPUT a folder
//   hardlink      OUTPUT is made, and given a second name
//   show          writes the show state it was given (Windows only), or -1
//   stdin         reads its standard input to the end and writes how much it got
//   orphan SECONDS writes "orphan PID" and leaves process PID behind, which
//                 writes that line to the standard error it inherits, as fast
//                 as it can, for SECONDS (whether the writes fail or not)
//                 (POSIX only)
//   scribble SECONDS writes such lines itself (POSIX only)
// Otherwise it writes OUTPUT, a whole MP4, and exits 0. Like ffmpeg with no
// one to answer its "Overwrite?" question, it never replaces an existing
// OUTPUT. It reads its standard input only when told to.
#include "tests/convert/FakeMp4.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

void pause(const std::string& seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(std::stod(seconds)));
}

void write(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

#ifdef _WIN32
// A copy of this program, `self`, that keeps `file` open for `seconds`. It
// lets others do anything with the file: only its being open can tell.
void startHolder(const std::string& self, const std::string& file, const std::string& seconds) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                &inherited, OPEN_EXISTING, 0, nullptr);
    _spawnl(_P_NOWAIT, self.c_str(), ("\"" + self + "\"").c_str(),
            ("\"sleep " + seconds + "\"").c_str(), nullptr);
}
#else
// Does `work` in a process of its own, another program as far as anyone can
// tell; returns that process's number.
template <typename Work> pid_t elsewhere(Work work) {
    const pid_t other = ::fork();
    if (other == 0) {
        work();
        ::_exit(0);
    }
    return other;
}

void startHolder(const std::string&, const std::string& file, const std::string& seconds) {
    static std::ifstream handedDown(file);
    elsewhere([&] { pause(seconds); });
}

// Removes `file` and writes another there until it has the old one's inode number.
void replace(const std::string& file) {
    struct stat old = {}, now = {};
    ::stat(file.c_str(), &old);
    for (int tries = 0; tries < 1000 && now.st_ino != old.st_ino; ++tries) {
        fs::remove(file);
        write(file, "theirs");
        ::stat(file.c_str(), &now);
    }
}

// Writes "orphan PID" lines to standard error until `seconds` have passed.
void scribble(const std::string& seconds) {
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(std::stod(seconds));
    const std::string line = "orphan " + std::to_string(::getpid()) + "\n";
    while (std::chrono::steady_clock::now() < end)
        (void)!::write(STDERR_FILENO, line.data(), line.size());
}
#endif

} // namespace

int main(int argc, char** argv) {
    // Standard error is unbuffered: a crash loses nothing said before it.
    const std::vector<std::string> arguments(argv, argv + argc);
    const bool encoding = arguments.size() > 3 && arguments[1] == "-i";
    const std::string input = encoding ? arguments[2] : "";
    const std::string output = encoding ? arguments.back() : "";
    std::stringstream directives;
    if (encoding) {
        if (fs::exists(fs::symlink_status(output))) {
            std::cerr << "File '" + output + "' already exists. Exiting.\n";
            return 1;
        }
        directives << std::ifstream(input, std::ios::binary).rdbuf();
    }
    for (std::size_t i = 1; !encoding && i < arguments.size(); ++i)
        directives << arguments[i] << '\n';

    bool writeOutput = encoding;
    std::ofstream kept;
    for (std::string line; std::getline(directives, line);) {
        const std::size_t blank = std::min(line.find(' '), line.size());
        const std::string directive = line.substr(0, blank);
        const std::string rest = line.substr(std::min(blank + 1, line.size()));
        if (directive == "stderr")
            std::cerr << rest + "\n";
        else if (directive == "sleep")
            pause(rest);
        else if (directive == "exit")
            return std::stoi(rest);
        else if (directive == "crash")
#ifdef _WIN32
            TerminateProcess(GetCurrentProcess(), 0xC0000005);
#else
            ::kill(::getpid(), SIGKILL);
#endif
        else if (directive == "partial" || directive == "empty") {
            if (!kept.is_open())
                kept.open(output, std::ios::binary);
            kept << (directive == "partial" ? "partial" : "") << std::flush;
        } else if (directive == "close")
            kept.close();
#ifndef _WIN32
        else if (directive == "replace")
            ::waitpid(elsewhere([&] { replace(output); }), nullptr, 0);
        else if (directive == "scrawl")
            ::waitpid(elsewhere([&] { write(output, "scrawl!"); }), nullptr, 0);
        else if (directive == "orphan")
            std::cerr << "orphan " + std::to_string(elsewhere([&] { scribble(rest); })) + "\n";
        else if (directive == "scribble")
            scribble(rest);
#endif
        else if (directive == "hold") {
            write(output, "theirs");
            startHolder(arguments[0], output, rest);
        } else if (directive == "folder")
            fs::create_directory(output);
        else if (directive == "hardlink") {
            write(output, "partial");
            fs::create_hard_link(output, output + ".link");
        }
#ifdef _WIN32
        else if (STARTUPINFOW startup{}; directive == "show") {
            GetStartupInfoW(&startup);
            std::cerr << (startup.dwFlags & STARTF_USESHOWWINDOW ? startup.wShowWindow : -1);
        }
#endif
        else if (directive == "stdin")
            std::cerr << "read " << std::distance(std::istreambuf_iterator<char>(std::cin), {});
        else if (directive != "nooutput") {
            std::cerr << "unknown directive: " + line + "\n";
            return 99;
        }
        writeOutput &= directive != "empty" && directive != "nooutput" && directive != "hold";
    }
    if (writeOutput)
        write(output, fakeMp4("mp4 of " + input + "\n"));
    return 0;
}
