#include "support/NtfsImage.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/ShellCommand.h"

bool NtfsImage::make(const std::string& path, const std::string& label, const Files& files, std::string* error)
{
    namespace fs = std::filesystem;
    const std::string staging = path + ".files";
    fs::remove_all(staging);
    fs::create_directories(staging);
    for (const auto& [name, content] : files) {
        std::ofstream file(staging + "/" + name, std::ios::binary);
        file << content;
    }
    ShellOutput made = runShell("\"$@\"", {PARVEX_SOURCE_DIR "/scripts/ntfs-image", path, label, staging});
    fs::remove_all(staging);
    if (made.status != 0 && error)
        *error = "could not make the NTFS image " + path + ": " + made.error;
    return made.status == 0;
}

std::string NtfsImage::hibernationFile()
{
    return "hibr" + std::string(4092, '\0');
}

std::vector<std::string> NtfsImage::loopDevicesOf(const std::string& path)
{
    std::vector<std::string> out;
    std::stringstream lines(runShell("losetup -n -O NAME -j \"$1\"", {path}).output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty())
            out.push_back(line);
    }
    return out;
}
