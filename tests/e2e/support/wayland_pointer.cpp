// A mouse for a Wayland session that has none (a headless compositor): a
// virtual pointer through the wlr virtual-pointer protocol, which the
// compositor treats as a device of its seat for as long as this runs (a popup
// opened by a click stays up only while its pointer exists). Reads commands,
// one a line, until its input ends, on a screen of WIDTH x HEIGHT:
//   move X Y            the pointer goes to (X, Y)
//   click X Y [BUTTON]  it goes there and clicks (272 left, the default; 273
//                       right; 274 middle, as Linux numbers the buttons)
// and prints "done" after each, once the compositor has had it.
//   wayland_pointer WIDTH HEIGHT
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <unistd.h>

namespace {

// The protocol's two interfaces as libwayland-client needs them: each
// request's name and argument signature, in the protocol's order (the order
// is the request's number on the wire).
const wl_interface* noTypes[] = {nullptr, nullptr, nullptr, nullptr, nullptr};
const wl_message pointerRequests[] = {
    {"motion", "uff", noTypes},
    {"motion_absolute", "uuuuu", noTypes},
    {"button", "uuu", noTypes},
    {"axis", "uuf", noTypes},
    {"frame", "", noTypes},
    {"axis_source", "u", noTypes},
    {"axis_stop", "uu", noTypes},
    {"axis_discrete", "uufi", noTypes},
    {"destroy", "", noTypes},
};
const wl_interface pointerInterface = {"zwlr_virtual_pointer_v1", 1, 9, pointerRequests, 0, nullptr};
enum PointerRequest : uint32_t { motionAbsolute = 1, button = 2, frame = 4, destroyPointer = 8 };

const wl_interface* createTypes[] = {&wl_seat_interface, &pointerInterface};
const wl_message managerRequests[] = {
    {"create_virtual_pointer", "?on", createTypes},
    {"destroy", "", noTypes},
};
const wl_interface managerInterface = {"zwlr_virtual_pointer_manager_v1", 1, 2, managerRequests, 0, nullptr};

struct Globals {
    wl_proxy* manager = nullptr;
    wl_seat* seat = nullptr;
};

void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, managerInterface.name) == 0)
        globals->manager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &managerInterface, 1));
    else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !globals->seat)
        globals->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
}

void globalRemoved(void*, wl_registry*, uint32_t) {}

uint32_t now()
{
    timespec time{};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return static_cast<uint32_t>(time.tv_sec * 1000 + time.tv_nsec / 1000000);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: wayland_pointer WIDTH HEIGHT\n");
        return 2;
    }
    const uint32_t width = std::strtoul(argv[1], nullptr, 10), height = std::strtoul(argv[2], nullptr, 10);
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "wayland_pointer: no Wayland display\n");
        return 1;
    }
    Globals globals;
    static const wl_registry_listener listener = {global, globalRemoved};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &globals);
    wl_display_roundtrip(display);
    if (!globals.manager || !globals.seat) {
        std::fprintf(stderr, "wayland_pointer: the compositor offers no virtual pointer\n");
        return 1;
    }
    wl_proxy* pointer = wl_proxy_marshal_constructor(globals.manager, 0, &pointerInterface, globals.seat, nullptr);
    wl_display_roundtrip(display);
    char line[128];
    while (std::fgets(line, sizeof line, stdin)) {
        char command[16] = {};
        uint32_t x = 0, y = 0, pressed = 272;
        if (std::sscanf(line, "%15s %u %u %u", command, &x, &y, &pressed) < 3) {
            std::fprintf(stderr, "wayland_pointer: cannot read \"%s\"\n", line);
            continue;
        }
        wl_proxy_marshal(pointer, motionAbsolute, now(), x, y, width, height);
        wl_proxy_marshal(pointer, frame);
        wl_display_roundtrip(display);
        if (std::strcmp(command, "click") == 0) {
            for (uint32_t state : {1u, 0u}) {
                // A moment between the steps, as a hand leaves: clients act on
                // the release of what they saw pressed.
                usleep(50000);
                wl_proxy_marshal(pointer, button, now(), pressed, state);
                wl_proxy_marshal(pointer, frame);
                wl_display_roundtrip(display);
            }
        }
        std::printf("done\n");
        std::fflush(stdout);
    }
    wl_proxy_marshal(pointer, destroyPointer);
    wl_proxy_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
