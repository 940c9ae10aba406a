#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "support/TemporaryFolder.h"

inline constexpr const char* kAgentLabel = "top.kestrova.macOS.Parvex.Agent";
inline constexpr const char* kBuiltAgent = PARVEX_BINARY_DIR "/Parvex.app/Contents/Library/LaunchServices/top.kestrova.macOS.Parvex.Agent";

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

// <folder>/<name>.app laid out as the platform lays out applications, with an
// Info.plist naming `identifier` (left out when empty) and `executable`.
inline std::string makeBundle(const TemporaryFolder& folder, const std::string& name, const std::string& identifier,
                              const std::string& executable)
{
    std::string bundle = name + ".app";
    std::filesystem::create_directories(folder / (bundle + "/Contents/MacOS"));
    std::filesystem::create_directories(folder / (bundle + "/Contents/Resources"));
    folder.write(bundle + "/Contents/Info.plist",
                 plistWith((identifier.empty() ? "" : stringEntry("CFBundleIdentifier", identifier))
                           + stringEntry("CFBundleExecutable", executable) + "<key>LSUIElement</key><true/>\n"
                           + "<key>CFBundleURLTypes</key><array><string>x</string></array>\n"));
    return folder / bundle;
}

// A copy of /bin/sleep as the bundle's executable: /proc then shows the
// bundle's own file as the process's executable.
inline void installSleep(const std::string& bundle, const std::string& executable)
{
    std::string target = bundle + "/Contents/MacOS/" + executable;
    std::filesystem::copy_file("/bin/sleep", target, std::filesystem::copy_options::overwrite_existing);
    ::chmod(target.c_str(), 0755);
}

// The start of a PNG file: the signature and the IHDR chunk, enough for a
// reader of sizes.
inline std::string pngHeader(std::uint32_t width, std::uint32_t height)
{
    std::string data("\x89PNG\r\n\x1a\n", 8);
    auto put = [&](std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8)
            data.push_back(static_cast<char>((value >> shift) & 0xff));
    };
    put(13);
    data += "IHDR";
    put(width);
    put(height);
    data += std::string("\x08\x06\x00\x00\x00", 5);
    put(0);  // the CRC is not checked by size readers
    return data;
}
