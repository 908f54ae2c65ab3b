#include "win32/WindowsHandle.h"

#include <windows.h>

namespace quillaro {

void WindowsHandleCloser::operator()(void* handle) const noexcept {
    CloseHandle(handle);
}

UniqueHandle adoptHandle(void* handle) {
    return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

} // namespace quillaro
