#pragma once

#include <string>

namespace quillaro {

// What a failed encoder run left at its output path, and what was done with it.
enum class LeftOutput {
    None,     // nothing there
    Removed,  // a broken file of this run's, removed
    InUse,    // kept: another program has it open
    NotPlain, // kept: a link, a file with more than one name, someone else's...
    Unsure,   // kept: nothing tells that this run made it
};

// Removes what a failed run left at `output`, provided nothing there was
// before the run started (the caller has made sure of that) and nothing says
// that another program made it or is writing it: it must be a plain file of
// ours, with one name, that no other program holds open. In doubt it stays.
LeftOutput removeLeftOutput(const std::string& output);

} // namespace quillaro
