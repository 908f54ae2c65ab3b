#pragma once

#include <optional>

#include <QCursor>
#include <QString>

// A pointer from a Windows cursor file (.cur), with the hot spot the file
// names. Nothing when the file cannot be read as a cursor.
std::optional<QCursor> loadCursorFile(const QString& path);

// A pointer showing the picture of an icon file (.ico), its hot spot in the
// middle. Nothing when the file cannot be read as an icon.
std::optional<QCursor> loadIconAsPointer(const QString& path);
