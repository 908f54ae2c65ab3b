// The Convert command against a plain loop that runs the same encoder argument
// vectors one after another, and how long the window's event loop went
// without a 10 ms timer tick meanwhile. Twice: 30 tiny real clips converted
// by ffmpeg; and 10,000 entries for an encoder that ends at once, where the
// batch's own cost per entry, and its event handling between them, show:
// the entries are names of a real clip, whose header the batch reads, and
// the encoder writes a real MP4, whose index the batch reads.

#include "app/Form1.h"
#include "app/TwoStateButton.h"
#include "convert/EncoderCommand.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <optional>
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

struct Job {
    std::vector<std::string> argv;
    QString output;
};

// The baseline: what any program must do to run the encoder once per file.
// Also gives the longest single run, which no event handling can split: on a
// busy machine one start alone may take longer than the tick gap's goal.
double plainLoopSeconds(const std::vector<Job>& jobs, qint64& longestRunMilliseconds) {
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
        QElapsedTimer run;
        run.start();
        pid_t pid = 0;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
            int status = 0;
            waitpid(pid, &status, 0);
        }
        longestRunMilliseconds = std::max(longestRunMilliseconds, run.elapsed());
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

struct Figures {
    double plainSeconds = 0; // medians of the rounds
    double convertSeconds = 0;
    qint64 longestGapMilliseconds = 0;
    qint64 longestPlainRunMilliseconds = 0;
};

// A window whose program folder holds `encoder` as the encoder, listing
// `inputs`, is made to convert them `rounds` times, each time beside the
// plain loop; which of the two goes first alternates, so that neither always
// meets a warmer cache.
std::optional<Figures> compare(const char* name, const QString& encoder, const QStringList& inputs,
                               int rounds) {
    QTemporaryDir program;
    QFile::link(encoder, program.filePath(QString::fromUtf8(quillaro::encoderFileName())));

    QString lastMessage;
    PlatformServices services = PlatformServices::system();
    services.programFolder = program.path().toStdString();
    services.showMessage = [&lastMessage](QWidget*, const QString& text) { lastMessage = text; };
    services.openWebPage = [](const QUrl&) {};
    Form1 window(services);
    window.show();
    QApplication::processEvents();

    const std::string encoderPath = quillaro::encoderPath(program.path().toStdString());
    std::vector<Job> jobs;
    for (const QString& input : inputs) {
        window.AddFileToList(input);
        const std::string entry = input.toStdString();
        const std::string output = quillaro::outputPathFor(entry);
        jobs.push_back({quillaro::encoderCommand(encoderPath, entry, output).argv(),
                        QString::fromStdString(output)});
    }

    auto* convert = window.findChild<TwoStateButton*>(QStringLiteral("Check2"));
    Figures figures;
    QTimer ticker;
    ticker.setInterval(10);
    QElapsedTimer sinceTick;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        figures.longestGapMilliseconds =
            std::max(figures.longestGapMilliseconds, sinceTick.restart());
    });

    std::vector<double> plain;
    std::vector<double> batch;
    const auto runPlain = [&] {
        removeOutputs(jobs);
        plain.push_back(plainLoopSeconds(jobs, figures.longestPlainRunMilliseconds));
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
    for (int round = 1; round <= rounds; ++round) {
        const bool converted = round % 2 ? runPlain() && runConvert() : runConvert() && runPlain();
        if (!converted) {
            std::printf("%s: a pass did not convert every file (\"%s\")\n", name,
                        qPrintable(lastMessage.left(300)));
            return std::nullopt;
        }
        std::printf("%s round %d: plain loop %.2f s, Convert %.2f s\n", name, round, plain.back(),
                    batch.back());
    }
    removeOutputs(jobs);
    figures.plainSeconds = median(plain);
    figures.convertSeconds = median(batch);
    return figures;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    const QString instant = QCoreApplication::applicationDirPath() + "/instant_encoder";
    QTemporaryDir folder;
    if (ffmpeg.isEmpty() || !QFileInfo(instant).isExecutable() || !folder.isValid()) {
        std::printf("bench_convert_batch: needs ffmpeg on the PATH, instant_encoder beside this "
                    "program and a temporary folder\n");
        return 1;
    }

    const QString source = folder.filePath(QStringLiteral("source.wmv"));
    QProcess make;
    make.setStandardInputFile(QProcess::nullDevice());
    make.start(ffmpeg,
               {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=160x120:rate=10:duration=1", "-f",
                "lavfi", "-i", "sine=duration=1", "-c:v", "wmv2", "-c:a", "wmav2", source});
    make.waitForFinished(60000);
    QStringList clips;
    for (int k = 1; k <= 30; ++k) {
        clips << folder.filePath(QStringLiteral("clip %1.wmv").arg(k));
        QFile::copy(source, clips.back());
    }
    const QString mp4 = folder.filePath(QStringLiteral("source.mp4"));
    make.start(ffmpeg, {"-v", "error", "-i", source, mp4});
    make.waitForFinished(60000);
    qputenv("INSTANT_ENCODER_MP4", mp4.toLocal8Bit());
    QDir().mkdir(folder.filePath(QStringLiteral("many")));
    QStringList many;
    for (int k = 1; k <= 10'000; ++k) {
        many << folder.filePath(QStringLiteral("many/entry %1.wmv").arg(k));
        if (::link(QFile::encodeName(source).constData(),
                   QFile::encodeName(many.back()).constData()) != 0) {
            std::printf("bench_convert_batch: cannot link %s\n", qPrintable(many.back()));
            return 1;
        }
    }

    const auto real = compare("30 clips", ffmpeg, clips, 5);
    const auto fast = compare("10,000 entries", instant, many, 3);
    if (!real || !fast)
        return 1;

    std::printf("30 clips: plain loop %.2f s, Convert %.2f s (medians)\n", real->plainSeconds,
                real->convertSeconds);
    std::printf("10,000 entries, encoder that ends at once: per entry plain loop %.0f us, "
                "Convert %.0f us (medians)\n",
                fast->plainSeconds / many.size() * 1e6, fast->convertSeconds / many.size() * 1e6);
    std::printf("10,000 entries: longest single run in the plain loop %lld ms\n",
                static_cast<long long>(fast->longestPlainRunMilliseconds));
    std::printf("bench_convert_batch 30 clips: %.3fx (goal <= 1.05x)\n",
                real->convertSeconds / real->plainSeconds);
    std::printf("bench_convert_batch 30 clips, longest gap between 10 ms ticks: %lld ms (goal <= "
                "50 ms)\n",
                static_cast<long long>(real->longestGapMilliseconds));
    std::printf("bench_convert_batch 10,000 entries: %.3fx per entry (goal <= 1.2x)\n",
                fast->convertSeconds / fast->plainSeconds);
    std::printf("bench_convert_batch 10,000 entries, longest gap between 10 ms ticks: %lld ms "
                "(goal <= 50 ms)\n",
                static_cast<long long>(fast->longestGapMilliseconds));
    return 0;
}
