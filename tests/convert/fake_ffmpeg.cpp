// Stands in for ffmpeg in tests. Called as the batch calls ffmpeg, "-i INPUT
// ... OUTPUT", it follows the lines of INPUT, one directive each; called with
// other arguments, they make one directive.
//   stderr TEXT   writes TEXT to standard error
//   spam N        writes a line of N dots there
//   sleep SECONDS
//   exit CODE     ends now with CODE
//   partial       starts writing OUTPUT
//   empty         leaves OUTPUT empty
//   nooutput      writes no OUTPUT
//   crash         ends now as a crashed program: killed by SIGKILL, or on
//                 Windows with the status of an access violation
//   race          another program makes OUTPUT first, so it is refused
//   hold SECONDS  another program makes OUTPUT and keeps it open a while
//   args          writes its arguments from the second on, one a line
//   show          writes how it was asked to show its window (Windows)
//   stdin         reads its standard input to the end and writes how much it got
// Otherwise it writes OUTPUT and exits 0. Like ffmpeg with no one to answer
// its "Overwrite?" question, it never replaces an existing OUTPUT. It reads
// its standard input only when told to.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h> // with shellapi.h, for CommandLineToArgvW
#else
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

std::vector<std::string> arguments;

fs::path pathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

void say(const std::string& text) {
    // Written at once: a crash must not lose it.
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void write(const std::string& path, const std::string& content) {
    std::ofstream(pathOf(path), std::ios::binary) << content;
}

void refuse(const std::string& output) {
    say("File '" + output + "' already exists. Exiting.\n");
}

void crash() {
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), 0xC0000005);
#else
    ::kill(::getpid(), SIGKILL);
#endif
}

// The holder is a second process with the file open; it outlives this one.
void hold(const std::string& output, const std::string& seconds) {
    write(output, "theirs");
#ifdef _WIN32
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE file = CreateFileW(pathOf(output).c_str(), GENERIC_READ, FILE_SHARE_READ, &inheritable,
                              OPEN_EXISTING, 0, nullptr);
    wchar_t self[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH + 1);
    std::wstring line = L"\"" + std::wstring(self) + L"\" sleep ";
    line.append(seconds.begin(), seconds.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION holder{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &holder)) {
        CloseHandle(holder.hThread);
        CloseHandle(holder.hProcess);
    }
    CloseHandle(file);
#else
    const int file = ::open(output.c_str(), O_RDONLY);
    if (::fork() == 0) {
        std::this_thread::sleep_for(std::chrono::duration<double>(std::stod(seconds)));
        ::_exit(0);
    }
    ::close(file);
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
#ifdef _WIN32
    // Split as Windows splits them, in UTF-16: main's argv went through the
    // ANSI code page. Nothing written is turned into CR LF.
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 0; i < argc; ++i) {
        const std::u8string text = fs::path(wide[i]).u8string();
        arguments.emplace_back(text.begin(), text.end());
    }
    _setmode(_fileno(stderr), _O_BINARY);
    (void)argv;
#else
    arguments.assign(argv, argv + argc);
#endif
    std::vector<std::string> directives;
    std::string input, output;
    if (arguments.size() > 3 && arguments[1] == "-i") {
        input = arguments[2];
        output = arguments.back();
        std::ifstream lines(pathOf(input), std::ios::binary);
        if (!lines) {
            say(input + ": No such file or directory\n");
            return 1;
        }
        if (fs::exists(fs::symlink_status(pathOf(output)))) {
            refuse(output);
            return 1;
        }
        for (std::string line; std::getline(lines, line);)
            directives.push_back(line);
    } else {
        std::string line;
        for (std::size_t i = 1; i < arguments.size(); ++i)
            line += (i > 1 ? " " : "") + arguments[i];
        directives.push_back(line);
    }

    bool writeOutput = !output.empty();
    for (const std::string& line : directives) {
        const std::size_t blank = line.find(' ');
        const std::string directive = line.substr(0, blank);
        const std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
        if (directive == "stderr")
            say(rest + "\n");
        else if (directive == "spam")
            say(std::string(std::stoul(rest), '.') + "\n");
        else if (directive == "sleep")
            std::this_thread::sleep_for(std::chrono::duration<double>(std::stod(rest)));
        else if (directive == "partial")
            write(output, "partial");
        else if (directive == "empty") {
            write(output, "");
            writeOutput = false;
        } else if (directive == "nooutput")
            writeOutput = false;
        else if (directive == "exit")
            return std::stoi(rest);
        else if (directive == "crash")
            crash();
        else if (directive == "race") {
            write(output, "theirs");
            refuse(output);
            return 1;
        } else if (directive == "hold") {
            hold(output, rest);
            writeOutput = false;
        } else if (directive == "args") {
            for (std::size_t i = 2; i < arguments.size(); ++i)
                say(arguments[i] + "\n");
        } else if (directive == "show")
            say(showState());
        else if (directive == "stdin") {
            std::size_t total = 0;
            while (std::fgetc(stdin) != EOF)
                ++total;
            say("read " + std::to_string(total));
        } else if (!directive.empty()) {
            say("unknown directive: " + line + "\n");
            return 99;
        }
    }
    if (writeOutput)
        write(output, "mp4 of " + input + "\n");
    return 0;
}
