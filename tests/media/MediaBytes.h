#pragma once

// Builders of hand-made ASF objects and MP4 boxes, for the readers' tests.

#include <cstdint>
#include <string>

namespace quillaro::testbytes {

// `width` bytes of `value`: least significant first (ASF) or last (MP4).
inline std::string le(std::uint64_t value, int width) {
    std::string bytes;
    for (int k = 0; k < width; ++k)
        bytes += static_cast<char>(k < 8 ? value >> (8 * k) & 0xFF : 0);
    return bytes;
}
inline std::string be(std::uint64_t value, int width) {
    const std::string bytes = le(value, width);
    return {bytes.rbegin(), bytes.rend()};
}
inline std::string patch(std::string bytes, std::size_t at, const std::string& with) {
    return bytes.replace(at, with.size(), with);
}

// An ASF object of the type whose GUID is `type`, written as text; ASF stores
// a GUID's first three groups little-endian. `at`: each byte's place in the text.
inline std::string object(const std::string& type, const std::string& body) {
    std::string bytes;
    for (int at : {6, 4, 2, 0, 11, 9, 16, 14, 19, 21, 24, 26, 28, 30, 32, 34})
        bytes += static_cast<char>(std::stoi(type.substr(at, 2), nullptr, 16));
    return bytes + le(24 + body.size(), 8) + body;
}
inline std::string asfHeader(const std::string& objects) {
    return object("75B22630-668E-11CF-A6D9-00AA0062CE6C", le(0, 4) + "\x01\x02" + objects);
}
// Of a 5000-byte file in packets of 3200 bytes.
inline std::string fileProperties(std::uint64_t playTime, std::uint64_t prerollMs, int flags) {
    return object("8CABDCA1-A947-11CF-8EE4-00C00C205365",
                  std::string(16, 'i') + le(5000, 8) + le(0, 16) + le(playTime, 8) +
                      le(playTime / 2, 8) + le(prerollMs, 8) + le(flags, 4) + le(3200, 4) +
                      le(3200, 8));
}
inline std::string streamProperties(const std::string& mediaType, int number) {
    return object("B7DC0791-A9B7-11CF-8EE6-00C00C205365",
                  object(mediaType, "").substr(0, 16) + std::string(24, 'e') + le(4, 4) + le(2, 4) +
                      le(number, 2) + le(0, 4) + "typeec");
}
inline std::string headerExtension(const std::string& objects) {
    return object("5FBF03B5-A92E-11CF-8EE3-00C00C205365",
                  std::string(18, 'r') + le(objects.size(), 4) + objects);
}
// `tail`: the stream names, the payload extension systems, and maybe a
// stream properties object.
inline std::string extendedStream(int names, int payloadSystems, const std::string& tail) {
    return object("14E6A5CB-C672-4332-8399-A96952065B5A",
                  std::string(60, 'x') + le(names, 2) + le(payloadSystems, 2) + tail);
}

inline std::string box(const std::string& type, const std::string& body) {
    return be(8 + body.size(), 4) + type + body;
}
// A movie header (mvhd) or a media header (mdhd), its fields after the
// length left 0.
inline std::string timeBox(const char* type, int version, std::uint32_t timeScale,
                           std::uint64_t duration) {
    const int width = version == 1 ? 8 : 4;
    return box(type, be(version, 1) + std::string(3 + 2 * width, 0) + be(timeScale, 4) +
                         be(duration, width) + std::string(4, 0));
}

} // namespace quillaro::testbytes
