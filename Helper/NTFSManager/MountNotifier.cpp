#include "Helper/NTFSManager/MountNotifier.h"

#include "Helper/NTFSManager/VolumeModel.h"
#include "Shared/Console.h"

namespace {
constexpr const char* kFunction = "notify()";
// At quit the program ends right after: the daemon has this long to take it.
constexpr std::chrono::milliseconds kPatienceAtQuit{2000};
}  // namespace

MountNotifier::MountNotifier(std::shared_ptr<NSUserNotificationCenter> center)
    : m_center(std::move(center))
{
}

NSUserNotification MountNotifier::notification(const std::string& volumeName, Cause cause)
{
    const std::string quoted = "「" + volumeName + "」";
    switch (cause) {
    case Cause::becameWritable:
        return {quoted + "现在可以写入", "它已挂载在桌面上的同名文件夹中。"};
    case Cause::hibernated:
        return {quoted + "只能读取",
                "Windows 在这个卷上处于休眠状态（快速启动）。请在 Windows 中关闭快速启动并完全关机，然后重新插入。"};
    case Cause::unclean:
        return {quoted + "只能读取",
                "Windows 没有正常关闭这个卷。请在 Windows 中完全关机（或检查磁盘），然后重新插入。"};
    case Cause::ejectInUse:
        return {"无法推出" + quoted, "有程序正在使用它。请关闭正在使用它的文件或程序，然后再推出。"};
    case Cause::ejectRefused:
        return {"无法推出" + quoted, "系统没有卸载它，它仍挂载在桌面上。"};
    case Cause::keptInUse:
        return {quoted + "仍挂载在桌面上",
                "有程序正在使用它，所以退出时没有推出它，其中的数据是安全的。请关闭使用它的程序，然后打开 Parvex 推出它。"};
    case Cause::keptRefused:
        return {quoted + "仍挂载在桌面上", "系统没有卸载它，所以退出时它仍挂载着，其中的数据是安全的。"};
    case Cause::mountTimedOut:
        return {"无法挂载" + quoted,
                "挂载没有在时限内完成（系统可能在等待身份验证或磁盘），已被停止。它仍以只读方式挂载，数据没有改变。"};
    case Cause::ejectTimedOut:
        return {"无法推出" + quoted, "卸载没有在时限内完成（磁盘可能很慢或没有响应），它仍挂载在桌面上。请稍后再推出。"};
    case Cause::mountFailed:
        break;
    }
    return {"无法挂载" + quoted, "登录密码错误或尚未设置。请打开 Parvex 设置正确的密码。", "打开 Parvex"};
}

void MountNotifier::setOpenSettings(std::function<void()> open)
{
    m_center->setActivationHandler([open = std::move(open)](const NSUserNotification&) {
        if (open)
            open();
    });
}

void MountNotifier::mountFinished(const VolumeModel& volume, bool mounted, const ScriptResult& output)
{
    if (mounted) {
        notify(volume, Cause::becameWritable);
        return;
    }
    // mount_ntfs refuses, and says so, rather than mount read-only what
    // Windows left in use; the system's read-only mount stays.
    const std::string& said = output.error;
    if (said.find("Windows is hibernated") != std::string::npos)
        notify(volume, Cause::hibernated);
    else if (said.find("did not shut this volume down cleanly") != std::string::npos
             || said.find("could only be mounted read-only") != std::string::npos)
        notify(volume, Cause::unclean);
}

void MountNotifier::automaticMountFailed(const VolumeModel& volume)
{
    notify(volume, Cause::mountFailed);
}

void MountNotifier::mountTimedOut(const VolumeModel& volume)
{
    notify(volume, Cause::mountTimedOut);
}

void MountNotifier::ejectFailed(const VolumeModel& volume, const ScriptResult& output)
{
    // diskutil names a volume in use ("Device or resource busy").
    const bool inUse = !output.timedOut && output.error.find("busy") != std::string::npos;
    Cause cause = m_quitting ? (inUse ? Cause::keptInUse : Cause::keptRefused)
                             : (inUse ? Cause::ejectInUse : output.timedOut ? Cause::ejectTimedOut : Cause::ejectRefused);
    // Each attempt is the user's own, and is answered.
    deliver(notification(volume.name, cause));
}

void MountNotifier::applicationWillTerminate(std::chrono::steady_clock::time_point deadline)
{
    m_quitDeadline = deadline;
    m_quitting = true;
}

void MountNotifier::notify(const VolumeModel& volume, Cause cause)
{
    {
        std::lock_guard guard(m_lock);
        if (!m_told.emplace(volume.ID, volume.name, cause).second)
            return;
    }
    deliver(notification(volume.name, cause));
}

void MountNotifier::deliver(const NSUserNotification& shown)
{
    Console::shared().printLog({shown.title, shown.informativeText}, kFunction);
    if (!m_center)
        return;
    if (m_quitting) {
        // The run loop turns no more: waited for here, or never sent; and
        // never past the quit's own limit.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            m_quitDeadline.load() - std::chrono::steady_clock::now());
        if (left <= std::chrono::milliseconds::zero()) {
            Console::shared().printLog("not shown: the quit's time is up", kFunction);
            return;
        }
        if (auto delivered = m_center->deliverNotificationNow(shown, std::min(kPatienceAtQuit, left)); !delivered)
            Console::shared().printLog(delivered.error().description, kFunction);
        return;
    }
    m_center->deliverNotification(shown, [told = m_toldDeliveryFailed](const Expected<unsigned>& delivered) {
        // Said once: without a daemon every notification would fail alike.
        if (delivered || *told)
            return;
        *told = true;
        Console::shared().printLog(delivered.error().description, kFunction);
    });
}
