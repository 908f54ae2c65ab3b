// Stands in for ffmpeg in tests. Called as the batch calls ffmpeg, "-i INPUT
// ... OUTPUT", it follows the lines of INPUT, one directive each; called with
// other arguments, they make one directive.
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
//   args          writes its arguments from the second on, one a line
//   show          writes how it was asked to show its window (Windows)
//   stdin         reads its standard input to the end and writes how much it got
// Otherwise it writes OUTPUT and exits 0. Like ffmpeg with no one to answer
// its "Overwrite?" question, it never replaces an existing OUTPUT. It reads
// its standard input only when told to.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
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

void pause(const std::string& seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(std::stod(seconds)));
}

void crash() {
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), 0xC0000005);
#else
    ::kill(::getpid(), SIGKILL);
#endif
}

// The holder is a copy of this program that has the file open; the file is
// handed down to it, and it outlives this one.
void hold([[maybe_unused]] const std::string& self, const std::string& output,
          const std::string& seconds) {
    write(output, "theirs");
#ifdef _WIN32
    [[maybe_unused]] std::FILE* const handedDown = _wfopen(pathOf(output).c_str(), L"rb");
    const std::wstring program = pathOf(self).wstring(), quoted = L"\"" + program + L"\"";
    _wspawnl(_P_NOWAIT, program.c_str(), quoted.c_str(), L"sleep",
             std::wstring(seconds.begin(), seconds.end()).c_str(), nullptr);
#else
    [[maybe_unused]] std::FILE* const handedDown = std::fopen(output.c_str(), "rb");
    if (::fork() == 0) {
        pause(seconds);
        ::_exit(0);
    }
#endif
}

std::string showState() {
#ifdef _WIN32
    STARTUPINFOW startup{};
    GetStartupInfoW(&startup);
    return std::to_string((startup.dwFlags & STARTF_USESHOWWINDOW) != 0) + " " +
           std::to_string(startup.wShowWindow);
#else
    return {};
#endif
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv, argv + argc);
#ifdef _WIN32
    // Split as Windows splits them, in UTF-16: main's argv went through the
    // ANSI code page. Nothing written is turned into CR LF.
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
    arguments.clear();
    for (int i = 0; i < argc; ++i) {
        const std::u8string text = fs::path(wide[i]).u8string();
        arguments.emplace_back(text.begin(), text.end());
    }
    _setmode(_fileno(stderr), _O_BINARY);
#endif
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
        directives << (i > 1 ? " " : "") << arguments[i];

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
        } else if (directive == "hold")
            hold(arguments[0], output, rest);
        else if (directive == "args") {
            for (std::size_t i = 2; i < arguments.size(); ++i)
                say(arguments[i] + "\n");
        } else if (directive == "show")
            say(showState());
        else if (directive == "stdin") {
            std::size_t total = 0;
            while (std::fgetc(stdin) != EOF)
                ++total;
            say("read " + std::to_string(total));
        } else if (directive != "nooutput") {
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
