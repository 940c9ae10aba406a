#pragma once

#include <string>
#include <string_view>
#include <vector>

// Reading what the disk tools print: only the parts the scan relies on.
class DiskToolOutput {
public:
    // The identifiers a disk listing names: the last word of each line, where it
    // begins with "disk".
    static std::vector<std::string> identifiers(std::string_view listing);
    // The device nodes mounted now: the first word of each line of "df -h".
    static std::vector<std::string> mountedDevices(std::string_view df);
    // The values of the "Volume Name:", "Mounted:" and "File System Personality:"
    // lines of a volume's information, in output order: all after the key's
    // colon, less the blanks that align them.
    static std::vector<std::string> infoValues(std::string_view info);
};
