#pragma once

#include "win32/WindowsText.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

// Folders and files made for a test and removed after it with all they hold.
// Made through the wide API, so names outside any code page work. Paths are
// UTF-8; folders end in a backslash.
class WindowsTestFolder {
public:
    // In a fresh folder under the temporary folder.
    WindowsTestFolder() {
        const auto name = L"quillaro-test-" + std::to_wstring(std::random_device()());
        path = make(quillaro::toUtf8((std::filesystem::temp_directory_path() / name).wstring()) +
                    "\\");
    }
    WindowsTestFolder(const WindowsTestFolder&) = delete;
    WindowsTestFolder& operator=(const WindowsTestFolder&) = delete;
    ~WindowsTestFolder() {
        std::error_code ignored;
        for (auto made = m_made.rbegin(); made != m_made.rend(); ++made)
            std::filesystem::remove_all(quillaro::toUtf16(*made), ignored);
    }

    // A folder when `relative` ends in a backslash, else a small file. What
    // was asked for is removed again even if making it failed.
    std::string make(const std::string& relative) {
        m_made.push_back(path + relative);
        const std::filesystem::path wide = quillaro::toUtf16(m_made.back());
        if (relative.back() == '\\' ? !std::filesystem::create_directory(wide)
                                    : !(std::ofstream(wide) << "x"))
            throw std::runtime_error("cannot make " + m_made.back());
        return m_made.back();
    }

    std::string path;

private:
    std::vector<std::string> m_made;
};
