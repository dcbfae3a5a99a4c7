// logind_standin lock|unlock|locked: says on the system bus (DBUS_SYSTEM_BUS_ADDRESS), as logind does, that
// the session of XDG_SESSION_ID is to be locked or unlocked; or, with `locked`, serves that session's object
// with LockedHint true (saying "locked" once it does) until killed. For the idle watcher's end-to-end test.
#include <systemd/sd-bus.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* SESSION = "org.freedesktop.login1.Session";

int lockedHint(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
    return sd_bus_message_append(reply, "b", 1);
}

const sd_bus_vtable sessionTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("LockedHint", "b", lockedHint, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_VTABLE_END,
};

// Serves the session's object until killed.
int serveLocked(sd_bus* bus, const char* path) {
    if (sd_bus_add_object_vtable(bus, nullptr, path, SESSION, sessionTable, nullptr) < 0) return 1;
    std::printf("locked\n");
    std::fflush(stdout);
    for (;;) {
        if (sd_bus_process(bus, nullptr) < 0 || sd_bus_wait(bus, UINT64_MAX) < 0) return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* id = std::getenv("XDG_SESSION_ID");
    const std::string what = argc == 2 ? argv[1] : "";
    if (id == nullptr || (what != "lock" && what != "unlock" && what != "locked")) {
        std::fprintf(stderr, "usage: XDG_SESSION_ID=ID logind_standin lock|unlock|locked\n");
        return 2;
    }
    sd_bus* bus = nullptr;
    char* path = nullptr;
    if (sd_bus_open_system(&bus) < 0 || sd_bus_request_name(bus, "org.freedesktop.login1", 0) < 0 ||
        sd_bus_path_encode("/org/freedesktop/login1/session", id, &path) < 0) {
        std::fprintf(stderr, "logind_standin: cannot stand in for logind on the system bus\n");
        return 1;
    }
    if (what == "locked") return serveLocked(bus, path);
    if (sd_bus_emit_signal(bus, path, SESSION, what == "lock" ? "Lock" : "Unlock", nullptr) < 0) {
        std::fprintf(stderr, "logind_standin: cannot say %s on the system bus\n", what.c_str());
        return 1;
    }
    std::free(path);
    sd_bus_flush_close_unref(bus);
    return 0;
}
