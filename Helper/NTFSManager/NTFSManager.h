#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "Helper/NTFSManager/VolumeEnvironment.h"
#include "Helper/NTFSManager/VolumeModel.h"
#include "Platform/Foundation/Notification.h"
#include "Platform/Foundation/ObserverRegistration.h"

class MountTableMonitor;
class Timer;

// Owns ParvexMenu's volume state: scans the disks every 2.5 seconds in the
// background, and at once when the mount table changes (a disk plugged in
// shows first as a new mount), records the mounted NTFS volumes, and
// completes the manual-mode exchange when the agent answers.
class NTFSManager {
public:
    static NTFSManager& shared();

    explicit NTFSManager(std::shared_ptr<VolumeEnvironment> environment);
    ~NTFSManager();

    // Runs a first cycle at once (a volume left on the desktop is shown as
    // mounted without waiting for a tick), then schedules the scan on the
    // main run loop, default mode only: a menu being tracked holds back the
    // ticks. Each tick runs a cycle on the global queue, and so does each
    // change of the mount table, in the same mode.
    void start();
    // For quitting: no cycle starts any more, and the one under way stops
    // at once (its script is ended; a volume it was mounting is given back);
    // returns once it has. The volumes it mounted are in the list for the
    // quit sequence to unmount within the quit's limit, and a volume that
    // stays mounted is told to the user before the program ends.
    void stop();
    // One scan cycle; never overlaps another.
    void run();
    // The mount table changed (on the global queue): the same guarded cycle
    // at once; a cycle under way scans once more when it ends, so a burst of
    // changes costs a cycle or two, never one each.
    void mountTableDidChange();
    void eventCallBackNotification(const Notification& notification);
    // Runs on the main thread after each scan cycle and each agent answer,
    // whether or not they changed a volume; set before start().
    void setVolumesMayHaveChanged(std::function<void()> handler) { m_volumesMayHaveChanged = std::move(handler); }

    // Snapshots, safe to take on any thread while a scan changes the lists.
    std::vector<std::shared_ptr<VolumeModel>> previousInsertedNTFSVolumes() const;
    std::vector<std::string> previousInsertedVolumeIDs() const;
    bool isRunning() const { return m_isRunning.load(); }

private:
    // What a cycle queued on the global queue holds: the manager while it
    // lives. Cycles share the lock; the destructor takes it whole, so it
    // waits for a cycle under way and none starts after it.
    struct Lifetime {
        explicit Lifetime(NTFSManager* owner)
            : manager(owner)
        {
        }
        std::shared_mutex lock;
        NTFSManager* manager;
    };

    // Cycles while the mount table keeps changing; the caller holds the guard.
    void scanWhileChanging();
    void scan();
    // What a run that was killed left recorded: each volume is taken under
    // care, given back, or its disk's folder removed, from what the mount
    // table says, before anything else. False when a record had to wait
    // (the record or the mount table could not be read): the next scan
    // tries again.
    bool settleWhatEarlierRunsLeft(const std::vector<std::string>& current);
    void checkIdentifier(const std::string& identifier, bool manual);
    bool isRecorded(const std::string& identifier) const;
    void volumesMayHaveChanged() const;

    std::shared_ptr<VolumeEnvironment> m_environment;
    mutable std::mutex m_lists;
    std::vector<std::shared_ptr<VolumeModel>> m_volumes;
    std::vector<std::string> m_volumeIDs;
    std::atomic<bool> m_isRunning{false};
    std::atomic<bool> m_mountTableChanged{false};
    std::atomic<bool> m_stopped{false};
    bool m_settledEarlierRuns = false;
    // Held by the cycle under way, so that stop() can wait for it.
    std::mutex m_cycle;
    std::unique_ptr<ObserverRegistration> m_answers;
    std::shared_ptr<Timer> m_timer;
    std::unique_ptr<MountTableMonitor> m_mountTable;
    std::shared_ptr<Lifetime> m_lifetime = std::make_shared<Lifetime>(this);
    std::function<void()> m_volumesMayHaveChanged;
};
