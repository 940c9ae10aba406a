#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

// Writes a file for a test, its folders made as needed, replacing what was
// there; a failure throws, which ends the test.
inline void writeFile(const std::string& path, const std::string& text, mode_t mode = 0644)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::filesystem::remove(path);
    std::ofstream file(path, std::ios::binary);
    file << text;
    file.close();
    if (!file || ::chmod(path.c_str(), mode) != 0)
        throw std::runtime_error("cannot write " + path);
}

// A fresh folder under /tmp for one test, removed with everything in it when
// the test ends.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& purpose)
    {
        std::string pattern = "/tmp/parvex-" + purpose + "-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder");
        m_path = pattern;
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

    // Writes `text` to `name` (folders made as needed), replacing what was
    // there; returns the full path.
    std::string write(const std::string& name, const std::string& text, mode_t mode = 0644) const
    {
        writeFile(*this / name, text, mode);
        return *this / name;
    }

private:
    std::string m_path;
};
