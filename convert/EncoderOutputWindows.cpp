#include "convert/EncoderOutput.h"
#include "win32/WindowsHandle.h"
#include "win32/WindowsText.h"

#include <windows.h>

namespace quillaro {

LeftOutput removeLeftOutput(const std::string& output, const FileWitness& witness) {
    // Shared with nobody: the open fails while any other program has the
    // file open. The file is then deleted through this very handle, so what
    // goes is exactly what was looked at.
    const UniqueHandle file = adoptHandle(CreateFileW(
        toUtf16(output).c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) {
        switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return LeftOutput::None;
        case ERROR_SHARING_VIOLATION:
            return LeftOutput::InUse;
        default:
            return LeftOutput::Unsure;
        }
    }
    BY_HANDLE_FILE_INFORMATION about{};
    if (!GetFileInformationByHandle(file.get(), &about))
        return LeftOutput::Unsure;
    if ((about.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        about.nNumberOfLinks != 1)
        return LeftOutput::NotPlain;
    // Only the very file our encoder was seen holding is its work.
    const FileId id{about.dwVolumeSerialNumber,
                    (std::uint64_t{about.nFileIndexHigh} << 32) | about.nFileIndexLow};
    if (!witness.watched)
        return LeftOutput::Unsure;
    if (witness.held != id)
        return LeftOutput::NotOurs;
    FILE_DISPOSITION_INFO dispose{TRUE};
    if (!SetFileInformationByHandle(file.get(), FileDispositionInfo, &dispose, sizeof dispose))
        return LeftOutput::Unsure;
    return LeftOutput::Removed;
}

} // namespace quillaro
