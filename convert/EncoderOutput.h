#pragma once

#include "convert/ProcessRunner.h"

#include <string>

namespace quillaro {

// What a failed encoder run left at its output path, and what was done with it.
enum class LeftOutput {
    None,     // nothing there
    Removed,  // a broken file of this run's, removed
    InUse,    // kept: another program has it open
    NotPlain, // kept: a link, a file with more than one name, someone else's...
    Unsure,   // kept: nothing tells that this run made it
    NotOurs,  // kept: the encoder was watched and never held it
};

// Removes what a failed run left at `output`, provided nothing there was
// before the run started (the caller has made sure of that), it is a plain
// file of ours, with one name, that no other program holds open, and the
// run's `witness` saw our encoder hold that very file. Without that
// evidence it stays: another program may have put it there meanwhile.
LeftOutput removeLeftOutput(const std::string& output, const FileWitness& witness);

} // namespace quillaro
