#include "Helper/NTFSManager/MountNotifier.h"

#include "Helper/NTFSManager/VolumeModel.h"
#include "Shared/Console.h"

namespace {
constexpr const char* kFunction = "notify()";
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

void MountNotifier::notify(const VolumeModel& volume, Cause cause)
{
    {
        std::lock_guard guard(m_lock);
        if (!m_told.emplace(volume.ID, volume.name, cause).second)
            return;
    }
    NSUserNotification shown = notification(volume.name, cause);
    Console::shared().printLog({shown.title, shown.informativeText}, kFunction);
    if (!m_center)
        return;
    m_center->deliverNotification(shown, [told = m_toldDeliveryFailed](const Expected<unsigned>& delivered) {
        // Said once: without a daemon every notification would fail alike.
        if (delivered || *told)
            return;
        *told = true;
        Console::shared().printLog(delivered.error().description, kFunction);
    });
}
