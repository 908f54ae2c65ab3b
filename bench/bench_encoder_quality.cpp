// How good the MP4 is: clips converted through the batch with the system's
// encoder, each compared with its source by ffmpeg's ssim filter, beside the
// bit rates its index holds. A generated 60 s clip, then every real Windows
// Media file whose MP4 holds a picture.

#include "convert/BatchConversion.h"
#include "convert/EncoderCommand.h"
#include "media/Mp4Index.h"

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// The list a batch converts, with no window to update.
class PlainList : public quillaro::BatchWindow {
public:
    explicit PlainList(std::vector<std::string> entries)
        : m_entries(std::move(entries)) {}
    std::size_t entryCount() const override { return m_entries.size(); }
    std::string entryText(std::size_t position) const override { return m_entries[position - 1]; }
    quillaro::EntryId entryId(std::size_t position) const override { return position; }
    void setProgress(float) override {}
    void setBusy(bool) override {}
    void pumpEvents() override {}

private:
    std::vector<std::string> m_entries;
};

// What ffmpeg wrote to its standard error; nothing when it failed.
std::optional<QString> runFfmpeg(const QString& ffmpeg, const QStringList& arguments) {
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(ffmpeg, QStringList{"-hide_banner", "-nostdin"} + arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardError());
}

// The MP4 against its source as a viewer sees the two. Both start at 0 (an
// ASF file's times carry its preroll, an MP4's do not). The filter pairs each
// frame with the other input's frame showing at that moment, so an MP4 with
// another frame count or rate is compared by what is on screen together; its
// picture is scaled to the source's size, and both get one pixel format, as
// the filter needs.
std::optional<double> ssim(const QString& ffmpeg, const QString& mp4, const QString& source) {
    const QString graph = "[0:v]setpts=PTS-STARTPTS,format=yuv420p[mp4];"
                          "[1:v]setpts=PTS-STARTPTS,format=yuv420p[source];"
                          "[mp4][source]scale2ref[scaled][reference];"
                          "[scaled][reference]ssim=shortest=1";
    const auto log =
        runFfmpeg(ffmpeg, {"-i", mp4, "-i", source, "-lavfi", graph, "-f", "null", "-"});
    const auto found = QRegularExpression(R"(SSIM .* All:([0-9.]+))").match(log.value_or(""));
    if (!found.hasMatch())
        return std::nullopt;
    return found.captured(1).toDouble();
}

// The track's bit rate by the sizes of its samples; 0 without such a track.
double kbits(const quillaro::Mp4Reading& mp4, quillaro::Mp4Track::Kind kind) {
    for (const quillaro::Mp4Track& track : mp4.tracks)
        if (track.kind == kind && track.seconds > 0)
            return track.bytes * 8 / track.seconds / 1000;
    return 0;
}

} // namespace

int main() {
    using Kind = quillaro::Mp4Track::Kind;
    const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    QTemporaryDir folder;
    if (ffmpeg.isEmpty() || !folder.isValid()) {
        std::printf("bench_encoder_quality: needs ffmpeg on the PATH and a temporary folder\n");
        return 1;
    }
    const QString generated = folder.filePath("generated 60 s testsrc 640x480 15 fps.wmv");
    if (!runFfmpeg(ffmpeg,
                   {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=640x480:rate=15:duration=60",
                    "-f", "lavfi", "-i", "sine=duration=60", "-c:v", "wmv2", "-b:v", "2M", "-c:a",
                    "wmav2", generated})) {
        std::printf("bench_encoder_quality: ffmpeg could not make the generated clip\n");
        return 1;
    }
    std::vector<std::string> entries{QFile::encodeName(generated).toStdString()};
    // Named .wmv as the files a user lists are, whatever they hold.
    const QDir real(QStringLiteral(QUILLARO_REAL_MEDIA_DIR));
    for (const QFileInfo& file : real.entryInfoList({"*.wmv", "*.wma", "*.asf"}, QDir::Files)) {
        entries.push_back(
            QFile::encodeName(folder.filePath(file.completeBaseName() + ".wmv")).toStdString());
        QFile::copy(file.filePath(), QFile::decodeName(entries.back().c_str()));
    }
    if (!real.exists())
        std::printf("\n*** bench_encoder_quality: NO REAL MEDIA FILES at %s: their figures are "
                    "SKIPPED ***\n\n",
                    QUILLARO_REAL_MEDIA_DIR);

    PlainList list(entries);
    quillaro::BatchConversion().run(list, QFile::encodeName(ffmpeg).toStdString());

    int status = 0;
    for (const std::string& entry : entries) {
        const std::string output = quillaro::outputPathFor(entry);
        const quillaro::Mp4Reading mp4 = quillaro::readMp4Index(output);
        const QString name = QFileInfo(QFile::decodeName(entry.c_str())).fileName();
        const double picture = kbits(mp4, Kind::Picture), sound = kbits(mp4, Kind::Sound);
        std::printf("%s: picture %.0f kbit/s, sound %.0f kbit/s\n", qPrintable(name), picture,
                    sound);
        if (entry == entries.front())
            std::printf("bench_encoder_quality %s sound: %.0f kbit/s (goal >= 96 kbit/s)\n",
                        qPrintable(name), sound);
        else if (picture == 0)
            continue; // nothing to compare: no picture in its MP4
        const auto similarity =
            ssim(ffmpeg, QFile::decodeName(output.c_str()), QFile::decodeName(entry.c_str()));
        if (!similarity) {
            std::printf("bench_encoder_quality %s: ffmpeg's ssim filter gave no figure\n",
                        qPrintable(name));
            status = 1;
            continue;
        }
        std::printf("bench_encoder_quality %s SSIM: %.4f (goal >= 0.99)\n", qPrintable(name),
                    *similarity);
    }
    return status;
}
