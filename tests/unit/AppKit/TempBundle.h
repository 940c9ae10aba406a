#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "Platform/Foundation/FileManager.h"
#include "support/TemporaryFolder.h"

// A scratch folder that holds application bundles laid out as the platform
// lays them out; removed with everything in it at the end of the test.
class TempFolder : public TemporaryFolder {
public:
    TempFolder() : TemporaryFolder("appkit") { }

    // <folder>/<name>.app with an Info.plist naming `identifier` and `executable`;
    // an empty identifier leaves the key out.
    std::string makeBundle(const std::string& name, const std::string& identifier, const std::string& executable) const
    {
        std::string bundle = path() + "/" + name + ".app";
        FileManager::createDirectory(bundle + "/Contents/MacOS", true);
        FileManager::createDirectory(bundle + "/Contents/Resources", true);
        std::string plist = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<plist version=\"1.0\">\n<dict>\n";
        if (!identifier.empty())
            plist += "  <key>CFBundleIdentifier</key>\n  <string>" + identifier + "</string>\n";
        plist += "  <key>CFBundleExecutable</key>\n  <string>" + executable + "</string>\n"
                 "  <key>LSUIElement</key>\n  <true/>\n"
                 "  <key>CFBundleURLTypes</key>\n  <array><string>x</string></array>\n"
                 "</dict>\n</plist>\n";
        FileManager::writeAtomically(bundle + "/Contents/Info.plist", plist);
        return bundle;
    }

    // A copy of /bin/sleep as the bundle's executable: /proc then shows the
    // bundle's own file as the process's executable.
    static void installSleep(const std::string& bundle, const std::string& executable)
    {
        std::string target = bundle + "/Contents/MacOS/" + executable;
        std::filesystem::copy_file("/bin/sleep", target, std::filesystem::copy_options::overwrite_existing);
        ::chmod(target.c_str(), 0755);
    }
};

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
