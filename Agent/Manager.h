#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>

#include "Agent/FSTab.h"
#include "Platform/Foundation/DistributedNotificationCenter.h"

// The agent's request handler: observes "top.kestrova.macOS.Parvex.Helper.do",
// applies each request to the fstab editor and answers the requester.
class Manager {
public:
    static constexpr const char* requestName = "top.kestrova.macOS.Parvex.Helper.do";
    static constexpr const char* answerName = "top.kestrova.macOS.Parvex.Helper.do.Finsh";

    using SenderCheck = std::function<bool(uid_t)>;

    // `fstabPath` is "/etc/fstab" in the agent; the editor is made at the first
    // well-formed request, not here. `mayChangeFstab` decides which senders are
    // heard (anyone on the machine can broadcast on the system bus); it is
    // asked on the bus's thread, and those it turns away are logged at most
    // once a minute per user.
    Manager(DistributedNotificationCenter& notify, std::string fstabPath, SenderCheck mayChangeFstab);

    // One request from a sender already found acceptable.
    void doEvent(const Notification& notification);

    // The editor, once a well-formed request has made it; null before.
    const FSTab* fstab() const { return m_fstab.get(); }

private:
    DistributedNotificationCenter& notify;
    std::unique_ptr<ObserverRegistration> m_registration;
    std::string m_fstabPath;
    SenderCheck m_mayChangeFstab;
    std::unique_ptr<FSTab> m_fstab;
};
