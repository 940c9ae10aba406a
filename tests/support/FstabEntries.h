#pragma once

#include <string>
#include <vector>

// The entries of a table file as libmount itself reads them, the way mount(8)
// and findmnt see what the agent writes.
struct FstabEntry {
    std::string source;
    std::string target;
    std::string type;
    std::string options;
    bool operator==(const FstabEntry&) const = default;
};

// Empty when libmount cannot parse the file.
std::vector<FstabEntry> fstabEntries(const std::string& path);
