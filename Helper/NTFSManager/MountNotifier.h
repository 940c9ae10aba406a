#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <tuple>

#include "Helper/Script.h"
#include "Platform/Foundation/NSUserNotificationCenter.h"

class VolumeModel;

// Tells the user in one short desktop notification what became of an
// automatic mount: the volume is writable now, it can only be read because
// Windows left it hibernated or unclean, or the mount failed for want of the
// right password. Each volume hears each of these at most once. An eject (or
// the unmount at quit) that leaves the volume mounted is told at each
// attempt, with why. Every notification is logged too, which is all there is
// where no daemon runs.
class MountNotifier {
public:
    enum class Cause {
        becameWritable,
        hibernated,
        unclean,
        mountFailed,
        // An eject left the volume mounted: a program is using it, or the
        // system would not unmount it.
        ejectInUse,
        ejectRefused,
        // The same at quit: the volume stays mounted as it is.
        keptInUse,
        keptRefused,
        // A script waited past its time limit (for authentication, a
        // device) and was ended: the mount was not made, the volume is
        // read-only where the system mounts it; or the eject did not end.
        mountTimedOut,
        ejectTimedOut,
    };

    explicit MountNotifier(std::shared_ptr<NSUserNotificationCenter> center);

    // After an automatic mount's script: whether the volume is now mounted on
    // its folder, and what the script printed (the NTFS tool says there why it
    // refused a volume Windows left in use).
    void mountFinished(const VolumeModel& volume, bool mounted, const ScriptResult& output);
    // An automatic mount failed because the stored password is wrong or
    // missing: the volume code calls this once it has found so.
    void automaticMountFailed(const VolumeModel& volume);
    // An automatic mount ran out of time and was given back.
    void mountTimedOut(const VolumeModel& volume);
    // An eject's unmount left the volume mounted; `output` is what the
    // unmount printed, which says whether the volume was in use, or whether
    // it ran out of time.
    void ejectFailed(const VolumeModel& volume, const ScriptResult& output);
    // The program is quitting and must be gone by `deadline`: an eject that
    // fails from now on leaves the volume mounted for good, and is told
    // before the program ends, as far as the time allows.
    void applicationWillTerminate(std::chrono::steady_clock::time_point deadline
                                  = std::chrono::steady_clock::time_point::max());

    // The failed mount's notification has a button to open the settings app,
    // where the password is set; `open` runs, on the main thread, when the
    // user clicks it.
    void setOpenSettings(std::function<void()> open);

    static NSUserNotification notification(const std::string& volumeName, Cause cause);

private:
    void notify(const VolumeModel& volume, Cause cause);
    void deliver(const NSUserNotification& shown);

    std::shared_ptr<NSUserNotificationCenter> m_center;
    std::mutex m_lock;
    // (identifier, name, cause) already told.
    std::set<std::tuple<std::string, std::string, Cause>> m_told;
    // Read on the main thread, where deliveries report; shared with them.
    std::shared_ptr<bool> m_toldDeliveryFailed = std::make_shared<bool>(false);
    std::atomic<bool> m_quitting{false};
    std::atomic<std::chrono::steady_clock::time_point> m_quitDeadline{std::chrono::steady_clock::time_point::max()};
};
