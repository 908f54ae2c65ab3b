#pragma once

// Builders of hand-made ASF objects and MP4 boxes, for the readers' tests.

#include <cstdint>
#include <string>

namespace quillaro::testbytes {

inline std::string littleEndian(std::uint64_t value, int width) {
    std::string bytes;
    for (int k = 0; k < width; ++k)
        bytes += static_cast<char>(value >> (8 * k) & 0xFF);
    return bytes;
}
inline std::string bigEndian(std::uint64_t value, int width) {
    const std::string bytes = littleEndian(value, width);
    return {bytes.rbegin(), bytes.rend()};
}
inline std::string u16(std::uint64_t value) {
    return littleEndian(value, 2);
}
inline std::string u32(std::uint64_t value) {
    return littleEndian(value, 4);
}
inline std::string u64(std::uint64_t value) {
    return littleEndian(value, 8);
}
inline std::string be32(std::uint64_t value) {
    return bigEndian(value, 4);
}
inline std::string be64(std::uint64_t value) {
    return bigEndian(value, 8);
}

inline std::string withU32(std::string bytes, std::size_t at, std::uint64_t value) {
    return bytes.replace(at, 4, u32(value));
}
inline std::string withU64(std::string bytes, std::size_t at, std::uint64_t value) {
    return bytes.replace(at, 8, u64(value));
}

// A GUID as ASF stores it: the first three groups little-endian.
inline std::string guid(const std::string& text) {
    std::string plain;
    for (std::size_t at = 0; at < text.size(); at += text[at] == '-' ? 1 : 2)
        if (text[at] != '-')
            plain += static_cast<char>(std::stoi(text.substr(at, 2), nullptr, 16));
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string bytes;
    for (int place : order)
        bytes += plain[place];
    return bytes;
}

inline const std::string headerGuid = guid("75B22630-668E-11CF-A6D9-00AA0062CE6C");
inline const std::string filePropertiesGuid = guid("8CABDCA1-A947-11CF-8EE4-00C00C205365");
inline const std::string streamPropertiesGuid = guid("B7DC0791-A9B7-11CF-8EE6-00C00C205365");
inline const std::string headerExtensionGuid = guid("5FBF03B5-A92E-11CF-8EE3-00C00C205365");
inline const std::string extendedStreamGuid = guid("14E6A5CB-C672-4332-8399-A96952065B5A");
inline const std::string contentEncryptionGuid = guid("2211B3FB-BD23-11D2-B4B7-00A0C955FC6E");
inline const std::string extendedContentEncryptionGuid =
    guid("298AE614-2622-4C17-B935-DAE07EE9289C");
inline const std::string advancedContentEncryptionGuid =
    guid("43058533-6981-49E6-9B74-AD12CB86D58C");
inline const std::string audioMedia = guid("F8699E40-5B4D-11CF-A8FD-00805F5C442B");
inline const std::string videoMedia = guid("BC19EFC0-5B4D-11CF-A8FD-00805F5C442B");
inline const std::string jfifMedia = guid("B61BE100-5B4E-11CF-A8FD-00805F5C442B");

inline std::string object(const std::string& guid, const std::string& body) {
    return guid + u64(24 + body.size()) + body;
}
inline std::string asfHeader(const std::string& objects) {
    return headerGuid + u64(30 + objects.size()) + u32(0) + "\x01\x02" + objects;
}
inline std::string fileProperties(std::uint64_t fileBytes, std::uint64_t playTime,
                                  std::uint64_t prerollMs, std::uint32_t flags) {
    return object(filePropertiesGuid, std::string(16, 'i') + u64(fileBytes) + u64(0) + u64(1) +
                                          u64(playTime) + u64(playTime / 2) + u64(prerollMs) +
                                          u32(flags) + u32(3200) + u32(3200) + u32(128000));
}
inline std::string streamProperties(const std::string& type, int number) {
    return object(streamPropertiesGuid, type + std::string(16, 'e') + u64(0) + u32(4) + u32(2) +
                                            u16(number) + u32(0) + "type" + "ec");
}
inline std::string headerExtension(const std::string& objects) {
    return object(headerExtensionGuid,
                  std::string(16, 'r') + u16(6) + u32(objects.size()) + objects);
}
// `tail`: the stream names, the payload extension systems, and maybe a
// stream properties object.
inline std::string extendedStreamProperties(int number, int names, int payloadSystems,
                                            const std::string& tail) {
    return object(extendedStreamGuid, std::string(48, 'x') + u16(number) + u16(0) + u64(400000) +
                                          u16(names) + u16(payloadSystems) + tail);
}

inline std::string box(const std::string& type, const std::string& body) {
    return be32(8 + body.size()) + type + body;
}
inline std::string largeBox(const std::string& type, const std::string& body) {
    return be32(1) + type + be64(16 + body.size()) + body;
}

} // namespace quillaro::testbytes
