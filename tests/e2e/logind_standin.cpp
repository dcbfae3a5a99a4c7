// logind_standin lock|unlock: says on the system bus (DBUS_SYSTEM_BUS_ADDRESS), as logind does, that the
// session of XDG_SESSION_ID is to be locked or unlocked, for the idle watcher's end-to-end test.
#include <systemd/sd-bus.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    const char* id = std::getenv("XDG_SESSION_ID");
    if (argc != 2 || id == nullptr || (std::strcmp(argv[1], "lock") != 0 && std::strcmp(argv[1], "unlock") != 0)) {
        std::fprintf(stderr, "usage: XDG_SESSION_ID=ID logind_standin lock|unlock\n");
        return 2;
    }
    sd_bus* bus = nullptr;
    char* path = nullptr;
    const char* member = std::strcmp(argv[1], "lock") == 0 ? "Lock" : "Unlock";
    if (sd_bus_open_system(&bus) < 0 || sd_bus_request_name(bus, "org.freedesktop.login1", 0) < 0 ||
        sd_bus_path_encode("/org/freedesktop/login1/session", id, &path) < 0 ||
        sd_bus_emit_signal(bus, path, "org.freedesktop.login1.Session", member, nullptr) < 0) {
        std::fprintf(stderr, "logind_standin: cannot say %s on the system bus\n", member);
        return 1;
    }
    std::free(path);
    sd_bus_flush_close_unref(bus);
    return 0;
}
