#pragma once

#include <sys/types.h>

#include <mutex>
#include <string>
#include <vector>

#include "Platform/Foundation/Expected.h"

// What ParvexMenu has taken from the system and owes back: a volume whose
// system mount a step is about to take away is written to a small file
// before the step begins, stays there while the volume is on the desktop,
// and is struck off once the volume is given back. A ParvexMenu that dies
// (SIGKILL, a crash, a logout that does not wait) leaves its records, and
// the next start finishes or undoes each from what the mount table says:
// takes the volume under care, gives it back, or removes the folder of a
// disk that is gone. Nothing else of a run is kept for the next.
class MountIntents {
public:
    struct Intent {
        std::string ID;
        // The node's device number when recorded: an identifier that another
        // disk has taken since is not this volume.
        dev_t device = 0;
        // The desktop folder made for the volume; one named here that is
        // empty and no mount point is ParvexMenu's own.
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
    // The volume is back with the system, or was never taken.
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
