// The Windows build's ffmpeg.exe under Wine against the system's ffmpeg: the
// same 60 s 720p H.264 clip converted with the program's own arguments, as a
// ratio of wall times. An encoder that runs on one core shows at once.

#include "convert/EncoderCommand.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// Seconds from start to end of a run that succeeded; nothing otherwise.
std::optional<double> wallSeconds(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    const bool succeeded = process.waitForFinished(-1) &&
                           process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    const double seconds = clock.nsecsElapsed() / 1e9;
    return succeeded ? std::optional(seconds) : std::nullopt;
}

// A run that is to write `output`: its seconds when it did.
std::optional<double> conversionSeconds(const QString& program, const QStringList& arguments,
                                        const QString& output) {
    QFile::remove(output); // the encoder never overwrites
    const auto seconds = wallSeconds(program, arguments);
    return seconds && QFileInfo(output).size() > 0 ? seconds : std::nullopt;
}

// The encoder's arguments as the program gives them, without the program.
QStringList productArguments(const QString& input, const QString& output) {
    QStringList arguments;
    for (const std::string& argument :
         quillaro::encoderCommand({}, input.toStdString(), output.toStdString()).argv())
        arguments << QString::fromStdString(argument);
    return arguments.mid(1);
}

// Wine shows the host's file system as drive Z:.
QString inWine(QString path) {
    return "Z:" + path.replace('/', '\\');
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main() {
    const QString windowsBuild = QStringLiteral(QUILLARO_WINDOWS_BUILD_DIR);
    const QString windowsEncoder = windowsBuild + "/ffmpeg.exe";
    if (!QFileInfo::exists(windowsEncoder) || !QFileInfo::exists(windowsBuild + "/quillaro.exe")) {
        std::printf("\n*** bench_encoder_speed: NO WINDOWS BUILD at %s (ffmpeg.exe beside "
                    "quillaro.exe): SKIPPED ***\n\n",
                    QUILLARO_WINDOWS_BUILD_DIR);
        return 0;
    }
    const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    QTemporaryDir folder;
    if (ffmpeg.isEmpty() || !folder.isValid()) {
        std::printf("bench_encoder_speed: needs ffmpeg on the PATH and a temporary folder\n");
        return 1;
    }

    // H.264 in Matroska, as a file named .wmv often really is; MPEG-4 Part 2
    // where the host's ffmpeg has no H.264 encoder.
    const QString clip = folder.filePath("clip 720p.mkv");
    const QStringList source = QString("-v error -f lavfi -i "
                                       "testsrc2=size=1280x720:rate=30:duration=60 -f lavfi -i "
                                       "sine=duration=60 -c:a aac")
                                   .split(' ');
    const char* codec = "H.264";
    if (!conversionSeconds(ffmpeg, source + QStringList{"-c:v", "libx264", clip}, clip)) {
        codec = "MPEG-4 Part 2";
        if (!conversionSeconds(ffmpeg, source + QStringList{"-c:v", "mpeg4", "-q:v", "2", clip},
                               clip)) {
            std::printf("bench_encoder_speed: ffmpeg could not make the clip\n");
            return 1;
        }
    }

    // One wineserver for every run, started beforehand (after a first run
    // has made the prefix): what is timed is ffmpeg.exe, not Wine starting.
    const QString prefix = windowsBuild + "/wineprefix";
    const QString wineRun = QStringLiteral(QUILLARO_WINE_RUN);
    qputenv("WINEPREFIX", QFile::encodeName(prefix));
    wallSeconds(wineRun, {prefix, windowsEncoder, "-version"});
    wallSeconds("wineserver", {"-k"});
    wallSeconds("wineserver", {"-p"});

    const QString linuxOutput = folder.filePath("linux.mp4");
    const QString windowsOutput = folder.filePath("windows.mp4");
    const QStringList linuxArguments = productArguments(clip, linuxOutput);
    const QStringList windowsArguments =
        QStringList{prefix, windowsEncoder} + productArguments(inWine(clip), inWine(windowsOutput));
    std::vector<double> linuxSeconds, windowsSeconds;
    const auto runLinux = [&] {
        const auto seconds = conversionSeconds(ffmpeg, linuxArguments, linuxOutput);
        linuxSeconds.push_back(seconds.value_or(0));
        return seconds.has_value();
    };
    const auto runWindows = [&] {
        const auto seconds = conversionSeconds(wineRun, windowsArguments, windowsOutput);
        windowsSeconds.push_back(seconds.value_or(0));
        return seconds.has_value();
    };
    // Which goes first alternates, so that neither always meets a warmer cache.
    bool ran = true;
    for (int round = 1; ran && round <= 3; ++round) {
        ran = round % 2 ? runLinux() && runWindows() : runWindows() && runLinux();
        if (ran)
            std::printf("bench_encoder_speed round %d: Linux ffmpeg %.2f s, ffmpeg.exe %.2f s\n",
                        round, linuxSeconds.back(), windowsSeconds.back());
    }
    wallSeconds("wineserver", {"-k"});
    if (!ran) {
        std::printf("bench_encoder_speed: a run wrote no MP4\n");
        return 1;
    }
    std::printf("bench_encoder_speed ffmpeg.exe under Wine against Linux's ffmpeg, 60 s 720p %s: "
                "%.3fx (goal <= 1.15x)\n",
                codec, median(windowsSeconds) / median(linuxSeconds));
    return 0;
}
