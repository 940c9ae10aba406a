#pragma once

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

// A file in a private temporary folder, removed with the object.
class TempFile {
public:
    explicit TempFile(const std::string& content)
    {
        char pattern[] = "/tmp/parvex-tools-test.XXXXXX";
        m_directory = mkdtemp(pattern);
        m_path = m_directory + "/file";
        std::ofstream(m_path) << content;
    }
    ~TempFile()
    {
        unlink(m_path.c_str());
        rmdir(m_directory.c_str());
    }
    const std::string& path() const { return m_path; }

private:
    std::string m_directory;
    std::string m_path;
};
