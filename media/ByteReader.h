#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quillaro {

// A cursor over bytes read from a file, where every size is the file's word
// and may be a lie. A read past the end yields zeros, reads nothing and
// leaves the reader failed for good, so a reader checks `ok()` once after a
// run of reads instead of before each one.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::byte> bytes)
        : m_bytes(bytes) {}

    std::uint64_t left() const { return m_failed ? 0 : m_bytes.size() - m_at; }
    bool ok() const { return !m_failed; }
    bool atEnd() const { return left() == 0; }

    // The next `count` bytes, as a reader of their own; empty once failed.
    std::span<const std::byte> take(std::uint64_t count) {
        if (!has(count))
            return {};
        const auto part = m_bytes.subspan(m_at, static_cast<std::size_t>(count));
        m_at += static_cast<std::size_t>(count);
        return part;
    }
    void skip(std::uint64_t count) { take(count); }

    std::uint8_t u8() { return static_cast<std::uint8_t>(number(1, false)); }
    std::uint16_t u16le() { return static_cast<std::uint16_t>(number(2, false)); }
    std::uint32_t u32le() { return static_cast<std::uint32_t>(number(4, false)); }
    std::uint64_t u64le() { return number(8, false); }
    std::uint16_t u16be() { return static_cast<std::uint16_t>(number(2, true)); }
    std::uint32_t u32be() { return static_cast<std::uint32_t>(number(4, true)); }
    std::uint64_t u64be() { return number(8, true); }

private:
    bool has(std::uint64_t count) {
        if (!m_failed && count <= m_bytes.size() - m_at)
            return true;
        m_failed = true;
        return false;
    }

    std::uint64_t number(int width, bool bigEndian) {
        const auto bytes = take(static_cast<std::uint64_t>(width));
        std::uint64_t value = 0;
        for (int k = 0; k < static_cast<int>(bytes.size()); ++k) {
            const auto byte =
                std::to_integer<std::uint64_t>(bytes[bigEndian ? k : bytes.size() - 1 - k]);
            value = value << 8 | byte;
        }
        return value;
    }

    std::span<const std::byte> m_bytes;
    std::size_t m_at = 0;
    bool m_failed = false;
};

} // namespace quillaro
