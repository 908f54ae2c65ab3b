#include "media/AsfHeader.h"

#include "media/ByteReader.h"
#include "media/MediaFile.h"

#include <algorithm>
#include <array>
#include <map>
#include <string_view>

namespace quillaro {

namespace {

using Guid = std::array<std::byte, 16>;

// ASF writes a GUID's first three groups little-endian, the last two as they
// are written in text.
constexpr Guid guid(std::string_view text) {
    constexpr auto hex = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
    constexpr std::array<int, 16> order{3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::array<int, 16> value{};
    int k = 0;
    for (std::size_t at = 0; at + 1 < text.size(); ++at) {
        if (text[at] == '-')
            continue;
        value[k++] = hex(text[at]) * 16 + hex(text[at + 1]);
        ++at;
    }
    Guid bytes{};
    for (int place = 0; place < 16; ++place)
        bytes[place] = std::byte(value[order[place]]);
    return bytes;
}

constexpr Guid headerObject = guid("75B22630-668E-11CF-A6D9-00AA0062CE6C");
constexpr Guid filePropertiesObject = guid("8CABDCA1-A947-11CF-8EE4-00C00C205365");
constexpr Guid streamPropertiesObject = guid("B7DC0791-A9B7-11CF-8EE6-00C00C205365");
constexpr Guid dataObject = guid("75B22636-668E-11CF-A6D9-00AA0062CE6C");
constexpr Guid headerExtensionObject = guid("5FBF03B5-A92E-11CF-8EE3-00C00C205365");
constexpr Guid extendedStreamPropertiesObject = guid("14E6A5CB-C672-4332-8399-A96952065B5A");
constexpr Guid contentEncryptionObject = guid("2211B3FB-BD23-11D2-B4B7-00A0C955FC6E");
constexpr Guid extendedContentEncryptionObject = guid("298AE614-2622-4C17-B935-DAE07EE9289C");
constexpr Guid advancedContentEncryptionObject = guid("43058533-6981-49E6-9B74-AD12CB86D58C");
constexpr Guid audioMedia = guid("F8699E40-5B4D-11CF-A8FD-00805F5C442B");
constexpr Guid videoMedia = guid("BC19EFC0-5B4D-11CF-A8FD-00805F5C442B");

constexpr std::uint64_t objectHeaderBytes = 24; // GUID and size
constexpr std::uint64_t headerObjectBytes = 30; // and the count of objects, two reserved bytes
constexpr std::uint64_t dataObjectBytes = 50;   // and the file id, count of packets, reserved
// Real headers hold a few kilobytes; codec lists, metadata and pictures
// rarely make one reach a megabyte.
constexpr std::uint64_t largestHeader = 16 << 20;
constexpr std::uint64_t largestFile = 1ull << 62; // beyond it, a size is a lie
// Header, header extension, extended stream properties, stream properties.
constexpr int deepestObject = 4;

Guid readGuid(ByteReader& reader) {
    Guid value{};
    std::ranges::copy(reader.take(16), value.begin());
    return value;
}

bool startsWithHeaderGuid(std::span<const std::byte> bytes) {
    return bytes.size() >= 16 && std::ranges::equal(bytes.first(16), headerObject);
}

enum class StreamKind { Picture, Sound, Other };

class HeaderObjects {
public:
    // Reads a run of objects filling `bytes`; false when they do not fill it
    // exactly.
    bool readObjects(std::span<const std::byte> bytes, int depth) {
        if (depth > deepestObject)
            return false;
        ByteReader reader(bytes);
        while (!reader.atEnd()) {
            const Guid type = readGuid(reader);
            const std::uint64_t size = reader.u64le();
            if (!reader.ok() || size < objectHeaderBytes ||
                size - objectHeaderBytes > reader.left())
                return false;
            if (!readObject(type, reader.take(size - objectHeaderBytes), depth))
                return false;
        }
        return true;
    }

    AsfHeader header() const {
        AsfHeader result = m_header;
        for (const auto& [number, kind] : m_streams)
            ++(kind == StreamKind::Picture ? result.pictureStreams
               : kind == StreamKind::Sound ? result.soundStreams
                                           : result.otherStreams);
        return result;
    }

    // The Data Object that follows the header, at `bytes`, holds every
    // packet; the indexes after it only speed up seeking, so the bytes the
    // file needs end with it. Without it the file's own size is all there is.
    void readDataObject(std::uint64_t headerBytes, std::span<const std::byte> bytes) {
        ByteReader reader(bytes);
        const Guid type = readGuid(reader);
        const std::uint64_t size = reader.u64le();
        reader.skip(16); // file id
        const std::uint64_t packets = reader.u64le();
        if (m_broadcast || !reader.ok() || type != dataObject)
            return;
        std::uint64_t needed = size;
        if (m_packetBytes != 0 && packets == m_packets &&
            packets < (largestFile - dataObjectBytes) / m_packetBytes)
            needed = std::max(needed, dataObjectBytes + packets * m_packetBytes);
        if (needed >= dataObjectBytes && needed < largestFile)
            m_header.declaredBytes = headerBytes + needed;
    }

private:
    bool readObject(const Guid& type, std::span<const std::byte> body, int depth) {
        if (type == filePropertiesObject)
            return readFileProperties(body);
        if (type == streamPropertiesObject)
            return readStreamProperties(body);
        if (type == headerExtensionObject)
            return readHeaderExtension(body, depth);
        if (type == extendedStreamPropertiesObject)
            return readExtendedStreamProperties(body, depth);
        if (type == contentEncryptionObject || type == extendedContentEncryptionObject ||
            type == advancedContentEncryptionObject)
            m_header.copyProtected = true;
        return true;
    }

    bool readFileProperties(std::span<const std::byte> body) {
        ByteReader reader(body);
        reader.skip(16); // file id
        const std::uint64_t fileBytes = reader.u64le();
        reader.skip(8); // creation date
        m_packets = reader.u64le();
        const std::uint64_t playTime = reader.u64le(); // 100 ns
        reader.skip(8);                                // send duration
        const std::uint64_t prerollMs = reader.u64le();
        const std::uint32_t flags = reader.u32le();
        const std::uint32_t smallestPacket = reader.u32le();
        const std::uint32_t largestPacket = reader.u32le();
        if (!reader.ok())
            return false;
        m_packetBytes = smallestPacket == largestPacket ? largestPacket : 0;
        // A live capture is written before its size, length and packet
        // count are known: they are all invalid then.
        m_broadcast = (flags & 1) != 0;
        m_header.declaredBytes = m_broadcast ? 0 : fileBytes;
        if (m_broadcast || playTime == 0)
            m_header.seconds.reset();
        else
            m_header.seconds = std::max(0.0, playTime / 1e7 - prerollMs / 1000.0);
        return true;
    }

    bool readStreamProperties(std::span<const std::byte> body) {
        ByteReader reader(body);
        const Guid type = readGuid(reader);
        reader.skip(16 + 8); // error correction type, time offset
        const std::uint64_t typeSpecificBytes = reader.u32le();
        const std::uint64_t errorCorrectionBytes = reader.u32le();
        const int number = reader.u16le() & 0x7F;
        reader.skip(4 + typeSpecificBytes + errorCorrectionBytes);
        if (!reader.ok())
            return false;
        m_streams.try_emplace(number, type == videoMedia   ? StreamKind::Picture
                                      : type == audioMedia ? StreamKind::Sound
                                                           : StreamKind::Other);
        return true;
    }

    bool readHeaderExtension(std::span<const std::byte> body, int depth) {
        ByteReader reader(body);
        reader.skip(16 + 2); // reserved
        const std::uint64_t dataBytes = reader.u32le();
        const auto data = reader.take(dataBytes);
        return reader.ok() && readObjects(data, depth + 1);
    }

    // Streams added in later versions of the format (JPEG pictures, files,
    // commands...) may be declared only here, in a stream properties object
    // after the fixed fields, the stream names and the payload extensions.
    bool readExtendedStreamProperties(std::span<const std::byte> body, int depth) {
        ByteReader reader(body);
        reader.skip(60); // times, rates, buffers, flags, stream number, language, frame time
        const int names = reader.u16le();
        const int payloadExtensions = reader.u16le();
        for (int k = 0; k < names && reader.ok(); ++k) {
            reader.skip(2); // language
            reader.skip(reader.u16le());
        }
        for (int k = 0; k < payloadExtensions && reader.ok(); ++k) {
            reader.skip(16 + 2); // extension system, its data size
            reader.skip(reader.u32le());
        }
        return reader.ok() && readObjects(reader.take(reader.left()), depth + 1);
    }

    AsfHeader m_header;
    std::uint64_t m_packets = 0;
    std::uint64_t m_packetBytes = 0; // 0 when the packets differ in size
    bool m_broadcast = false;
    std::map<int, StreamKind> m_streams; // by stream number: each counts once
};

AsfReading damaged(std::uint64_t fileBytes) {
    AsfReading reading{AsfReading::Kind::Damaged, {}};
    reading.header.actualBytes = fileBytes;
    return reading;
}

} // namespace

AsfReading readAsfHeader(std::span<const std::byte> bytes, std::uint64_t fileBytes) {
    if (!startsWithHeaderGuid(bytes))
        return {};
    ByteReader reader(bytes);
    reader.skip(16);
    const std::uint64_t headerBytes = reader.u64le();
    reader.skip(4 + 2); // count of objects, reserved: the objects' sizes tell where they end
    if (!reader.ok() || headerBytes < headerObjectBytes || headerBytes > fileBytes ||
        headerBytes > largestHeader || headerBytes > bytes.size())
        return damaged(fileBytes);

    HeaderObjects objects;
    if (!objects.readObjects(bytes.subspan(headerObjectBytes, headerBytes - headerObjectBytes), 1))
        return damaged(fileBytes);
    if (bytes.size() >= headerBytes + dataObjectBytes)
        objects.readDataObject(headerBytes, bytes.subspan(headerBytes, dataObjectBytes));
    AsfReading reading{AsfReading::Kind::Asf, objects.header()};
    reading.header.actualBytes = fileBytes;
    return reading;
}

AsfReading readAsfHeader(const std::string& path) {
    MediaFile file(path);
    const auto start = file.read(0, headerObjectBytes);
    if (!startsWithHeaderGuid(start))
        return {};
    ByteReader reader(start);
    reader.skip(16);
    const std::uint64_t headerBytes = reader.u64le();
    if (!reader.ok() || headerBytes < headerObjectBytes || headerBytes > file.size() ||
        headerBytes > largestHeader)
        return damaged(file.size());
    return readAsfHeader(file.read(0, headerBytes + dataObjectBytes), file.size());
}

} // namespace quillaro
