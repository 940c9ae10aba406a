#include "Tools/Common/NtfsDriver.h"

#include "Platform/Foundation/Process.h"

namespace Tools {

NtfsState NtfsDriver::stateForProbeStatus(int exitCode)
{
    // ntfs-3g's NTFS_VOLUME_* exit codes.
    switch (exitCode) {
    case 0:
        return NtfsState::Writable;
    case 12:
        return NtfsState::NotNtfs;
    case 14:
        return NtfsState::Hibernated;
    case 15:
        return NtfsState::Unclean;
    default:
        return NtfsState::Unknown;
    }
}

NtfsState NtfsDriver::probeReadWrite(const std::string& node)
{
    auto probed = Process::run({ .launchPath = PARVEX_NTFS3G_DIR "/ntfs-3g.probe", .arguments = { "--readwrite", node }, .standardInput = "" });
    return probed ? stateForProbeStatus(probed->exitStatus) : NtfsState::Unknown;
}

std::string NtfsDriver::explanation(NtfsState state, const std::string& node)
{
    switch (state) {
    case NtfsState::Writable:
        return node + " can be mounted read-write.";
    case NtfsState::Hibernated:
        return node + ": Windows is hibernated on this volume (Fast Startup does this), so it cannot be mounted "
                      "read-write without losing what Windows saved. Start Windows and shut it down fully "
                      "(turn off Fast Startup, or hold Shift while choosing Shut down), then try again.";
    case NtfsState::Unclean:
        return node + ": Windows did not shut this volume down cleanly, so it cannot be mounted read-write. "
                      "Start Windows and shut it down fully (turn off Fast Startup), or let Windows check the disk, "
                      "then try again.";
    case NtfsState::NotNtfs:
        return node + " does not hold an NTFS file system.";
    case NtfsState::Unknown:
        break;
    }
    return node + " cannot be mounted read-write (ntfs-3g.probe refused it).";
}

Expected<void> NtfsDriver::mount(const std::string& node, const std::string& directory, bool readWrite)
{
    // ntfs-3g turns Windows' Interix system files into device nodes and
    // honours set-user-ID bits: on a volume anyone can write to, either is
    // root for whoever plants one. No caller or fstab line can turn these off.
    std::string options = std::string(readWrite ? "rw" : "ro") + ",nosuid,nodev";
    // Its daemon stays behind holding what it was given as output.
    auto mounted = Process::run({ .launchPath = PARVEX_NTFS3G_DIR "/ntfs-3g",
        .arguments = { "-o", options, node, directory },
        .standardInput = "",
        .outputInFiles = true });
    if (!mounted)
        return mounted.error();
    if (mounted->exitStatus != 0) {
        std::string error = mounted->trimmedStandardError();
        return Error::message(error.empty() ? "ntfs-3g failed" : error);
    }
    return {};
}

}
