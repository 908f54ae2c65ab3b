#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quillaro {

// One window for every file the desktop hands over. A start with paths first
// offers them to a window of the same user and session that is already open;
// when that window takes them, this start has nothing left to do. Otherwise,
// or when the start has no paths, this start's window becomes the one later
// starts hand over to, and `received` gets each list they send, from the
// event loop. A receiver that is hung, gone or of another version does not
// take the paths, so no start loses its files.
//
// How long a start waits for the open window to take its paths: long enough
// for a busy window to answer, short enough that a user whose window hangs
// soon sees his files in a new one.
inline constexpr int handOverAnswerTimeoutMs = 3000;

// `paths` are absolute, as the file list keeps paths.
enum class HandOver {
    Taken,     // an open window took the paths
    Receiving, // this start's window is the one later starts hand over to
    Alone,     // no hand-over here: this start's window is on its own
};
HandOver handOverOrReceive(const std::vector<std::string>& paths,
                           std::function<void(std::vector<std::string>)> received);

} // namespace quillaro
