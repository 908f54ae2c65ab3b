#include "app/PointerFiles.h"

#include "app/CursorHotSpot.h"

#include <span>

#include <QFile>
#include <QImage>
#include <QPixmap>

namespace {

std::optional<QByteArray> readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace

std::optional<QCursor> loadCursorFile(const QString& path) {
    const auto bytes = readFile(path);
    if (!bytes)
        return std::nullopt;

    const auto hotSpot = quillaro::cursorHotSpot(std::as_bytes(std::span(*bytes)));
    const QImage picture = QImage::fromData(*bytes, "ICO");
    if (!hotSpot || picture.isNull())
        return std::nullopt;
    return QCursor(QPixmap::fromImage(picture), hotSpot->x, hotSpot->y);
}

std::optional<QCursor> loadIconAsPointer(const QString& path) {
    const auto bytes = readFile(path);
    if (!bytes)
        return std::nullopt;

    const QImage picture = QImage::fromData(*bytes, "ICO");
    if (picture.isNull())
        return std::nullopt;
    return QCursor(QPixmap::fromImage(picture));
}
