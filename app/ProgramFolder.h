#pragma once

#include <string>
#include <string_view>

namespace quillaro {

// The separator the platform writes between a folder and a name.
#ifdef _WIN32
inline constexpr char nativeSeparator = '\\';
#else
inline constexpr char nativeSeparator = '/';
#endif

// The file `name` in the program folder. The separator is always inserted,
// whatever the folder ends with, so a drive root gives "C:\\HAND-M.CUR".
std::string programFile(std::string_view programFolder, std::string_view name,
                        char separator = nativeSeparator);

// The encoder's file name on this platform.
std::string_view encoderFileName();

} // namespace quillaro
