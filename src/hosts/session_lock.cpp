// The session's lock as logind tells it: the session is the one of XDG_SESSION_ID, else the one this
// process runs in; its object sends Lock when the session is to be locked and Unlock when it is not. What
// the session's LockedHint says when the watcher starts counts too, so that it does not start a saver over
// a session already locked.
#include "hosts/session_lock.hpp"

#include <poll.h>
#include <systemd/sd-bus.h>
#include <systemd/sd-login.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace pellwick {

namespace {

constexpr const char* LOGIN = "org.freedesktop.login1";
constexpr const char* SESSION = "org.freedesktop.login1.Session";

// The session's name: XDG_SESSION_ID, else the session this process belongs to; empty when there is none.
std::string sessionId() {
    if (const char* id = std::getenv("XDG_SESSION_ID"); id != nullptr && *id != '\0') return id;
    char* id = nullptr;
    if (sd_pid_get_session(0, &id) < 0) return {};
    std::string s = id;
    std::free(id);
    return s;
}

int onLock(sd_bus_message*, void* data, sd_bus_error*) {
    static_cast<IdleWatcher*>(data)->sessionLocked(true);
    return 0;
}

int onUnlock(sd_bus_message*, void* data, sd_bus_error*) {
    auto* w = static_cast<IdleWatcher*>(data);
    w->sessionLocked(false);
    w->resumed();  // unlocked: someone is back
    return 0;
}

}  // namespace

SessionLock::SessionLock(IdleWatcher& watcher) : watcher_(watcher) {
    const std::string id = sessionId();
    char* path = nullptr;
    if (id.empty()) return;  // no login manager's session: nothing to follow
    if (sd_bus_open_system(&bus_) < 0 || sd_bus_path_encode("/org/freedesktop/login1/session", id.c_str(), &path) < 0 ||
        sd_bus_match_signal(bus_, &lock_, LOGIN, path, SESSION, "Lock", onLock, &watcher_) < 0 ||
        sd_bus_match_signal(bus_, &unlock_, LOGIN, path, SESSION, "Unlock", onUnlock, &watcher_) < 0) {
        std::free(path);
        drop("cannot follow the login session on the system bus");
        return;
    }
    int locked = 0;
    if (sd_bus_get_property_trivial(bus_, LOGIN, path, SESSION, "LockedHint", nullptr, 'b', &locked) >= 0) {
        watcher_.sessionLocked(locked != 0);
    }
    std::free(path);
}

SessionLock::~SessionLock() {
    sd_bus_slot_unref(lock_);
    sd_bus_slot_unref(unlock_);
    sd_bus_flush_close_unref(bus_);
}

int SessionLock::fd() const { return bus_ == nullptr ? -1 : sd_bus_get_fd(bus_); }

short SessionLock::events() const {
    if (bus_ == nullptr) return 0;
    const int e = sd_bus_get_events(bus_);
    return static_cast<short>(e < 0 ? POLLIN : e);
}

void SessionLock::read() {
    if (bus_ == nullptr) return;
    int r = 0;
    while ((r = sd_bus_process(bus_, nullptr)) > 0) {
    }
    if (r < 0) drop("lost the system bus");
}

void SessionLock::drop(const char* why) {
    std::fprintf(stderr, "pellwick: %s; a session locked meanwhile will not hold the saver off\n", why);
    sd_bus_slot_unref(lock_);
    sd_bus_slot_unref(unlock_);
    lock_ = unlock_ = nullptr;
    bus_ = sd_bus_flush_close_unref(bus_);
    watcher_.sessionLocked(false);
}

}  // namespace pellwick
