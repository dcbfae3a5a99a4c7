// A pointer for headless sway, whose seat has none: a virtual pointer (wlr-virtual-pointer-unstable-v1,
// whose XML Debian does not ship; its two interfaces are written out below from the protocol's definition).
// Usage: wl_pointer WIDTH HEIGHT ACTION...   where WIDTH x HEIGHT is the layout in logical pixels and each
// ACTION is "move X Y", "click", "press", "release" or "sleep MS". It waits half a second after making the
// pointer, so that clients have taken up the seat's new pointer before the first action.
#include <wayland-client.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

const wl_interface* noTypes[8] = {};

// The virtual pointer's requests, by opcode.
const wl_message pointerRequests[] = {{"motion", "uff", noTypes},
                                      {"motion_absolute", "uuuuu", noTypes},
                                      {"button", "uuu", noTypes},
                                      {"axis", "uuf", noTypes},
                                      {"frame", "", noTypes},
                                      {"axis_source", "u", noTypes},
                                      {"axis_stop", "uu", noTypes},
                                      {"axis_discrete", "uufi", noTypes},
                                      {"destroy", "", noTypes}};
const wl_interface virtualPointerInterface = {"zwlr_virtual_pointer_v1", 2, 9, pointerRequests, 0, nullptr};
enum : std::uint32_t { MOTION_ABSOLUTE = 1, BUTTON = 2, FRAME = 4, DESTROY = 8 };
constexpr std::uint32_t BTN_LEFT = 0x110;
const wl_interface* createTypes[] = {&wl_seat_interface, &virtualPointerInterface};
const wl_message managerRequests[] = {{"create_virtual_pointer", "?on", createTypes}, {"destroy", "", noTypes}};
const wl_interface managerInterface = {"zwlr_virtual_pointer_manager_v1", 2, 2, managerRequests, 0, nullptr};

wl_proxy* manager = nullptr;

void onGlobal(void*, wl_registry* r, std::uint32_t name, const char* interface, std::uint32_t) {
    if (std::strcmp(interface, managerInterface.name) == 0) {
        manager = static_cast<wl_proxy*>(wl_registry_bind(r, name, &managerInterface, 1));
    }
}
void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

std::uint32_t millis() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: wl_pointer WIDTH HEIGHT ACTION...\n");
        return 2;
    }
    wl_display* d = wl_display_connect(nullptr);
    if (d == nullptr) return std::fprintf(stderr, "wl_pointer: no compositor\n"), 1;
    wl_registry* registry = wl_display_get_registry(d);
    wl_registry_add_listener(registry, &registryListener, nullptr);
    wl_display_roundtrip(d);
    if (manager == nullptr) return std::fprintf(stderr, "wl_pointer: the compositor has no virtual pointers\n"), 1;
    auto* pointer = static_cast<wl_proxy*>(wl_proxy_marshal_flags(manager, 0, &virtualPointerInterface, 1, 0, nullptr, nullptr));
    wl_display_roundtrip(d);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const std::uint32_t width = std::strtoul(argv[1], nullptr, 10), height = std::strtoul(argv[2], nullptr, 10);
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "move" && i + 2 < argc) {
            const std::uint32_t x = std::strtoul(argv[i + 1], nullptr, 10), y = std::strtoul(argv[i + 2], nullptr, 10);
            wl_proxy_marshal_flags(pointer, MOTION_ABSOLUTE, nullptr, 1, 0, millis(), x, y, width, height);
            i += 2;
        } else if (a == "press" || a == "release" || a == "click") {
            if (a != "release") wl_proxy_marshal_flags(pointer, BUTTON, nullptr, 1, 0, millis(), BTN_LEFT, 1U);
            if (a == "click") wl_proxy_marshal_flags(pointer, FRAME, nullptr, 1, 0);
            if (a != "press") wl_proxy_marshal_flags(pointer, BUTTON, nullptr, 1, 0, millis(), BTN_LEFT, 0U);
        } else if (a == "sleep" && i + 1 < argc) {
            wl_display_roundtrip(d);
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[++i])));
            continue;
        } else {
            std::fprintf(stderr, "wl_pointer: cannot '%s'\n", a.c_str());
            return 2;
        }
        wl_proxy_marshal_flags(pointer, FRAME, nullptr, 1, 0);
        wl_display_roundtrip(d);
    }
    wl_display_roundtrip(d);
    wl_proxy_marshal_flags(pointer, DESTROY, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
    wl_proxy_destroy(manager);
    wl_registry_destroy(registry);
    wl_display_disconnect(d);
    return 0;
}
