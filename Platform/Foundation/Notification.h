#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "Platform/Foundation/PropertyListValue.h"

struct Notification {
    std::string name;
    // Usually a text, but a sender may put any value there, and receivers
    // must tell a text from the rest.
    std::optional<PropertyListValue> object;
    // The sending process's user id as the bus vouches for it; -1 when unknown.
    uid_t senderUid = static_cast<uid_t>(-1);

    // The object when it is a text, else null.
    const std::string* objectText() const { return object ? object->string() : nullptr; }
};
