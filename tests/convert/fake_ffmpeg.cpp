// Stands in for ffmpeg in tests. Called as the batch calls ffmpeg, "-i INPUT
// ... OUTPUT", it follows the lines of INPUT, one directive each; called with
// other arguments, each is a directive.
//   stderr TEXT   writes TEXT to standard error
//   spam N        writes a line of N dots there
//   sleep SECONDS
//   exit CODE     ends now with CODE
//   crash         ends now as a crashed program: killed by SIGKILL, or on
//                 Windows with the status of an access violation
//   partial       starts writing OUTPUT
//   empty         leaves OUTPUT empty
//   nooutput      writes no OUTPUT
//   race          another program makes OUTPUT first, so it is refused
//   hold SECONDS  another program makes OUTPUT and keeps it open a while
//   folder        another program makes OUTPUT a folder
//   hardlink      OUTPUT is made, and given a second name
//   symlink       OUTPUT is made a link to a file that is not there
//   args          writes its arguments from the second on, one a line, and ends
//   show          writes how it was asked to show its window (Windows only)
//   stdin         reads its standard input to the end and writes how much it got
// Otherwise it writes OUTPUT and exits 0. Like ffmpeg with no one to answer
// its "Overwrite?" question, it never replaces an existing OUTPUT. It reads
// its standard input only when told to.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h> // with shellapi.h, for CommandLineToArgvW
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

fs::path pathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

void pause(const std::string& seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(std::stod(seconds)));
}

#ifdef _WIN32
// Split as Windows splits them, in UTF-16: main's argv went through the ANSI
// code page. Nothing written to standard error is turned into CR LF.
std::vector<std::string> setUp(int argc, char**) {
    _setmode(_fileno(stderr), _O_BINARY);
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        const std::u8string text = fs::path(wide[i]).u8string();
        arguments.emplace_back(text.begin(), text.end());
    }
    return arguments;
}

void crash() {
    TerminateProcess(GetCurrentProcess(), 0xC0000005);
}

// A copy of this program, `self`, that keeps `file` open for `seconds`. It
// lets others do anything with the file: only its being open can tell.
void startHolder(const std::string& self, const std::string& file, const std::string& seconds) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    CreateFileW(pathOf(file).c_str(), GENERIC_READ,
                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherited, OPEN_EXISTING,
                0, nullptr);
    const std::wstring program = pathOf(self).wstring(), quoted = L"\"" + program + L"\"";
    _wspawnl(_P_NOWAIT, program.c_str(), quoted.c_str(), L"sleep",
             std::wstring(seconds.begin(), seconds.end()).c_str(), nullptr);
}

std::string showState() {
    STARTUPINFOW startup{};
    GetStartupInfoW(&startup);
    return std::to_string((startup.dwFlags & STARTF_USESHOWWINDOW) != 0) + " " +
           std::to_string(startup.wShowWindow);
}
#else
std::vector<std::string> setUp(int argc, char** argv) {
    return {argv, argv + argc};
}

void crash() {
    ::kill(::getpid(), SIGKILL);
}

void startHolder(const std::string&, const std::string& file, const std::string& seconds) {
    static std::ifstream handedDown(file);
    if (::fork() == 0) {
        pause(seconds);
        ::_exit(0);
    }
}

std::string showState() {
    return {};
}
#endif

void say(const std::string& text) {
    // At once: a crash must not lose it.
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void write(const std::string& path, const std::string& content) {
    std::ofstream(pathOf(path), std::ios::binary) << content;
}

int refuse(const std::string& output) {
    say("File '" + output + "' already exists. Exiting.\n");
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = setUp(argc, argv);
    const bool encoding = arguments.size() > 3 && arguments[1] == "-i";
    const std::string input = encoding ? arguments[2] : "";
    const std::string output = encoding ? arguments.back() : "";
    std::stringstream directives;
    if (encoding) {
        std::ifstream file(pathOf(input), std::ios::binary);
        if (!file) {
            say(input + ": No such file or directory\n");
            return 1;
        }
        if (fs::exists(fs::symlink_status(pathOf(output))))
            return refuse(output);
        directives << file.rdbuf();
    }
    for (std::size_t i = 1; !encoding && i < arguments.size(); ++i)
        directives << arguments[i] << '\n';

    bool writeOutput = encoding;
    for (std::string line; std::getline(directives, line);) {
        const std::size_t blank = std::min(line.find(' '), line.size());
        const std::string directive = line.substr(0, blank);
        const std::string rest = line.substr(std::min(blank + 1, line.size()));
        if (directive == "stderr")
            say(rest + "\n");
        else if (directive == "spam")
            say(std::string(std::stoul(rest), '.') + "\n");
        else if (directive == "sleep")
            pause(rest);
        else if (directive == "exit")
            return std::stoi(rest);
        else if (directive == "crash")
            crash();
        else if (directive == "partial" || directive == "empty")
            write(output, directive == "partial" ? "partial" : "");
        else if (directive == "race") {
            write(output, "theirs");
            return refuse(output);
        } else if (directive == "hold") {
            write(output, "theirs");
            startHolder(arguments[0], output, rest);
        } else if (directive == "folder")
            fs::create_directory(pathOf(output));
        else if (directive == "hardlink") {
            write(output, "partial");
            fs::create_hard_link(pathOf(output), pathOf(output + ".link"));
        } else if (directive == "symlink")
            fs::create_symlink(pathOf(output + ".missing"), pathOf(output));
        else if (directive == "args") {
            for (std::size_t i = 2; i < arguments.size(); ++i)
                say(arguments[i] + "\n");
            return 0;
        } else if (directive == "show")
            say(showState());
        else if (directive == "stdin")
            say("read " + std::to_string(std::distance(std::istreambuf_iterator<char>(std::cin),
                                                       std::istreambuf_iterator<char>())));
        else if (directive != "nooutput") {
            say("unknown directive: " + line + "\n");
            return 99;
        }
        writeOutput =
            writeOutput && directive != "empty" && directive != "nooutput" && directive != "hold";
    }
    if (writeOutput)
        write(output, "mp4 of " + input + "\n");
    return 0;
}
