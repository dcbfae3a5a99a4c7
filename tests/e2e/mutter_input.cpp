// mutter_input [move DX DY | sleep MS]...: input through Mutter's remote desktop on the session bus, as a
// user's pointer would give it, for the idle watcher's end-to-end test. One connection holds the session
// (Mutter ends it with the connection that made it).
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* MUTTER = "org.gnome.Mutter.RemoteDesktop";

bool call(sd_bus* bus, const char* path, const char* interface, const char* method, sd_bus_message** reply, const char* types = nullptr,
          double dx = 0, double dy = 0) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    const int r = types == nullptr ? sd_bus_call_method(bus, MUTTER, path, interface, method, &error, reply, nullptr)
                                   : sd_bus_call_method(bus, MUTTER, path, interface, method, &error, reply, types, dx, dy);
    if (r < 0) std::fprintf(stderr, "mutter_input: %s: %s\n", method, error.message != nullptr ? error.message : "failed");
    sd_bus_error_free(&error);
    return r >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    sd_bus* bus = nullptr;
    sd_bus_message* reply = nullptr;
    const char* path = nullptr;
    if (sd_bus_open_user(&bus) < 0 || !call(bus, "/org/gnome/Mutter/RemoteDesktop", MUTTER, "CreateSession", &reply) ||
        sd_bus_message_read(reply, "o", &path) < 0) {
        return 1;
    }
    const std::string session = path;
    sd_bus_message_unref(reply);
    const std::string iface = std::string(MUTTER) + ".Session";
    if (!call(bus, session.c_str(), iface.c_str(), "Start", nullptr)) return 1;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "move" && i + 2 < argc) {
            const double dx = std::atof(argv[i + 1]), dy = std::atof(argv[i + 2]);
            i += 2;
            if (!call(bus, session.c_str(), iface.c_str(), "NotifyPointerMotionRelative", nullptr, "dd", dx, dy)) return 1;
        } else if (word == "sleep" && i + 1 < argc) {
            usleep(static_cast<useconds_t>(std::atoi(argv[++i])) * 1000);
        }
    }
    call(bus, session.c_str(), iface.c_str(), "Stop", nullptr);
    sd_bus_flush_close_unref(bus);
    return 0;
}
