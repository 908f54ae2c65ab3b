#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillaro {

// One track of an MP4 file, by its index (the `moov` box).
struct Mp4Track {
    enum class Kind { Picture, Sound, Other }; // handler 'vide', 'soun', anything else
    Kind kind = Kind::Other;
    std::uint64_t samples = 0; // frames of a picture track, packets of a sound track
    double seconds = 0;        // the track's media duration
    std::uint64_t bytes = 0;   // the sizes of all its samples together

    friend bool operator==(const Mp4Track&, const Mp4Track&) = default;
};

struct Mp4Reading {
    enum class Kind {
        NotMp4,     // not an ISO media file at all, or unreadable
        Incomplete, // an MP4 without a readable index: its writer never finished it
        Whole,      // its index reads: `tracks` and `seconds` hold what it says
    };
    Kind kind = Kind::NotMp4;
    std::vector<Mp4Track> tracks;
    double seconds = 0; // the movie's duration (the longest track when not told)

    friend bool operator==(const Mp4Reading&, const Mp4Reading&) = default;
};

// Reads the index of the MP4 file at `path` (UTF-8 on Windows, the name's
// bytes elsewhere), seeking over the media data: a file of any size costs a
// few small reads.
Mp4Reading readMp4Index(const std::string& path);

} // namespace quillaro
