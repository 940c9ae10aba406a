// close_window WINDOW: asks an X window to close as a window manager's close
// button does (a WM_DELETE_WINDOW message), where no window manager runs.
// Exits once the X server has taken the message.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    auto* reply = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    xcb_atom_t found = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: close_window WINDOW\n");
        return 2;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        return 1;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
    message.type = atom(connection, "WM_PROTOCOLS");
    message.data.data32[0] = atom(connection, "WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    auto sent = xcb_send_event_checked(connection, 0, message.window, XCB_EVENT_MASK_NO_EVENT,
                                       reinterpret_cast<const char*>(&message));
    // Flushed is not delivered: a server that finds the connection closed
    // before it has read the request (a busy machine) drops it unseen. The
    // check waits until the server has handled it.
    xcb_generic_error_t* error = xcb_request_check(connection, sent);
    bool refused = error != nullptr;
    if (refused)
        std::fprintf(stderr, "close_window: the X server refused the message (error %d)\n", error->error_code);
    std::free(error);
    xcb_disconnect(connection);
    return refused ? 1 : 0;
}
