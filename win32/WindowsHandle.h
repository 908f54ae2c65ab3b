#pragma once

#include <memory>

namespace quillaro {

struct WindowsHandleCloser {
    void operator()(void* handle) const noexcept;
};

// A kernel handle closed with CloseHandle when it goes out of scope.
using UniqueHandle = std::unique_ptr<void, WindowsHandleCloser>;

// Takes over what a Windows call returned. Calls disagree on how they say
// "no handle" (null or INVALID_HANDLE_VALUE); both become an empty one.
UniqueHandle adoptHandle(void* handle);

} // namespace quillaro
