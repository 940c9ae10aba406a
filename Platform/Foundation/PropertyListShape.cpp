#include "Platform/Foundation/PropertyListShape.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr std::string_view binaryMagic = "bplist00";
constexpr size_t trailerSize = 32;

Error tooDeep()
{
    return Error::message("no property list: values nest deeper than " + std::to_string(PropertyListShape::deepest));
}

Error malformed()
{
    return Error::message("no property list: the binary list's tables do not hold together");
}

// A big-endian unsigned number of `width` bytes at `at`.
uint64_t number(std::string_view data, size_t at, size_t width)
{
    uint64_t value = 0;
    for (size_t index = 0; index < width; ++index)
        value = value << 8 | static_cast<unsigned char>(data[at + index]);
    return value;
}

// The objects of a binary list and the references each container holds.
class BinaryList {
public:
    explicit BinaryList(std::string_view data)
        : m_data(data)
    {
    }

    bool readTrailer()
    {
        if (m_data.size() < binaryMagic.size() + trailerSize)
            return false;
        size_t trailer = m_data.size() - trailerSize;
        m_offsetWidth = static_cast<unsigned char>(m_data[trailer + 6]);
        m_referenceWidth = static_cast<unsigned char>(m_data[trailer + 7]);
        m_count = number(m_data, trailer + 8, 8);
        m_top = number(m_data, trailer + 16, 8);
        m_table = number(m_data, trailer + 24, 8);
        bool widths = m_offsetWidth >= 1 && m_offsetWidth <= 8 && m_referenceWidth >= 1 && m_referenceWidth <= 8;
        return widths && m_count > 0 && m_top < m_count && m_table < trailer
            && m_count <= (trailer - m_table) / m_offsetWidth;
    }

    uint64_t count() const { return m_count; }
    uint64_t top() const { return m_top; }

    // The objects `object` refers to, or false when its bytes are out of bounds.
    bool references(uint64_t object, std::vector<uint64_t>& out) const
    {
        out.clear();
        uint64_t at = number(m_data, m_table + object * m_offsetWidth, m_offsetWidth);
        if (at >= m_table)
            return false;
        unsigned marker = static_cast<unsigned char>(m_data[at]);
        unsigned kind = marker >> 4;
        // Arrays (0xA), sets (0xC) and dictionaries (0xD, keys then values).
        if (kind != 0xA && kind != 0xC && kind != 0xD)
            return true;
        uint64_t items = marker & 0x0F;
        ++at;
        if (items == 0x0F) {
            if (at >= m_table || (static_cast<unsigned char>(m_data[at]) >> 4) != 0x1)
                return false;
            size_t width = size_t{1} << (static_cast<unsigned char>(m_data[at]) & 0x0F);
            if (width > 8 || at + 1 + width > m_table)
                return false;
            items = number(m_data, at + 1, width);
            at += 1 + width;
        }
        uint64_t refs = kind == 0xD ? 2 * items : items;
        if (items > m_table || refs > (m_table - at) / m_referenceWidth)
            return false;
        for (uint64_t index = 0; index < refs; ++index) {
            uint64_t target = number(m_data, at + index * m_referenceWidth, m_referenceWidth);
            if (target >= m_count)
                return false;
            out.push_back(target);
        }
        return true;
    }

private:
    std::string_view m_data;
    size_t m_offsetWidth = 0;
    size_t m_referenceWidth = 0;
    uint64_t m_count = 0;
    uint64_t m_top = 0;
    uint64_t m_table = 0;
};

}  // namespace

Expected<void> PropertyListShape::check(std::string_view data)
{
    return data.starts_with(binaryMagic) ? checkBinary(data) : checkXML(data);
}

Expected<void> PropertyListShape::checkXML(std::string_view data)
{
    size_t depth = 0;
    for (size_t at = data.find('<'); at != std::string_view::npos; at = data.find('<', at)) {
        std::string_view rest = data.substr(at);
        std::string_view end = rest.starts_with("<!--") ? "-->" : rest.starts_with("<![CDATA[") ? "]]>" : ">";
        size_t close = data.find(end, at + 1);
        if (close == std::string_view::npos)
            return {};  // unfinished: libplist refuses it
        std::string_view tag = data.substr(at + 1, close - at - 1);
        at = close + end.size();
        bool closing = tag.starts_with('/');
        if (closing)
            tag.remove_prefix(1);
        std::string_view name = tag.substr(0, tag.find_first_of(" \t\r\n/"));
        if (name != "array" && name != "dict")
            continue;
        if (closing)
            depth -= depth > 0 ? 1 : 0;
        else if (!tag.ends_with('/') && ++depth > deepest)
            return tooDeep();
    }
    return {};
}

Expected<void> PropertyListShape::checkBinary(std::string_view data)
{
    BinaryList list(data);
    if (!list.readTrailer())
        return malformed();
    // Depth-first from the top object with a stack of our own; each object's
    // expanded size is worked out once.
    enum : uint8_t { unseen, open, done };
    std::vector<uint8_t> state(list.count(), unseen);
    std::vector<uint64_t> expanded(list.count(), 0);
    struct Frame {
        uint64_t object;
        std::vector<uint64_t> children;
        size_t next = 0;
        uint64_t size = 1;
    };
    std::vector<Frame> stack;
    auto enter = [&](uint64_t object) -> Expected<void> {
        if (stack.size() >= deepest)
            return tooDeep();
        Frame frame{object, {}};
        if (!list.references(object, frame.children))
            return malformed();
        state[object] = open;
        stack.push_back(std::move(frame));
        return {};
    };
    if (auto entered = enter(list.top()); !entered)
        return entered;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.children.size()) {
            state[frame.object] = done;
            expanded[frame.object] = frame.size;
            uint64_t size = frame.size;
            stack.pop_back();
            if (!stack.empty())
                stack.back().size = std::min<uint64_t>(stack.back().size + size, mostValues + 1);
            continue;
        }
        uint64_t child = frame.children[frame.next++];
        if (state[child] == open)
            return Error::message("no property list: a binary list's value contains itself");
        if (state[child] == done) {
            frame.size = std::min<uint64_t>(frame.size + expanded[child], mostValues + 1);
            continue;
        }
        if (auto entered = enter(child); !entered)
            return entered;
    }
    if (expanded[list.top()] > mostValues)
        return Error::message("no property list: its values would expand to more than "
                              + std::to_string(mostValues));
    return {};
}
