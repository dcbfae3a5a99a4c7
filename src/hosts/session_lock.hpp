// What the login manager says of this session's lock (logind's Lock and Unlock on the system bus), for
// the idle watchers: while it is locked a saver does not start, and one that plays rests.
#pragma once

#include "app/idle.hpp"

struct sd_bus;
struct sd_bus_slot;

namespace pellwick {

class SessionLock {
public:
    /// Follows the session's lock for watcher; with no session to follow it follows nothing, and with no
    /// system bus to follow it on it says so on standard error too.
    explicit SessionLock(IdleWatcher& watcher);
    ~SessionLock();
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;

    /// The descriptor to wait on for what the login manager says, or -1 when it follows nothing.
    int fd() const;
    /// Whether the bus wants to be told when the descriptor can be written, too (poll's events).
    short events() const;
    /// Hands what came to the watcher, without waiting.
    void read();

private:
    /// Follows nothing from now on, saying why.
    void drop(const char* why);

    sd_bus* bus_ = nullptr;
    sd_bus_slot* lock_ = nullptr;
    sd_bus_slot* unlock_ = nullptr;
    IdleWatcher& watcher_;
};

}  // namespace pellwick
