#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quillaro {

// What the header of an ASF file (Windows Media: .wmv, .wma, .asf) promises
// about the file: its size, its length and its streams.
struct AsfHeader {
    // The bytes up to the end of its data packets by its header (the whole
    // file's size when the packets' object is not there); 0 when not told.
    std::uint64_t declaredBytes = 0;
    std::uint64_t actualBytes = 0; // the file's size on disk
    // Play time less the preroll; nothing for a live capture (broadcast
    // flag set), which declares no length.
    std::optional<double> seconds;
    int pictureStreams = 0; // video streams
    int soundStreams = 0;   // audio streams
    int otherStreams = 0;   // JPEG images, script commands, file transfer...
    // Content Encryption, Extended Content Encryption or Advanced Content
    // Encryption: the streams are copy-protected (DRM).
    bool copyProtected = false;

    // Fewer bytes on disk than the header declares: the copy was cut short.
    bool cutShort() const { return declaredBytes != 0 && actualBytes < declaredBytes; }

    friend bool operator==(const AsfHeader&, const AsfHeader&) = default;
};

struct AsfReading {
    enum class Kind {
        NotAsf,  // not an ASF file (a renamed AVI or MP4...), or unreadable
        Damaged, // starts as ASF, but its header does not read to its end
        Asf,     // `header` holds what it says
    };
    Kind kind = Kind::NotAsf;
    AsfHeader header;
};

// Reads the header of the file at `path` (UTF-8 on Windows, the name's bytes
// elsewhere). Only the header is read, never the media data after it.
AsfReading readAsfHeader(const std::string& path);

// The same for the first bytes of a file, `bytes` (the header and the start
// of the object after it), whose whole size is `fileBytes`.
AsfReading readAsfHeader(std::span<const std::byte> bytes, std::uint64_t fileBytes);

} // namespace quillaro
