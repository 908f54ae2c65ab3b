#include "media/AsfHeader.h"

namespace quillaro {

// Not written yet: every file reads as not ASF.
AsfReading readAsfHeader(const std::string&) {
    return {};
}

AsfReading readAsfHeader(std::span<const std::byte>, std::uint64_t) {
    return {};
}

} // namespace quillaro
