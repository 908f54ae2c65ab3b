#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace quillaro {

// A media file opened to read its headers, piece by piece at chosen places.
// Only a regular file is opened: opening a named pipe would wait for a writer
// that may never come, and a device may never end.
class MediaFile {
public:
    explicit MediaFile(const std::string& path); // UTF-8 on Windows, bytes elsewhere

    bool isOpen() const { return m_open; }
    std::uint64_t size() const { return m_size; }

    // Up to `count` bytes from `offset`, fewer where the file ends; empty
    // when nothing can be read there. They are all held in memory: callers
    // bound `count` before asking.
    std::vector<std::byte> read(std::uint64_t offset, std::uint64_t count);

private:
    std::ifstream m_in;
    std::uint64_t m_size = 0;
    bool m_open = false;
};

} // namespace quillaro
