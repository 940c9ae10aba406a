#include "Platform/Freedesktop/XTrayWatcher.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <string>

#include "Platform/Foundation/FileDescriptorSource.h"

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const std::string& name)
{
    auto cookie = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.c_str());
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return value;
}

void listen(xcb_connection_t* connection, xcb_window_t window)
{
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
}

}  // namespace

Expected<std::unique_ptr<XTrayWatcher>> XTrayWatcher::connect(std::function<void(bool)> changed)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return Error::message("no X display (DISPLAY is not set)");
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (int failure = xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return Error::message("cannot reach the X display " + std::string(display) + " (xcb error "
                              + std::to_string(failure) + ")");
    }
    return std::unique_ptr<XTrayWatcher>(new XTrayWatcher(connection, screenNumber, std::move(changed)));
}

XTrayWatcher::XTrayWatcher(xcb_connection_t* connection, int screenNumber, std::function<void(bool)> changed)
    : m_changed(std::move(changed))
    , m_connection(connection)
{
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int index = 0; index < screenNumber && screens.rem; ++index)
        xcb_screen_next(&screens);
    m_root = screens.data->root;
    m_selection = atom(m_connection, "_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber));
    m_manager = atom(m_connection, "MANAGER");
    listen(m_connection, m_root);
    m_source = std::make_unique<FileDescriptorSource>(xcb_get_file_descriptor(m_connection), [this] { readEvents(); });
    update();
}

XTrayWatcher::~XTrayWatcher()
{
    m_source.reset();
    xcb_disconnect(m_connection);
}

void XTrayWatcher::update()
{
    auto reply = xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, m_selection), nullptr);
    const std::uint32_t owner = reply ? reply->owner : 0;
    std::free(reply);
    if (owner == m_owner)
        return;
    m_owner = owner;
    // Its window going away is how a tray that quits shows.
    if (owner)
        listen(m_connection, owner);
    xcb_flush(m_connection);
    if (m_changed)
        m_changed(owner != 0);
}

void XTrayWatcher::readEvents()
{
    bool check = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        const auto type = event->response_type & 0x7f;
        if (type == XCB_CLIENT_MESSAGE) {
            auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            check = check || (message->type == m_manager && message->data.data32[1] == m_selection);
        } else if (type == XCB_DESTROY_NOTIFY) {
            check = check || reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == m_owner;
        }
        std::free(event);
    }
    if (xcb_connection_has_error(m_connection)) {
        // The display went away: no tray on it any more.
        m_source.reset();
        m_owner = 0;
        if (m_changed)
            m_changed(false);
        return;
    }
    if (check)
        update();
}
