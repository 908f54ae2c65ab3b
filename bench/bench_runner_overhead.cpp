// Cost of RunAndWait around a program that does nothing, against the least a
// POSIX program can do to run it: posix_spawn and a blocking waitpid.

#include "convert/ProcessRunner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

constexpr int runsPerRound = 200;
constexpr int rounds = 9;
const char* const program = "/bin/true";

using Clock = std::chrono::steady_clock;

double bareSeconds() {
    char* argv[] = {const_cast<char*>(program), nullptr};
    const auto start = Clock::now();
    for (int k = 0; k < runsPerRound; ++k) {
        pid_t pid = 0;
        if (::posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0)
            return -1;
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double runnerSeconds() {
    const quillaro::Command command{program, {}};
    int pumps = 0;
    const auto start = Clock::now();
    for (int k = 0; k < runsPerRound; ++k)
        if (quillaro::RunAndWait(command, 0, [&pumps] { ++pumps; }) != 0)
            return -1;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main() {
    std::vector<double> bare;
    std::vector<double> runner;
    // Interleaved, so that a busy moment of the machine hits both alike.
    for (int round = 0; round < rounds; ++round) {
        bare.push_back(bareSeconds());
        runner.push_back(runnerSeconds());
        std::printf("round %d: bare %.1f ms, RunAndWait %.1f ms (%d runs each)\n", round + 1,
                    bare.back() * 1000, runner.back() * 1000, runsPerRound);
    }
    if (*std::min_element(bare.begin(), bare.end()) < 0 ||
        *std::min_element(runner.begin(), runner.end()) < 0) {
        std::printf("bench_runner_overhead: %s did not run\n", program);
        return 1;
    }
    const double bareMedian = median(bare);
    const double runnerMedian = median(runner);
    std::printf("per run: bare %.0f us, RunAndWait %.0f us\n", bareMedian / runsPerRound * 1e6,
                runnerMedian / runsPerRound * 1e6);
    std::printf("bench_runner_overhead: %.3fx (goal <= 1.2x)\n", runnerMedian / bareMedian);
    return 0;
}
