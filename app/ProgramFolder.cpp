#include "app/ProgramFolder.h"

namespace quillaro {

std::string programFile(std::string_view programFolder, std::string_view name, char separator) {
    std::string path(programFolder);
    path += separator;
    path += name;
    return path;
}

std::string_view encoderFileName() {
#ifdef _WIN32
    return "ffmpeg.exe";
#else
    return "ffmpeg";
#endif
}

} // namespace quillaro
