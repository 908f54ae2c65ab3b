#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillaro {

// One argument of a command. `quoted` arguments are always written between
// double quotes in the command-line text (the encoder's input and output
// paths are), whatever they contain.
struct CommandArgument {
    std::string text;
    bool quoted = false;

    friend bool operator==(const CommandArgument&, const CommandArgument&) = default;
};

// A program to run and its arguments, kept apart so that a POSIX start hands
// them to the program exactly as they are, with no shell and no re-splitting.
struct Command {
    std::string program; // full path, UTF-8
    std::vector<CommandArgument> arguments;

    // The program followed by the argument texts: the child's argv.
    std::vector<std::string> argv() const;

    friend bool operator==(const Command&, const Command&) = default;
};

enum class CommandLineFlavour {
    // The program as it is, then each argument, quoted ones between double
    // quotes. Only shown, never parsed: a POSIX start uses the vector.
    Posix,
    // A line that CreateProcessW and CommandLineToArgvW split back into the
    // same vector. The program is quoted when it contains a space or a tab,
    // so that Windows does not try "C:\Program.exe" first.
    Windows,
};

#ifdef _WIN32
inline constexpr CommandLineFlavour nativeCommandLineFlavour = CommandLineFlavour::Windows;
#else
inline constexpr CommandLineFlavour nativeCommandLineFlavour = CommandLineFlavour::Posix;
#endif

// The command as one line of text.
std::string commandLineText(const Command& command,
                            CommandLineFlavour flavour = nativeCommandLineFlavour);

// One argument as CommandLineToArgvW expects it: between double quotes when
// `forceQuotes` is set or when it is empty or holds a space, tab or quote;
// a quote inside is escaped, and backslashes are doubled only where they
// come before a quote.
std::string quoteWindowsArgument(std::string_view text, bool forceQuotes = false);

} // namespace quillaro
