#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "Platform/Foundation/Expected.h"
#include "Platform/Sparkle/SUAppcastItem.h"

// An update feed: an RSS document whose channel lists one item per release,
// each naming its version in a sparkle:version element or in the
// sparkle:version attribute of its enclosure (with an optional
// sparkle:shortVersionString beside it).
class SUAppcast {
public:
    // Parsed without touching the network or expanding entities; an error when
    // the text is not well-formed XML or has no RSS channel. Items without a
    // version are left out.
    static Expected<SUAppcast> parse(std::string_view xml);

    const std::vector<SUAppcastItem>& items() const { return m_items; }
    // The item with the highest version, whatever its place in the feed.
    std::optional<SUAppcastItem> newestItem() const;

private:
    std::vector<SUAppcastItem> m_items;
};
