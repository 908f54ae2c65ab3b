#include "app/PointerFiles.h"

#include "base/CursorHotSpot.h"
#include "base/Utf8Path.h"

#include <fstream>
#include <iterator>
#include <span>

#include <QByteArray>
#include <QImage>
#include <QPixmap>

namespace {

// Read through the kept path, never through Qt's text form of it, which
// cannot name every file; the picture is then decoded from memory.
std::optional<QByteArray> readFile(const std::string& path) {
    std::ifstream file(quillaro::pathFromUtf8(path), std::ios::binary);
    if (!file)
        return std::nullopt;
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    if (file.bad())
        return std::nullopt;
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

std::optional<QCursor> loadCursorFile(const std::string& path) {
    const auto bytes = readFile(path);
    if (!bytes)
        return std::nullopt;

    const auto hotSpot = quillaro::cursorHotSpot(std::as_bytes(std::span(*bytes)));
    const QImage picture = QImage::fromData(*bytes, "ICO");
    if (!hotSpot || picture.isNull())
        return std::nullopt;
    return QCursor(QPixmap::fromImage(picture), hotSpot->x, hotSpot->y);
}

std::optional<QCursor> loadIconAsPointer(const std::string& path) {
    const auto bytes = readFile(path);
    if (!bytes)
        return std::nullopt;

    const QImage picture = QImage::fromData(*bytes, "ICO");
    if (picture.isNull())
        return std::nullopt;
    return QCursor(QPixmap::fromImage(picture));
}
