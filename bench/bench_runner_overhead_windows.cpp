// Cost of RunAndWait around a Windows program that does nothing, against the
// least a Windows program can do to run it: CreateProcessW and a blocking
// WaitForSingleObject. Meant to run under Wine as well as on Windows.

#include "convert/ProcessRunner.h"
#include "win32/WindowsText.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>
#include <windows.h>

namespace {

constexpr int runs = 200;
// The runs are split into rounds that alternate between the two ways, so a
// busy moment of the machine hits both alike.
constexpr int rounds = 8;
constexpr int runsPerRound = runs / rounds;

using Clock = std::chrono::steady_clock;

std::string childPath() {
    wchar_t self[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH + 1);
    std::string path = quillaro::toUtf8(self);
    return path.substr(0, path.find_last_of('\\') + 1) + "noop_child.exe";
}

double bareSeconds(const std::string& program) {
    const std::wstring line = L"\"" + quillaro::toUtf16(program) + L"\"";
    const auto start = Clock::now();
    for (int k = 0; k < runsPerRound; ++k) {
        std::wstring writable = line;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started{};
        if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &started))
            return -1;
        WaitForSingleObject(started.hProcess, INFINITE);
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double runnerSeconds(const std::string& program, int& pumps) {
    const quillaro::Command command{program, {}};
    const auto start = Clock::now();
    for (int k = 0; k < runsPerRound; ++k) {
        if (quillaro::RunAndWait(command, 0, [&pumps] { ++pumps; }) != 0)
            return -1;
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main() {
    const std::string program = childPath();
    double bare = 0;
    double runner = 0;
    int pumps = 0;
    for (int round = 0; round < rounds; ++round) {
        const double bareRound = bareSeconds(program);
        const double runnerRound = runnerSeconds(program, pumps);
        if (bareRound < 0 || runnerRound < 0) {
            std::printf("bench_runner_overhead_windows: %s did not run\n", program.c_str());
            return 1;
        }
        std::printf("round %d: bare %.1f ms, RunAndWait %.1f ms (%d runs each)\n", round + 1,
                    bareRound * 1000, runnerRound * 1000, runsPerRound);
        bare += bareRound;
        runner += runnerRound;
    }
    std::printf("per run: bare %.2f ms, RunAndWait %.2f ms, %d event passes in %d runs\n",
                bare / runs * 1000, runner / runs * 1000, pumps, runs);
    std::printf("bench_runner_overhead_windows: %.3fx (goal <= 1.2x)\n", runner / bare);
    return 0;
}
