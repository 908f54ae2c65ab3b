#pragma once

#include "base/ProgramFolder.h"
#include "convert/Command.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillaro {

// The text without the extension of its file name: everything before the last
// "." that follows the last separator. A name without a "." is kept whole, so
// a dot in a folder name never cuts the path. A '\\' separator also accepts
// '/', as Windows does.
std::string StripExtension(std::string_view text, char separator = nativeSeparator);

// Where the encoder writes the MP4 for `entry`: beside it, same name, ".mp4".
std::string outputPathFor(std::string_view entry, char separator = nativeSeparator);

// The encoder in the program folder; it is looked for nowhere else.
std::string encoderPath(std::string_view programFolder, char separator = nativeSeparator);

enum class Picture { Keep, Drop };

// The fixed encoder run converting `entry` into `output`. A sound-only input's
// cover picture shows as a picture stream the MP4 cannot hold as MPEG-4:
// `Picture::Drop` leaves every picture out.
Command encoderCommand(std::string encoder, std::string entry, std::string output,
                       Picture picture = Picture::Keep);

// Why no batch can run with `encoder` (missing, a folder, not executable...),
// as the message to show; nothing when it can be run. An empty path, from a
// program folder that is not known, is a missing encoder.
std::optional<std::string> encoderProblem(const std::string& encoder);

} // namespace quillaro
