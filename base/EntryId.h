#pragma once

#include <cstdint>

namespace quillaro {

// A list entry's own number: given when it is added, never reused, and kept
// when entries change places, so that two entries holding the same path
// are still told apart.
using EntryId = std::uint64_t;

} // namespace quillaro
