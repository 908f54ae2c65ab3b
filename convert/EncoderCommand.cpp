#include "convert/EncoderCommand.h"

#include "base/Utf8Path.h"
#include "convert/VisibleText.h"

#include <filesystem>
#include <system_error>
#include <utility>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace quillaro {

std::string StripExtension(std::string_view text, char separator) {
    const std::string_view separators = separator == '\\' ? "\\/" : std::string_view(&separator, 1);
    const std::size_t nameStart = [&] {
        const std::size_t last = text.find_last_of(separators);
        return last == std::string_view::npos ? 0 : last + 1;
    }();
    const std::size_t dot = text.rfind('.');
    if (dot == std::string_view::npos || dot < nameStart)
        return std::string(text);
    return std::string(text.substr(0, dot));
}

std::string outputPathFor(std::string_view entry, char separator) {
    return StripExtension(entry, separator) + ".mp4";
}

std::string encoderPath(std::string_view programFolder, char separator) {
    return programFile(programFolder, encoderFileName(), separator);
}

Command encoderCommand(std::string encoder, std::string entry, std::string output,
                       Picture picture) {
    Command command{std::move(encoder),
                    {{"-i"},
                     {std::move(entry), true},
                     {"-b:v"},
                     {"600k"},
                     {"-vcodec"},
                     {"mpeg4"},
                     {"-b:a"},
                     {"128k"},
                     {"-acodec"},
                     {"aac"}}};
    if (picture == Picture::Drop)
        command.arguments.push_back({"-vn"});
    command.arguments.push_back({std::move(output), true});
    return command;
}

std::optional<std::string> encoderProblem(const std::string& encoder) {
    const auto problem = [&](const char* what) {
        return "The encoder " + std::string(what) + ": " +
               visibleText(encoder.empty() ? std::string(encoderFileName()) : encoder);
    };
    if (encoder.empty())
        return problem("was not found");
    std::error_code error;
    switch (std::filesystem::status(pathFromUtf8(encoder), error).type()) {
    case std::filesystem::file_type::regular:
        break;
    case std::filesystem::file_type::not_found:
        return problem("was not found");
    case std::filesystem::file_type::directory:
        return problem("is a folder");
    case std::filesystem::file_type::none:
        return problem("cannot be reached") + " (" + error.message() + ")";
    default:
        return problem("is not a regular file");
    }
#ifndef _WIN32
    if (::access(encoder.c_str(), X_OK) != 0)
        return problem("may not be run (no execute permission)");
#endif
    return std::nullopt;
}

} // namespace quillaro
