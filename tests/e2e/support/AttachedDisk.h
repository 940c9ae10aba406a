#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

// A disk image plugged in with `hdiutil attach`, unplugged with `hdiutil
// detach` at the latest when the object goes.
class AttachedDisk {
public:
    // Null (with `output` holding what hdiutil said) if the attach failed.
    static std::unique_ptr<AttachedDisk> attach(const std::string& image, std::string* output = nullptr);
    ~AttachedDisk();

    // "disk2"
    const std::string& disk() const { return m_disk; }
    // The NTFS partition's identifier, "disk2s1".
    std::string volume() const { return m_disk + "s1"; }
    // "/dev/disk2s1"
    std::string volumeNode() const { return "/dev/" + volume(); }
    const std::string& image() const { return m_image; }
    bool isAttached() const { return m_attached; }

    bool detach(std::string* output = nullptr);
    // Pulled out: detached even while a program holds it (a scan reading it,
    // say), as a disk that is unplugged goes whatever holds it.
    bool unplug(std::string* output = nullptr);
    // True while /dev/<disk> or /dev/<disk>s1 still names this attachment's
    // device (other programs on the machine may take the same identifier once
    // it is free, and /dev is shared with them).
    bool hasNodes() const;

private:
    bool runDetach(const std::string& command, std::string* output);
    AttachedDisk(std::string image, std::string disk);

    std::string m_image;
    std::string m_disk;
    dev_t m_device;
    dev_t m_volumeDevice;
    bool m_attached = true;
};
