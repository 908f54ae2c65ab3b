#pragma once

#include <optional>
#include <string>

#include <QCursor>

// Paths are in the form the file list keeps them, so a file in a folder whose
// name is not valid text is read all the same.

// A pointer from a Windows cursor file (.cur), with the hot spot the file
// names. Nothing when the file cannot be read as a cursor.
std::optional<QCursor> loadCursorFile(const std::string& path);

// A pointer showing the picture of an icon file (.ico), its hot spot in the
// middle. Nothing when the file cannot be read as an icon.
std::optional<QCursor> loadIconAsPointer(const std::string& path);
