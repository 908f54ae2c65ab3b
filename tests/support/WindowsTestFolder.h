#pragma once

#include "app/WindowsText.h"

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <windows.h>

// A fresh folder under the temporary folder, removed with everything in it.
// Made and filled through the wide API, so names outside any code page work.
// Paths are UTF-8 and folders end in a backslash.
class WindowsTestFolder {
public:
    WindowsTestFolder() {
        wchar_t base[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, base);
        std::random_device seed;
        do
            m_path = quillaro::toUtf8(base) + "quillaro-test-" + std::to_string(seed()) + "\\";
        while (!CreateDirectoryW(quillaro::toUtf16(m_path).c_str(), nullptr));
    }
    WindowsTestFolder(const WindowsTestFolder&) = delete;
    WindowsTestFolder& operator=(const WindowsTestFolder&) = delete;
    ~WindowsTestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(quillaro::toUtf16(m_path), ignored);
    }

    const std::string& path() const { return m_path; }

    // `relative` names a folder when it ends in a backslash, else a file
    // (with `content`); its parent folders must exist. Returns the full path.
    std::string make(const std::string& relative, DWORD attributes = 0,
                     const std::string& content = "x") const {
        const std::string full = m_path + relative;
        // The "\\?\" form, so deep trees can pass MAX_PATH.
        const std::wstring wide = L"\\\\?\\" + quillaro::toUtf16(full);
        if (full.back() == '\\') {
            if (!CreateDirectoryW(wide.c_str(), nullptr))
                throw std::runtime_error("cannot make folder " + full);
        } else {
            const HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                throw std::runtime_error("cannot make file " + full);
            DWORD written = 0;
            WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
            CloseHandle(file);
        }
        if (attributes != 0 && !SetFileAttributesW(wide.c_str(), attributes))
            throw std::runtime_error("cannot set attributes of " + full);
        return full;
    }

private:
    std::string m_path;
};

// The full path of a file beside the running test program.
inline std::string besideThisProgram(const std::string& name) {
    wchar_t self[32768] = {};
    GetModuleFileNameW(nullptr, self, 32768);
    std::string path = quillaro::toUtf8(self);
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}
