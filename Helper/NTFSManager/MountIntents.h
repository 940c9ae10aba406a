#pragma once

#include <sys/types.h>

#include <mutex>
#include <string>
#include <vector>

#include "Platform/Foundation/Expected.h"

// The steps under way that take a volume's mount away (a mount moving it to
// the desktop, an eject giving it back), written to a small file before each
// step begins and struck off once it is done. A ParvexMenu that dies in the
// middle (SIGKILL, a crash, a logout that does not wait) leaves its record,
// and the next start finishes or undoes the step from what the mount table
// says; nothing else of a run is kept for the next.
class MountIntents {
public:
    struct Intent {
        std::string ID;
        // The node's device number when recorded: an identifier that another
        // disk has taken since is not this volume.
        dev_t device = 0;
        // The desktop folder the step makes or leaves; one named here that
        // is empty and no mount point is ParvexMenu's own.
        std::string folder;

        bool operator==(const Intent&) const = default;
    };

    explicit MountIntents(std::string path);

    // In the user's runtime folder, which the end of the user's last session
    // empties (as it ends every mount of theirs); where there is none, in the
    // home's Library/Caches.
    static std::string standardPath(const std::string& homeDirectory);

    const std::string& path() const { return m_path; }
    // On disk before the step begins; replaces a record of the same identifier.
    Expected<void> record(const Intent& intent);
    // The step is done, one way or the other.
    Expected<void> finish(const std::string& ID);
    // What the file holds: none when there is no file.
    Expected<std::vector<Intent>> recorded() const;

private:
    Expected<std::vector<Intent>> read() const;
    Expected<void> write(const std::vector<Intent>& intents) const;

    std::string m_path;
    // Steps of the scan and of the menu run at once; each change of the file
    // is one read and one atomic replace.
    mutable std::mutex m_lock;
};
