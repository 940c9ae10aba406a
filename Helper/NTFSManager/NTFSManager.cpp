#include "Helper/NTFSManager/NTFSManager.h"

#include <algorithm>
#include <climits>

#include "Helper/NTFSManager/DiskToolOutput.h"
#include "Helper/NTFSManager/MountIntents.h"
#include "Helper/NTFSManager/MountNotifier.h"
#include "Helper/NTFSManager/ShellText.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/DistributedNotificationCenter.h"
#include "Platform/Foundation/MountTableMonitor.h"
#include "Platform/Foundation/Timer.h"
#include "Platform/Foundation/UTF8.h"
#include "Shared/Console.h"
#include "Shared/Kit/Kit.h"
#include "Shared/SharedData.h"

namespace {

constexpr const char* kAnswer = "top.kestrova.macOS.Parvex.Helper.do.Finsh";
constexpr const char* kAnswerTag = "eventCallBackNotification(notification:)";
constexpr double kScanInterval = 2.5;

bool contains(const std::vector<std::string>& list, const std::string& value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

NTFSManager& NTFSManager::shared()
{
    static NTFSManager* manager = new NTFSManager(VolumeEnvironment::standard());
    return *manager;
}

NTFSManager::NTFSManager(std::shared_ptr<VolumeEnvironment> environment)
    : m_environment(std::move(environment))
{
    m_answers = m_environment->notify.addObserver(kAnswer, [this](const Notification& notification) {
        eventCallBackNotification(notification);
    });
}

NTFSManager::~NTFSManager()
{
    // The run loop keeps a scheduled timer alive; it must not tick into a manager that is gone.
    if (m_timer)
        m_timer->invalidate();
    m_mountTable.reset();
    std::unique_lock guard(m_lifetime->lock);
    m_lifetime->manager = nullptr;
}

void NTFSManager::start()
{
    auto cycle = [lifetime = m_lifetime] {
        DispatchQueue::global().async([lifetime] {
            std::shared_lock guard(lifetime->lock);
            if (lifetime->manager)
                lifetime->manager->run();
        });
    };
    cycle();
    m_timer = Timer::scheduledTimer(kScanInterval, true, [cycle](Timer&) { cycle(); });
    auto monitor = MountTableMonitor::start([lifetime = m_lifetime] {
        DispatchQueue::global().async([lifetime] {
            std::shared_lock guard(lifetime->lock);
            if (lifetime->manager)
                lifetime->manager->mountTableDidChange();
        });
    });
    if (monitor)
        m_mountTable = std::move(*monitor);
    else
        Console::shared().printLog(monitor.error().description + "; new volumes are found by the timer alone", "start()");
}

std::vector<std::shared_ptr<VolumeModel>> NTFSManager::previousInsertedNTFSVolumes() const
{
    std::lock_guard guard(m_lists);
    return m_volumes;
}

std::vector<std::string> NTFSManager::previousInsertedVolumeIDs() const
{
    std::lock_guard guard(m_lists);
    return m_volumeIDs;
}

void NTFSManager::volumesMayHaveChanged() const
{
    if (m_volumesMayHaveChanged)
        DispatchQueue::main().async(m_volumesMayHaveChanged);
}

bool NTFSManager::isRecorded(const std::string& identifier) const
{
    std::lock_guard guard(m_lists);
    return contains(m_volumeIDs, identifier);
}

void NTFSManager::stop()
{
    if (m_timer)
        m_timer->invalidate();
    m_mountTable.reset();
    m_stopped = true;
    // Nothing the scan still waits for is worth the user's logout.
    m_environment->beginQuit();
    std::lock_guard cycle(m_cycle);
    // What the quit sequence's unmounts leave behind is told before the end.
    if (m_environment->notifier)
        m_environment->notifier->applicationWillTerminate(m_environment->quitCutoff->time());
}

void NTFSManager::run()
{
    if (m_stopped)
        return;
    if (m_isRunning.exchange(true)) {
        Console::shared().printLog("Running....", "run()");
        return;
    }
    scanWhileChanging();
}

void NTFSManager::mountTableDidChange()
{
    if (m_stopped)
        return;
    m_mountTableChanged = true;
    if (!m_isRunning.exchange(true))
        scanWhileChanging();
}

void NTFSManager::scanWhileChanging()
{
    // A change noted after a cycle has listed the disks may be one it missed:
    // the flag is looked at again once the guard is down, so that either this
    // loop or the change's own cycle takes it. Once stopped, nothing scans:
    // the quit sequence unmounts what the cycles mounted.
    do {
        if (m_mountTableChanged.exchange(false))
            Console::shared().printLog("the mount table changed: scanning at once", "run()");
        {
            std::lock_guard cycle(m_cycle);
            if (!m_stopped)
                scan();
        }
        volumesMayHaveChanged();
        m_isRunning = false;
    } while (!m_stopped && m_mountTableChanged.load() && !m_isRunning.exchange(true));
}

void NTFSManager::scan()
{
    // Only this cycle changes the lists; the lock guards each change against
    // readers on the main thread, never a script run.
    const ScriptResult listing = m_environment->runScript("diskutil list | grep -v 'APFS'", ScriptKind::read);
    // A listing cut short (its time ran out, or the program quits) or never
    // started says nothing of which disks are gone.
    if (m_stopped)
        return;
    if (listing.timedOut || !listing.started) {
        Console::shared().printLog(listing.started ? "the disk listing did not end: no scan this time"
                                                   : "the disk listing could not start (" + listing.error + "): no scan this time",
                                   "run()");
        return;
    }
    const auto current = DiskToolOutput::identifiers(listing.result);
    // One reading of the mode per cycle, once the disks are known.
    const bool manual = m_environment->settings.managerStyle();
    if (!m_settledEarlierRuns)
        m_settledEarlierRuns = settleWhatEarlierRunsLeft(current);
    for (const auto& identifier : current) {
        // Quitting: whatever this cycle mounted is unmounted next.
        if (m_stopped)
            return;
        checkIdentifier(identifier, manual);
    }
    // Mounted on its desktop folder by a run that ended meanwhile (an
    // orphaned mount script finishing late): taken under care. One reading
    // of the mount table finds the candidates.
    std::optional<std::vector<MountEntry>> table;
    for (const auto& volume : previousInsertedNTFSVolumes()) {
        if (m_stopped)
            return;
        if (volume->status() == VolumeModel::Status::umounted) {
            if (!table)
                table = m_environment->mounts.entries();
            for (const auto& mount : MountTable::mountsOfNode(volume->path(), *table)) {
                if (mount.isReadWrite() && volume->isOnDesktop(mount.target) && volume->adopt())
                    break;
            }
        }
        if (!manual)
            volume->mountAgainIfPasswordChanged();
    }

    const ScriptResult df = m_environment->runScript("df -h", ScriptKind::read);
    const auto mounted = DiskToolOutput::mountedDevices(df.result);
    // A df that never ended (a mount that does not answer) lists nothing.
    if (!manual && !df.timedOut && df.started) {
        // Ejected elsewhere (from the desktop, say): clean the mount folder up.
        for (const auto& volume : previousInsertedNTFSVolumes()) {
            if (!contains(mounted, volume->path()))
                volume->remove();
        }
    }

    for (const auto& volume : previousInsertedNTFSVolumes()) {
        if (contains(current, volume->ID))
            continue;
        if (!manual)
            volume->remove();
        {
            std::lock_guard guard(m_lists);
            m_volumes.erase(std::find(m_volumes.begin(), m_volumes.end(), volume));
        }
        Console::shared().printLog("remove " + volume->ID, "run()");
    }
    for (const auto& identifier : previousInsertedVolumeIDs()) {
        if (contains(current, identifier))
            continue;
        {
            std::lock_guard guard(m_lists);
            m_volumeIDs.erase(std::find(m_volumeIDs.begin(), m_volumeIDs.end(), identifier));
        }
        Console::shared().printLog("remove " + identifier, "run()");
    }
}

void NTFSManager::checkIdentifier(const std::string& identifier, bool manual)
{
    {
        std::lock_guard guard(m_lists);
        if (contains(m_volumeIDs, identifier))
            return;
        m_volumeIDs.push_back(identifier);
    }
    const ScriptResult examined = m_environment->runScript("diskutil info " + ShellText::word(identifier), ScriptKind::read);
    if (examined.timedOut) {
        // Examined again next cycle.
        {
            std::lock_guard guard(m_lists);
            m_volumeIDs.erase(std::find(m_volumeIDs.begin(), m_volumeIDs.end(), identifier));
        }
        Console::shared().printLog("diskutil info " + identifier + " did not end within its time", "run()");
        return;
    }
    const std::string& info = examined.result;
    if (info.empty())
        return;
    const auto values = DiskToolOutput::infoValues(info);
    Console::shared().printLog(Kit::describe(values), "run()");
    if (values.size() != 3)
        return;
    const std::string& name = values[0];
    if (values[2].find("NTFS") == std::string::npos) {
        Console::shared().printLog("NOT NTFS", "run()");
        return;
    }
    if (values[1].find("No") != std::string::npos) {
        // Examined again next cycle, until the system mounts it.
        {
            std::lock_guard guard(m_lists);
            m_volumeIDs.erase(std::find(m_volumeIDs.begin(), m_volumeIDs.end(), identifier));
        }
        Console::shared().printLog("No mounted system", "run()");
        return;
    }
    auto volume = std::make_shared<VolumeModel>(name, identifier, m_environment);
    // One left on the desktop is ours to give back, whatever its name.
    const bool adopted = volume->adopt();
    if (!adopted && manual && name.find(' ') != std::string::npos) {
        Console::shared().printLog("卷名不能包含空格", "run()");
        return;
    }
    {
        std::lock_guard guard(m_lists);
        m_volumes.push_back(volume);
    }
    // In automatic mode every volume not already on the desktop goes there.
    if (!adopted && !manual)
        volume->mount();
}

bool NTFSManager::settleWhatEarlierRunsLeft(const std::vector<std::string>& current)
{
    if (!m_environment->intents)
        return true;
    auto left = m_environment->intents->recorded();
    if (!left) {
        Console::shared().printLogLimited("intents", "what earlier runs left cannot be read: " + left.error().description,
                                          "run()");
        return false;
    }
    bool settled = true;
    for (const auto& intent : *left) {
        const std::string node = "/dev/" + intent.ID;
        // The same disk, still plugged in: an identifier another disk took
        // since is not the volume the step was about.
        const bool present = contains(current, intent.ID) && MountTable::deviceNumber(node) == intent.device;
        auto mounts = present ? m_environment->mounts.mountsOfNode(node)
                              : Expected<std::vector<MountEntry>>(std::vector<MountEntry>());
        if (!mounts) {
            // Kept for the next scan.
            Console::shared().printLogLimited("intents", "what earlier runs left waits (" + intent.ID + "): " + mounts.error().description,
                                              "run()");
            settled = false;
            continue;
        }
        if (present && m_environment->mounts.isReadWriteMount(intent.folder, node).valueOr(false)) {
            // On the desktop: the scan takes the volume under care, and the
            // record stays until it is given back.
            Console::shared().printLog({"left on the desktop by an earlier run", intent.ID, intent.folder}, "run()");
            continue;
        }
        // Mounted nowhere: given back to the system, then found by this scan
        // as newly plugged in. Its folder goes where it is empty.
        const bool nowhere = present && mounts->empty();
        const std::string script = VolumeModel::giveBackScript(intent.ID, intent.folder, nowhere);
        ScriptResult output;
        if (!script.empty())
            output = m_environment->runScript(script, ScriptKind::giveBack);
        const std::string done = nowhere ? "given back to the system" : present ? "mounted elsewhere" : "no longer plugged in";
        Console::shared().printLog({"left unfinished by an earlier run", intent.ID, intent.folder,
                                    done + ": " + Kit::describe(output.result, output.error)},
                                   "run()");
        if (auto finished = m_environment->intents->finish(intent.ID); !finished)
            Console::shared().printLog(finished.error().description, "run()");
    }
    return settled;
}

void NTFSManager::eventCallBackNotification(const Notification& notification)
{
    // Answers come from the agent, which runs as root; anyone else's could make
    // this app unmount and remount volumes at will.
    if (notification.senderUid != 0) {
        std::string who = notification.senderUid == static_cast<uid_t>(-1) ? std::string("unknown")
                                                                            : std::to_string(notification.senderUid);
        Console::shared().printLogLimited("sender " + who,
                                          "Ignored an answer from user id " + who + ": answers come only from the agent",
                                          kAnswerTag);
        return;
    }
    const std::string* text = notification.objectText();
    if (!text) {
        Console::shared().printLog("错误的指令", kAnswerTag);
        return;
    }
    const auto comma = text->find(',');
    if (comma == std::string::npos || text->find(',', comma + 1) != std::string::npos)
        return;
    const std::string command = text->substr(0, comma);
    const std::string volumeName = text->substr(comma + 1);
    const std::string name = ShellText::word(volumeName);
    std::string script;
    if (command == "add")
        script = "diskutil umount " + name + "\n" + "diskutil mount " + name + "\n" + "open /Volumes/"
            + ShellText::word(UTF8::prefixWithin(volumeName, NAME_MAX));
    else if (command == "remove")
        script = "diskutil umount " + name;
    ScriptResult output = m_environment->runScript(script, ScriptKind::giveBack);
    Kit::debugLog(Kit::describe(output.result, output.error), kAnswerTag);
    if (command != "add")
        return;
    for (const auto& volume : previousInsertedNTFSVolumes()) {
        if (volume->name == volumeName)
            volume->remountFinished();
    }
    volumesMayHaveChanged();
}
