#pragma once

#include <string>

namespace Tools {

// Reads the entries that ask for a volume to be mounted read-write by its
// label: "LABEL=" + name + " none ntfs rw,auto,nobrowse".
class Fstab {
public:
    explicit Fstab(std::string path = "/etc/fstab");

    bool requestsReadWrite(const std::string& label) const;

    // The exact line is always accepted, also for a name with blanks (which
    // the file cannot otherwise express); other lines are read as columns,
    // with "\040" standing for a blank as usual.
    static bool lineRequestsReadWrite(const std::string& line, const std::string& label);

private:
    std::string m_path;
};

}
