#include "support/InProcessNotificationBus.h"

#include "Platform/Foundation/DispatchQueue.h"

Expected<void> InProcessNotificationBus::post(const std::string& name, const std::optional<PropertyListValue>& object,
                                              unsigned options)
{
    std::vector<std::shared_ptr<Subscription>> receivers;
    uid_t sender;
    {
        std::lock_guard guard(m_lock);
        m_posts.push_back(Post{name, object, options});
        sender = m_senderUid;
        for (auto& [token, subscription] : m_subscriptions) {
            if (subscription->name == name)
                receivers.push_back(subscription);
        }
    }
    for (auto& subscription : receivers) {
        const SenderPolicy& senders = subscription->senders;
        if (senders.accepts && !senders.accepts(sender)) {
            if (senders.rejected)
                senders.rejected(sender);
            continue;
        }
        Notification notification{name, object, sender};
        DispatchQueue::main().async([subscription, notification]() {
            if (subscription->alive)
                subscription->receiver(notification);
        });
    }
    return {};
}

unsigned InProcessNotificationBus::subscribe(const std::string& name, Receiver receiver, SenderPolicy senders)
{
    std::lock_guard guard(m_lock);
    unsigned token = m_nextToken++;
    m_subscriptions[token] = std::make_shared<Subscription>(Subscription{name, std::move(receiver), std::move(senders)});
    return token;
}

void InProcessNotificationBus::unsubscribe(unsigned token)
{
    std::lock_guard guard(m_lock);
    if (auto found = m_subscriptions.find(token); found != m_subscriptions.end()) {
        found->second->alive = false;
        m_subscriptions.erase(found);
    }
}

std::vector<InProcessNotificationBus::Post> InProcessNotificationBus::posts() const
{
    std::lock_guard guard(m_lock);
    return m_posts;
}
