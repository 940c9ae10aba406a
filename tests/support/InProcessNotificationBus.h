#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "Platform/Foundation/NotificationBus.h"

// A bus inside one process, for tests: every center made on the same bus sees
// the others' posts, delivered on the main run loop like the real one, with the
// sender's user id the test chooses.
class InProcessNotificationBus final : public NotificationBus {
public:
    struct Post {
        std::string name;
        std::optional<PropertyListValue> object;
        unsigned options = 0;
    };

    Expected<void> post(const std::string& name, const std::optional<PropertyListValue>& object, unsigned options) override;
    // The sender policy is applied as a notification is posted.
    unsigned subscribe(const std::string& name, Receiver receiver, SenderPolicy senders) override;
    void unsubscribe(unsigned token) override;

    void setSenderUid(uid_t uid) { m_senderUid = uid; }
    // Everything posted so far, in order.
    std::vector<Post> posts() const;

private:
    struct Subscription {
        std::string name;
        Receiver receiver;
        SenderPolicy senders;
        bool alive = true;
    };

    mutable std::mutex m_lock;
    uid_t m_senderUid = 0;
    unsigned m_nextToken = 1;
    std::map<unsigned, std::shared_ptr<Subscription>> m_subscriptions;
    std::vector<Post> m_posts;
};
