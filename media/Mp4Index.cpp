#include "media/Mp4Index.h"

#include "media/ByteReader.h"
#include "media/MediaFile.h"

#include <algorithm>
#include <array>
#include <functional>
#include <optional>

namespace quillaro {

namespace {

using FourCc = std::uint32_t;

constexpr FourCc fourCc(const char (&name)[5]) {
    return static_cast<FourCc>(static_cast<unsigned char>(name[0])) << 24 |
           static_cast<FourCc>(static_cast<unsigned char>(name[1])) << 16 |
           static_cast<FourCc>(static_cast<unsigned char>(name[2])) << 8 |
           static_cast<FourCc>(static_cast<unsigned char>(name[3]));
}

// The boxes an ISO media file may start with.
constexpr std::array firstBoxes{fourCc("ftyp"), fourCc("styp"), fourCc("moov"), fourCc("mdat"),
                                fourCc("free"), fourCc("skip"), fourCc("wide"), fourCc("pdin"),
                                fourCc("uuid"), fourCc("sidx"), fourCc("moof")};

// An index of a long film with many tracks takes a few megabytes.
constexpr std::uint64_t largestIndex = 64 << 20;
// Files our encoder writes have four or five top-level boxes; a fragmented
// one has two per fragment. Beyond this many the walk stops, so that a file
// made of tiny boxes cannot cost millions of reads.
constexpr int mostTopLevelBoxes = 100000;

struct BoxHeader {
    FourCc type = 0;
    std::uint64_t headerBytes = 8;     // 16 with a 64-bit size
    std::optional<std::uint64_t> size; // nothing: runs to the end of what holds it
};

// Reads a box header; nothing when its size cannot be true.
std::optional<BoxHeader> readBoxHeader(ByteReader& reader) {
    BoxHeader box;
    const std::uint64_t size = reader.u32be();
    box.type = reader.u32be();
    if (size == 1) {
        box.size = reader.u64be();
        box.headerBytes = 16;
    } else if (size != 0) {
        box.size = size;
    }
    if (!reader.ok() || (box.size && *box.size < box.headerBytes))
        return std::nullopt;
    return box;
}

// Calls `read` with each child box of `bytes` and its body; false when a
// child does not fit or `read` fails. Inside the index a box always tells its
// size: one "to the end" is damage.
bool forEachBox(std::span<const std::byte> bytes,
                const std::function<bool(FourCc, std::span<const std::byte>)>& read) {
    ByteReader reader(bytes);
    while (!reader.atEnd()) {
        const auto box = readBoxHeader(reader);
        if (!box || !box->size || *box->size - box->headerBytes > reader.left())
            return false;
        if (!read(box->type, reader.take(*box->size - box->headerBytes)))
            return false;
    }
    return true;
}

// The body of the first child of type `type`; nothing when there is none or
// the children do not fit in their parent.
std::optional<std::span<const std::byte>> child(std::span<const std::byte> bytes, FourCc type) {
    std::optional<std::span<const std::byte>> found;
    const bool fits = forEachBox(bytes, [&](FourCc childType, std::span<const std::byte> body) {
        if (childType == type && !found)
            found = body;
        return true;
    });
    return fits ? found : std::nullopt;
}

// The length a movie header (mvhd) or a media header (mdhd) gives: both put
// the time scale and duration after the creation and change times, in 32 or
// 64 bits by version.
std::optional<double> headerSeconds(std::span<const std::byte> body) {
    ByteReader reader(body);
    const int version = reader.u8();
    reader.skip(3); // flags
    if (version > 1)
        return std::nullopt;
    const bool wide = version == 1;
    reader.skip(wide ? 16 : 8);
    const std::uint32_t timeScale = reader.u32be();
    const std::uint64_t duration = wide ? reader.u64be() : reader.u32be();
    if (!reader.ok())
        return std::nullopt;
    const bool unknown = duration == (wide ? ~std::uint64_t{0} : ~std::uint32_t{0});
    return timeScale == 0 || unknown ? 0.0 : static_cast<double>(duration) / timeScale;
}

// The reading goes down one fixed path (trak, mdia, minf, stbl) and never
// follows nesting the file chooses, so its depth is bounded by the code.
std::optional<Mp4Track> readTrack(std::span<const std::byte> trak) {
    const auto mdia = child(trak, fourCc("mdia"));
    if (!mdia)
        return std::nullopt;
    const auto mdhd = child(*mdia, fourCc("mdhd"));
    const auto hdlr = child(*mdia, fourCc("hdlr"));
    const auto minf = child(*mdia, fourCc("minf"));
    const auto stbl = minf ? child(*minf, fourCc("stbl")) : std::nullopt;
    if (!mdhd || !hdlr || !stbl)
        return std::nullopt;
    const auto seconds = headerSeconds(*mdhd);

    ByteReader handler(*hdlr);
    handler.skip(4 + 4); // version and flags, pre-defined
    const FourCc handlerType = handler.u32be();

    // Sample sizes, all of one size or each its own (stsz), or packed (stz2).
    // A table shorter than its count is damaged; it is checked before the
    // loop, so a count of billions costs nothing.
    std::uint64_t samples = 0;
    std::uint64_t bytes = 0;
    bool counted = false;
    const auto sumSizes = [&](ByteReader& sizes, unsigned bits) {
        if (sizes.left() < (samples * bits + 7) / 8)
            return false;
        unsigned pair = 0;
        for (std::uint64_t k = 0; k < samples; ++k) {
            switch (bits) {
            case 4:
                if (k % 2 == 0)
                    pair = sizes.u8();
                bytes += k % 2 == 0 ? pair >> 4 : pair & 0xf;
                break;
            case 8:
                bytes += sizes.u8();
                break;
            case 16:
                bytes += sizes.u16be();
                break;
            default:
                bytes += sizes.u32be();
            }
        }
        return sizes.ok();
    };
    if (const auto stsz = child(*stbl, fourCc("stsz"))) {
        ByteReader sizes(*stsz);
        sizes.skip(4); // version and flags
        const std::uint32_t everySample = sizes.u32be();
        samples = sizes.u32be();
        bytes = std::uint64_t{everySample} * samples;
        counted = sizes.ok() && (everySample != 0 || sumSizes(sizes, 32));
    } else if (const auto stz2 = child(*stbl, fourCc("stz2"))) {
        ByteReader sizes(*stz2);
        sizes.skip(4 + 3); // version and flags, reserved
        const unsigned bits = sizes.u8();
        samples = sizes.u32be();
        counted = sizes.ok() && (bits == 4 || bits == 8 || bits == 16) && sumSizes(sizes, bits);
    }
    if (!seconds || !handler.ok() || !counted)
        return std::nullopt;
    const auto kind = handlerType == fourCc("vide")   ? Mp4Track::Kind::Picture
                      : handlerType == fourCc("soun") ? Mp4Track::Kind::Sound
                                                      : Mp4Track::Kind::Other;
    return Mp4Track{kind, samples, *seconds, bytes};
}

std::optional<Mp4Reading> readMovie(std::span<const std::byte> moov) {
    const auto mvhd = child(moov, fourCc("mvhd"));
    const auto movieSeconds = mvhd ? headerSeconds(*mvhd) : std::nullopt;
    if (!movieSeconds)
        return std::nullopt;
    Mp4Reading reading{Mp4Reading::Kind::Whole, {}, *movieSeconds};
    const bool tracksRead = forEachBox(moov, [&](FourCc type, std::span<const std::byte> body) {
        if (type != fourCc("trak"))
            return true;
        const auto track = readTrack(body);
        if (track)
            reading.tracks.push_back(*track);
        return track.has_value();
    });
    if (!tracksRead)
        return std::nullopt;
    if (reading.seconds == 0)
        for (const auto& track : reading.tracks)
            reading.seconds = std::max(reading.seconds, track.seconds);
    return reading;
}

} // namespace

Mp4Reading readMp4Index(const std::string& path) {
    MediaFile file(path);
    const Mp4Reading incomplete{Mp4Reading::Kind::Incomplete, {}, 0};

    // The first box tells an ISO media file from anything else.
    {
        const auto start = file.read(0, 16);
        ByteReader reader(start);
        const auto box = readBoxHeader(reader);
        if (!box || std::ranges::find(firstBoxes, box->type) == firstBoxes.end())
            return {};
    }

    // Seek from box to box, over the media data, to the index: an encoder
    // writes it last, so a run cut short leaves none.
    std::optional<Mp4Reading> movie;
    std::uint64_t at = 0;
    for (int boxes = 0; at < file.size() && boxes < mostTopLevelBoxes; ++boxes) {
        const auto boxStart = file.read(at, 16);
        ByteReader reader(boxStart);
        const auto box = readBoxHeader(reader);
        if (!box)
            return incomplete;
        const std::uint64_t size = box->size.value_or(file.size() - at);
        if (size > file.size() - at) // cut short
            return incomplete;
        if (box->type == fourCc("moov") && !movie) {
            const std::uint64_t bodyBytes = size - box->headerBytes;
            if (bodyBytes > largestIndex)
                return incomplete;
            const auto body = file.read(at + box->headerBytes, bodyBytes);
            movie = body.size() == bodyBytes ? readMovie(body) : std::nullopt;
            if (!movie)
                return incomplete;
        }
        at += size;
    }
    return movie.value_or(incomplete);
}

} // namespace quillaro
