#pragma once

#include "base/ProgramFolder.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillaro {

// The program's command line: `quillaro [toolkit options] [--] [PATH]...`.
// The toolkit (Qt) sees only what comes before a first "--" and takes its own
// options (-style, -platform...) out of it; what it leaves there, and all
// that follows "--", are paths for the list. The paths are read in their
// exact form (systemArguments), never in the form the toolkit was handed.
class CommandLine {
public:
    // `argv` as main() received it; it must outlive this object.
    CommandLine(int argc, char** argv);
    // The same with the exact text of each of argv given, argv[0] included.
    CommandLine(int argc, char** argv, std::vector<std::string> arguments);

    // What to hand to the toolkit, which may shorten it; it must stay valid
    // while the toolkit runs.
    int& toolkitArgc() { return m_toolkitArgc; }
    char** toolkitArgv() { return m_toolkitArgv.data(); }

    // The arguments that name paths, in order, as given. Read once the
    // toolkit took its options.
    std::vector<std::string> pathArguments() const;

private:
    std::vector<std::string> m_arguments;
    std::vector<char*> m_given;
    std::vector<char*> m_toolkitArgv;
    int m_toolkitArgc = 0;
};

// The program's arguments, argv[0] included, as the system holds them: on
// POSIX the bytes of argv, whatever their encoding; on Windows the UTF-16
// command line as UTF-8, since the ANSI argv loses every letter outside its
// code page.
std::vector<std::string> systemArguments(int argc, char** argv);

// Each argument as an absolute path, in order: a relative one is joined to
// `currentFolder` byte for byte, nothing else is changed (no ".." is taken
// out, as a link may stand before it). With '\\' as separator, '/' is read
// as '\\', "\\name" lies on the current folder's drive or share, and "D:name"
// in the current folder when that is on D:, else at the root of D:. An empty
// argument names nothing and is left out; without a current folder the
// arguments stay as given.
std::vector<std::string> absolutePaths(const std::vector<std::string>& arguments,
                                       std::string_view currentFolder,
                                       char separator = nativeSeparator);

// The current folder as the file system names it (bytes on POSIX, UTF-8 on
// Windows); empty when the system cannot tell, e.g. after it was deleted.
std::string currentFolder();

} // namespace quillaro
