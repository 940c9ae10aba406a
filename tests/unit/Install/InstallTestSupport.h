#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "Platform/Foundation/FileManager.h"
#include "support/TemporaryFolder.h"

// A scratch folder removed with everything in it at the end of the test.
class ScratchFolder : public TemporaryFolder {
public:
    ScratchFolder() : TemporaryFolder("install") { }

    // Writes `text` to `name` (folders made as needed); returns the full path.
    std::string write(const std::string& name, const std::string& text, mode_t mode = 0644) const
    {
        std::string file = *this / name;
        FileManager::createDirectory(file.substr(0, file.rfind('/')), true);
        ::unlink(file.c_str());
        FileManager::writeAtomically(file, text, mode);
        ::chmod(file.c_str(), mode);
        return file;
    }
};

// An XML property list whose top level is a dictionary with these entries,
// already written as XML (`<key>..</key><string>..</string>...`).
inline std::string plistWith(const std::string& entries)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + entries + "</dict>\n</plist>\n";
}

inline std::string stringEntry(const std::string& key, const std::string& value)
{
    return "<key>" + key + "</key><string>" + value + "</string>\n";
}

inline constexpr const char* kAgentLabel = "top.kestrova.macOS.Parvex.Agent";
inline constexpr const char* kBuiltAgent = PARVEX_BINARY_DIR "/Parvex.app/Contents/Library/LaunchServices/top.kestrova.macOS.Parvex.Agent";
