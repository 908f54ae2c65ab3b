#pragma once

#include "convert/ConversionVerdict.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quillaro {

// What an entry's files are before the encoder is run for it. Only what a
// name leads to is looked at, never opened for reading: opening a named
// pipe would wait for a writer, and so would the encoder.

// Why `entry` is no input to convert ("is a folder"...); nothing for a file.
std::optional<std::string> inputProblem(const std::string& entry);

// What stands at `output`, the path the encoder would write for `entry`.
OutputBeforeRun lookAtOutput(const std::string& entry, const std::string& output);

// The bytes written at `path`, 0 when there is no file.
std::uint64_t fileBytes(const std::string& path);

// Whether the file system holding `output` has (almost) no space left for
// us: what makes an encoder stop short, whatever its words say.
bool diskAlmostFull(const std::string& output);

} // namespace quillaro
