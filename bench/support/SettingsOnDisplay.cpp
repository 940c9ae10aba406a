#include "SettingsOnDisplay.h"

#include <cstdlib>
#include <cstring>

namespace {

// A point of the save button left of its title, in the window's points
// (the button spans 30-130 across and 218-250 down).
constexpr int buttonX = 40;
constexpr int buttonY = 234;

template <typename Reply>
struct Freed {
    Reply* reply;
    ~Freed() { std::free(reply); }
};

}  // namespace

SettingsOnDisplay::SettingsOnDisplay(const std::string& display)
    : m_connection(xcb_connect(display.c_str(), nullptr))
{
    if (isConnected())
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
}

SettingsOnDisplay::~SettingsOnDisplay()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool SettingsOnDisplay::isConnected() const
{
    return m_connection && !xcb_connection_has_error(m_connection);
}

std::optional<xcb_window_t> SettingsOnDisplay::mappedWindow(const std::string& title)
{
    Freed<xcb_query_tree_reply_t> tree{xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr)};
    if (!tree.reply)
        return std::nullopt;
    xcb_window_t* children = xcb_query_tree_children(tree.reply);
    for (int index = 0; index < xcb_query_tree_children_length(tree.reply); ++index) {
        xcb_window_t window = children[index];
        Freed<xcb_get_window_attributes_reply_t> attributes{
            xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, window), nullptr)};
        if (!attributes.reply || attributes.reply->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        Freed<xcb_get_property_reply_t> name{xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
            nullptr)};
        if (!name.reply)
            continue;
        std::string text(static_cast<const char*>(xcb_get_property_value(name.reply)),
                         xcb_get_property_value_length(name.reply));
        if (text == title)
            return window;
    }
    return std::nullopt;
}

bool SettingsOnDisplay::isMappedAndDrawn()
{
    auto window = mappedWindow("Parvex");
    if (!window)
        return false;
    Freed<xcb_get_geometry_reply_t> geometry{
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, *window), nullptr)};
    if (!geometry.reply)
        return false;
    Freed<xcb_get_image_reply_t> image{xcb_get_image_reply(
        m_connection,
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, static_cast<int16_t>(geometry.reply->x + buttonX),
                      static_cast<int16_t>(geometry.reply->y + buttonY), 1, 1, ~0u),
        nullptr)};
    if (!image.reply || xcb_get_image_data_length(image.reply) < 3)
        return false;
    // 24-bit depth: blue, green, red. The button's blue (30, 100, 200), or
    // its hover look's, far from the window's grey.
    const uint8_t* pixel = xcb_get_image_data(image.reply);
    return pixel[0] > 150 && pixel[2] < 80;
}
