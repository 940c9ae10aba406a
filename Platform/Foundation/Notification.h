#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

// A notification's object: usually a text, but a sender may put anything there,
// and receivers must tell a text from the rest.
using NotificationObject = std::variant<std::string, std::int64_t, double, bool>;

struct Notification {
    std::string name;
    std::optional<NotificationObject> object;
    // The sending process's user id as the bus vouches for it; -1 when unknown.
    uid_t senderUid = static_cast<uid_t>(-1);

    // The object when it is a text, else null.
    const std::string* objectText() const
    {
        return object ? std::get_if<std::string>(&*object) : nullptr;
    }
};
