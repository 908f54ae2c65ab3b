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

    // A folder when `relative` ends in a backslash, else a file holding
    // `content`; its parent must exist. Returns the full path.
    std::string make(const std::string& relative, const std::string& content = "x") const {
        const std::string full = m_path + relative;
        const std::wstring wide = quillaro::toUtf16(full);
        bool made = false;
        if (full.back() == '\\') {
            made = CreateDirectoryW(wide.c_str(), nullptr);
        } else if (const HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr,
                                                   CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
                   file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            made = WriteFile(file, content.data(), DWORD(content.size()), &written, nullptr);
            CloseHandle(file);
        }
        if (!made)
            throw std::runtime_error("cannot make " + full);
        return full;
    }

private:
    std::string m_path;
};

// The full path of a file beside the running test program.
inline std::string besideThisProgram(const std::string& name) {
    wchar_t self[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH + 1);
    const std::string path = quillaro::toUtf8(self);
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}
