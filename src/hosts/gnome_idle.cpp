// The idle watcher on GNOME, whose compositor offers clients no idle protocol: Mutter's idle monitor on the
// session bus (org.gnome.Mutter.IdleMonitor) fires a watch after so long with no input, honouring what
// holds idling off, and GNOME's screen saver says when it is on (org.gnome.ScreenSaver ActiveChanged);
// meanwhile the watcher gives way, as it does while the login manager has the session locked. D-Bus
// through sd-bus: a small C library that waits on a file descriptor, as the other watchers do, with no
// main loop or type system of its own to bring in.
#include <poll.h>
#include <systemd/sd-bus.h>

#include <cerrno>
#include <cstdio>

#include "app/idle.hpp"
#include "hosts/desktop.hpp"
#include "hosts/session_lock.hpp"
#include "hosts/stop_signal.hpp"

namespace pellwick {

namespace {

constexpr const char* MUTTER = "org.gnome.Mutter.IdleMonitor";
constexpr const char* MONITOR = "/org/gnome/Mutter/IdleMonitor/Core";

// The session bus, the watch on Mutter's idle monitor and the signals the watcher follows.
struct Bus {
    sd_bus* bus = nullptr;
    sd_bus_slot* fired = nullptr;
    sd_bus_slot* screensaver = nullptr;
    std::uint32_t watch = 0;
    IdleWatcher* watcher = nullptr;

    ~Bus() {
        sd_bus_slot_unref(fired);
        sd_bus_slot_unref(screensaver);
        sd_bus_flush_close_unref(bus);
    }
    bool addWatch(std::uint64_t ms);
    void removeWatch();
};

int onWatchFired(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* b = static_cast<Bus*>(data);
    std::uint32_t id = 0;
    if (sd_bus_message_read(m, "u", &id) >= 0 && id == b->watch) b->watcher->idled();
    return 0;
}

int onActiveChanged(sd_bus_message* m, void* data, sd_bus_error*) {
    int active = 0;
    if (sd_bus_message_read(m, "b", &active) < 0) return 0;
    IdleWatcher& w = *static_cast<Bus*>(data)->watcher;
    w.locked(active != 0);
    if (active == 0) w.resumed();  // unlocked: someone is back
    return 0;
}

// A watch that fires after ms with no input, counted from now.
bool Bus::addWatch(std::uint64_t ms) {
    sd_bus_message* reply = nullptr;
    const int r = sd_bus_call_method(bus, MUTTER, MONITOR, MUTTER, "AddIdleWatch", nullptr, &reply, "t", ms);
    const bool ok = r >= 0 && sd_bus_message_read(reply, "u", &watch) >= 0;
    sd_bus_message_unref(reply);
    return ok;
}

void Bus::removeWatch() {
    sd_bus_call_method(bus, MUTTER, MONITOR, MUTTER, "RemoveWatch", nullptr, nullptr, "u", watch);
    watch = 0;
}

// Handles what came on the session bus, then waits for more, or for the login manager, up to a second;
// false when the session bus is lost.
bool readBus(sd_bus* bus, SessionLock& lock) {
    int r = 0;
    while ((r = sd_bus_process(bus, nullptr)) > 0) {
    }
    const int events = sd_bus_get_events(bus);
    if (r < 0 || events < 0) return false;
    pollfd fds[2] = {{sd_bus_get_fd(bus), static_cast<short>(events), 0}, {lock.fd(), lock.events(), 0}};
    r = poll(fds, 2, static_cast<int>(IDLE_LOOK_US / 1000));
    const bool interrupted = r < 0 && errno == EINTR;  // a stop signal came; read before the bus sets errno
    lock.read();
    return r >= 0 || interrupted;
}

}  // namespace

int runMutterIdle(const Launch& l, std::uint64_t (*fresh)()) {
    Bus b;
    IdleWatcher watcher(static_cast<std::int64_t>(l.settings.idleMinutes * 60e6));
    b.watcher = &watcher;
    const auto ms = static_cast<std::uint64_t>(watcher.idleUs() / 1000);
    if (sd_bus_open_user(&b.bus) < 0 ||
        sd_bus_match_signal(b.bus, &b.fired, MUTTER, MONITOR, MUTTER, "WatchFired", onWatchFired, &b) < 0 ||
        sd_bus_match_signal(b.bus, &b.screensaver, nullptr, "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged",
                            onActiveChanged, &b) < 0 ||
        !b.addWatch(ms)) {
        return -1;
    }
    SessionLock lock(watcher);
    int status = 0;
    while (!stopRequested() && status == 0) {
        if (!readBus(b.bus, lock)) {
            std::fprintf(stderr, "pellwick: lost the session bus\n");
            return 1;
        }
        if (!watcher.startsSaver()) continue;
        b.removeWatch();  // what comes while the saver plays is the saver's
        // While it plays, GNOME's screen saver may come on, or the session be locked: the buses are read
        // between its rounds.
        const DesktopBlanked locked = [&b, &lock, &watcher] {
            lock.read();
            while (sd_bus_process(b.bus, nullptr) > 0) {
            }
            return watcher.saverRests();
        };
        status = playIdleSaver(watcher, l, fresh, [&](const Launch& saver, std::uint64_t seed, bool drawn) {
            return runWayland(saver, seed, drawn, locked);
        });
        if (status != 0 || b.addWatch(ms)) continue;
        if (stopRequested()) break;  // the stop signal cut the call
        std::fprintf(stderr, "pellwick: Mutter's idle monitor took no new watch\n");
        return 1;
    }
    return status;
}

}  // namespace pellwick
