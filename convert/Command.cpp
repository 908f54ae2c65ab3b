#include "convert/Command.h"

namespace quillaro {

namespace {

bool hasBlank(std::string_view text) {
    return text.find_first_of(" \t") != std::string_view::npos;
}

} // namespace

std::vector<std::string> Command::argv() const {
    std::vector<std::string> all;
    all.reserve(arguments.size() + 1);
    all.push_back(program);
    for (const CommandArgument& argument : arguments)
        all.push_back(argument.text);
    return all;
}

std::string quoteWindowsArgument(std::string_view text, bool forceQuotes) {
    if (!forceQuotes && !text.empty() && text.find_first_of(" \t\n\v\"") == std::string_view::npos)
        return std::string(text);

    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : text) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes mean themselves unless a quote follows them, where
        // each pair stands for one backslash and an odd one escapes the quote.
        if (c == '"')
            quoted.append(backslashes * 2 + 1, '\\');
        else
            quoted.append(backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    // The closing quote follows: the trailing backslashes must not escape it.
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

std::string commandLineText(const Command& command, CommandLineFlavour flavour) {
    std::string line;
    if (flavour == CommandLineFlavour::Windows && hasBlank(command.program))
        line = '"' + command.program + '"';
    else
        line = command.program;

    for (const CommandArgument& argument : command.arguments) {
        line += ' ';
        if (flavour == CommandLineFlavour::Windows)
            line += quoteWindowsArgument(argument.text, argument.quoted);
        else if (argument.quoted)
            line += '"' + argument.text + '"';
        else
            line += argument.text;
    }
    return line;
}

} // namespace quillaro
