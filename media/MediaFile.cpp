#include "media/MediaFile.h"

#include "base/Utf8Path.h"

#include <algorithm>
#include <filesystem>

namespace quillaro {

MediaFile::MediaFile(const std::string& path) {
    const auto name = pathFromUtf8(path);
    std::error_code error;
    if (std::filesystem::status(name, error).type() != std::filesystem::file_type::regular)
        return;
    m_in.open(name, std::ios::binary);
    if (!m_in.seekg(0, std::ios::end))
        return;
    const auto end = static_cast<std::streamoff>(m_in.tellg());
    m_size = end > 0 ? static_cast<std::uint64_t>(end) : 0;
    m_open = end >= 0;
}

std::vector<std::byte> MediaFile::read(std::uint64_t offset, std::uint64_t count) {
    if (!m_open || offset >= m_size)
        return {};
    std::vector<std::byte> bytes(static_cast<std::size_t>(std::min(count, m_size - offset)));
    m_in.clear();
    if (!m_in.seekg(static_cast<std::streamoff>(offset)) ||
        !m_in.read(reinterpret_cast<char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size())))
        return {};
    return bytes;
}

} // namespace quillaro
