// The idle watcher on Wayland: the compositor says when the seat has had no input for the set time
// (ext-idle-notify-v1 where it offers it, as KWin, Hyprland, niri, COSMIC and sway 1.8 do; else
// org_kde_kwin_idle, all Debian 12's sway 1.7 has), honouring the programs that hold idling off. Then the
// full-screen saver runs, on a connection of its own, until input ends it; a fresh notification watches
// again, so nothing of one cycle is left for the next. A session the login manager locks holds it off. It
// wakes only when the compositor or the login manager speaks, or once a second to see whether a stop
// signal came.
#include <poll.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <ext-idle-notify-v1-client-protocol.h>
#include <idle-client-protocol.h>
#include <wayland-client.h>

#include "app/idle.hpp"
#include "hosts/desktop.hpp"
#include "hosts/session_lock.hpp"
#include "hosts/stop_signal.hpp"

namespace pellwick {

namespace {

// The compositor's globals the watcher needs, and the notification that watches now.
struct Watch {
    wl_display* display = nullptr;
    wl_seat* seat = nullptr;
    ext_idle_notifier_v1* notifier = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
    ext_idle_notification_v1* notification = nullptr;
    org_kde_kwin_idle_timeout* kdeTimeout = nullptr;
    IdleWatcher* watcher = nullptr;

    ~Watch() {
        stop();
        if (notifier != nullptr) ext_idle_notifier_v1_destroy(notifier);
        if (kdeIdle != nullptr) org_kde_kwin_idle_destroy(kdeIdle);
        if (seat != nullptr) wl_seat_destroy(seat);
        if (display != nullptr) wl_display_disconnect(display);
    }
    void start(std::uint32_t timeoutMs);
    void stop();
};

void onIdled(void* data, ext_idle_notification_v1*) { static_cast<Watch*>(data)->watcher->idled(); }
void onResumed(void* data, ext_idle_notification_v1*) { static_cast<Watch*>(data)->watcher->resumed(); }
const ext_idle_notification_v1_listener notificationListener = {onIdled, onResumed};

void onKdeIdle(void* data, org_kde_kwin_idle_timeout*) { static_cast<Watch*>(data)->watcher->idled(); }
void onKdeResumed(void* data, org_kde_kwin_idle_timeout*) { static_cast<Watch*>(data)->watcher->resumed(); }
const org_kde_kwin_idle_timeout_listener kdeListener = {onKdeIdle, onKdeResumed};

// A notification after timeoutMs without input, counted from now.
void Watch::start(std::uint32_t timeoutMs) {
    if (notifier != nullptr) {
        notification = ext_idle_notifier_v1_get_idle_notification(notifier, timeoutMs, seat);
        ext_idle_notification_v1_add_listener(notification, &notificationListener, this);
    } else {
        kdeTimeout = org_kde_kwin_idle_get_idle_timeout(kdeIdle, seat, timeoutMs);
        org_kde_kwin_idle_timeout_add_listener(kdeTimeout, &kdeListener, this);
    }
    wl_display_flush(display);
}

void Watch::stop() {
    if (notification != nullptr) ext_idle_notification_v1_destroy(notification);
    if (kdeTimeout != nullptr) org_kde_kwin_idle_timeout_release(kdeTimeout);
    notification = nullptr;
    kdeTimeout = nullptr;
    if (display != nullptr) wl_display_flush(display);
}

void onGlobal(void* data, wl_registry* r, std::uint32_t name, const char* interface, std::uint32_t) {
    auto* w = static_cast<Watch*>(data);
    const std::string i = interface;
    if (i == wl_seat_interface.name && w->seat == nullptr) w->seat = static_cast<wl_seat*>(wl_registry_bind(r, name, &wl_seat_interface, 1));
    if (i == ext_idle_notifier_v1_interface.name) {
        w->notifier = static_cast<ext_idle_notifier_v1*>(wl_registry_bind(r, name, &ext_idle_notifier_v1_interface, 1));
    }
    if (i == org_kde_kwin_idle_interface.name) {
        w->kdeIdle = static_cast<org_kde_kwin_idle*>(wl_registry_bind(r, name, &org_kde_kwin_idle_interface, 1));
    }
}
void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

// Waits up to a second for the compositor's and the login manager's events and handles them; false when
// the compositor is lost.
bool readEvents(wl_display* d, SessionLock& lock) {
    if (wl_display_dispatch_pending(d) < 0 || (wl_display_flush(d) < 0 && errno != EAGAIN)) return false;
    pollfd fds[2] = {{wl_display_get_fd(d), POLLIN, 0}, {lock.fd(), lock.events(), 0}};
    const int ready = poll(fds, 2, static_cast<int>(IDLE_LOOK_US / 1000));
    const bool interrupted = ready < 0 && errno == EINTR;  // a stop signal came; read before the bus sets errno
    lock.read();
    if (ready < 0) return interrupted;
    return fds[0].revents == 0 || wl_display_dispatch(d) >= 0;
}

// Watches with the compositor's idle protocol; -1, having done nothing, when it offers none.
int watchWayland(const Launch& l, std::uint64_t (*fresh)()) {
    Watch w;
    IdleWatcher watcher(static_cast<std::int64_t>(l.settings.idleMinutes * 60e6));
    w.watcher = &watcher;
    w.display = wl_display_connect(nullptr);
    if (w.display == nullptr) {
        std::fprintf(stderr, "pellwick: cannot reach a Wayland compositor\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(w.display);
    wl_registry_add_listener(registry, &registryListener, &w);
    wl_display_roundtrip(w.display);
    wl_registry_destroy(registry);
    if (w.seat == nullptr || (w.notifier == nullptr && w.kdeIdle == nullptr)) return -1;
    const auto timeoutMs = static_cast<std::uint32_t>(watcher.idleUs() / 1000);
    w.start(timeoutMs);
    SessionLock lock(watcher);
    int status = 0;
    while (!stopRequested() && status == 0) {
        if (!readEvents(w.display, lock)) {
            std::fprintf(stderr, "pellwick: lost the Wayland compositor\n");
            return 1;
        }
        if (!watcher.startsSaver()) continue;
        w.stop();  // what comes while the saver plays is the saver's
        const DesktopBlanked locked = [&lock, &watcher] {
            lock.read();
            return watcher.saverRests();
        };
        status = playIdleSaver(watcher, l, fresh, [&](const Launch& saver, std::uint64_t seed, bool drawn) {
            return runWayland(saver, seed, drawn, locked);
        });
        if (status == 0) w.start(timeoutMs);
    }
    return status;
}

}  // namespace

// The compositor's idle protocol where it offers one, else Mutter's idle monitor on the session bus (GNOME).
int runWaylandIdle(const Launch& l, std::uint64_t (*fresh)()) {
    catchStopSignals();
    int status = watchWayland(l, fresh);
    if (status < 0) status = runMutterIdle(l, fresh);
    if (status >= 0) return status;
    std::fprintf(stderr, "pellwick: the Wayland compositor offers no ext_idle_notifier_v1 or org_kde_kwin_idle, and the session "
                         "bus no org.gnome.Mutter.IdleMonitor, to tell idle time\n");
    return 1;
}

}  // namespace pellwick
