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

// The folder that holds the running program, links resolved, as the file
// system names it: the bytes of the path on POSIX, UTF-8 on Windows. Empty
// when the system cannot tell.
std::string runningProgramFolder();

// The folder part of a program's full path, without a final separator except
// at a root ("/", "C:\\"); empty when the path names no folder.
std::string folderOfProgramPath(std::string_view programPath, char separator = nativeSeparator);

// The file `name` in the program folder. The separator is always inserted,
// whatever the folder ends with, so a drive root gives "C:\\\\HAND-M.CUR".
// Empty when the program folder is unknown (empty): a name alone would be
// looked for wherever the program happens to be started.
std::string programFile(std::string_view programFolder, std::string_view name,
                        char separator = nativeSeparator);

// The encoder's file name on this platform.
std::string_view encoderFileName();

} // namespace quillaro
