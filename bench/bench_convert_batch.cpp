// 30 tiny real clips converted through the Convert command, against a plain
// loop that runs the same ffmpeg argument vectors one after another; and how
// long the window's event loop went without a 10 ms timer tick meanwhile.

#include "app/Form1.h"
#include "app/TwoStateButton.h"
#include "convert/EncoderCommand.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

extern char** environ;

namespace {

constexpr int clips = 30;
constexpr int rounds = 5;

struct Job {
    std::vector<std::string> argv;
    QString output;
};

// The baseline: what any program must do to run the encoder once per file.
double plainLoopSeconds(const std::vector<Job>& jobs) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    QElapsedTimer clock;
    clock.start();
    for (const Job& job : jobs) {
        std::vector<char*> argv;
        for (const std::string& argument : job.argv)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
            int status = 0;
            waitpid(pid, &status, 0);
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    return clock.nsecsElapsed() / 1e9;
}

void removeOutputs(const std::vector<Job>& jobs) {
    for (const Job& job : jobs)
        QFile::remove(job.output);
}

bool allWritten(const std::vector<Job>& jobs) {
    return std::all_of(jobs.begin(), jobs.end(),
                       [](const Job& job) { return QFileInfo(job.output).size() > 0; });
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.size() % 2 ? values[values.size() / 2]
                             : (values[values.size() / 2 - 1] + values[values.size() / 2]) / 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    QTemporaryDir folder;
    if (ffmpeg.isEmpty() || !folder.isValid()) {
        std::printf("bench_convert_batch: needs ffmpeg on the PATH and a temporary folder\n");
        return 1;
    }

    const QString program = folder.filePath(QStringLiteral("program"));
    QDir().mkpath(program);
    QFile::link(ffmpeg, program + QStringLiteral("/ffmpeg"));

    const QString source = folder.filePath(QStringLiteral("source.wmv"));
    QProcess make;
    make.setStandardInputFile(QProcess::nullDevice());
    make.start(ffmpeg,
               {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=160x120:rate=10:duration=1", "-f",
                "lavfi", "-i", "sine=duration=1", "-c:v", "wmv2", "-c:a", "wmav2", source});
    make.waitForFinished(60000);

    QString lastMessage;
    PlatformServices services = PlatformServices::system();
    services.programFolder = program.toStdString();
    services.showMessage = [&lastMessage](QWidget*, const QString& text) { lastMessage = text; };
    services.openWebPage = [](const QUrl&) {};
    Form1 window(services);
    window.show();
    QApplication::processEvents();

    const std::string encoder = quillaro::encoderPath(program.toStdString());
    std::vector<Job> jobs;
    for (int k = 1; k <= clips; ++k) {
        const QString clip = folder.filePath(QStringLiteral("clip %1.wmv").arg(k));
        QFile::copy(source, clip);
        window.AddFileToList(clip);
        const std::string entry = clip.toStdString();
        const std::string output = quillaro::outputPathFor(entry);
        jobs.push_back({quillaro::encoderCommand(encoder, entry, output).argv(),
                        QString::fromStdString(output)});
    }

    auto* convert = window.findChild<TwoStateButton*>(QStringLiteral("Check2"));
    QTimer ticker;
    ticker.setInterval(10);
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceTick.restart()); });

    std::vector<double> plain;
    std::vector<double> batch;
    const auto runPlain = [&] {
        removeOutputs(jobs);
        plain.push_back(plainLoopSeconds(jobs));
        return allWritten(jobs);
    };
    const auto runConvert = [&] {
        removeOutputs(jobs);
        QElapsedTimer clock;
        clock.start();
        sinceTick.start();
        ticker.start();
        convert->click();
        ticker.stop();
        batch.push_back(clock.nsecsElapsed() / 1e9);
        return allWritten(jobs) && lastMessage == QStringLiteral("Done.");
    };
    // Alternate which goes first, so that neither always meets a warmer cache.
    for (int round = 1; round <= rounds; ++round) {
        const bool converted = round % 2 ? runPlain() && runConvert() : runConvert() && runPlain();
        if (!converted) {
            std::printf("bench_convert_batch: a pass did not convert every clip (\"%s\")\n",
                        qPrintable(lastMessage));
            return 1;
        }
        std::printf("round %d: plain loop %.2f s, Convert %.2f s\n", round, plain.back(),
                    batch.back());
    }
    removeOutputs(jobs);

    const double ratio = median(batch) / median(plain);
    std::printf("%d clips: plain loop %.2f s, Convert %.2f s (medians of %d rounds)\n", clips,
                median(plain), median(batch), rounds);
    std::printf("longest gap between 10 ms timer ticks during Convert: %lld ms\n",
                static_cast<long long>(longestGap));
    std::printf("bench_convert_batch: %.3fx (goal <= 1.05x), longest tick gap %lld ms (goal <= "
                "50 ms)\n",
                ratio, static_cast<long long>(longestGap));
    return 0;
}
