// The idle watcher on X11: the server's idle time (MIT-SCREEN-SAVER), read when the saver could next be
// due (idle time grows no faster than the clock), starts the full-screen saver, which ends on input; then
// it watches again. A program that suspends the server's screen saver (a video player) holds it off; while
// the server's own screen saver is on, DPMS has the monitors off or the login manager has the session
// locked, it gives way. The saver is a run of its own, on a connection of its own, so nothing of one cycle
// is left for the next.
#include <poll.h>

#include <cstdio>

#include "app/cadence.hpp"
#include "app/idle.hpp"
#include "hosts/desktop.hpp"
#include "hosts/session_lock.hpp"
#include "hosts/stop_signal.hpp"

// Last: Xlib defines macros (None, Bool, Status...) that would reach into the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>

namespace pellwick {

namespace {

// Whether the desktop blanks itself now: the server's own screen saver is on, or DPMS has the monitors off.
bool blanked(::Display* x, const XScreenSaverInfo& info) {
    int event = 0, error = 0;
    CARD16 level = 0;
    BOOL enabled = False;
    const bool dpmsOff = DPMSQueryExtension(x, &event, &error) && DPMSInfo(x, &level, &enabled) && enabled && level != DPMSModeOn;
    return info.state == ScreenSaverOn || dpmsOff;
}

// Whether a client suspends the server's screen saver (XScreenSaverSuspend): the server tells no one, but
// keeps a resource of the type `suspension` for each client that does, which X-Resource lists. None when the
// server lacks X-Resource.
bool saverSuspended(::Display* x, Atom suspension) {
    int count = 0;
    XResClient* clients = nullptr;
    if (suspension == 0 || !XResQueryClients(x, &count, &clients)) return false;
    bool held = false;
    for (int i = 0; i < count && !held; ++i) {
        int kinds = 0;
        XResType* types = nullptr;
        if (!XResQueryClientResources(x, clients[i].resource_base, &kinds, &types)) continue;
        for (int k = 0; k < kinds; ++k) held = held || (types[k].resource_type == suspension && types[k].count > 0);
        XFree(types);
    }
    XFree(clients);
    return held;
}

// The resource type the server keeps for a suspension, or 0 when it lacks X-Resource.
Atom suspensionType(::Display* x) {
    int event = 0, error = 0;
    return XResQueryExtension(x, &event, &error) ? XInternAtom(x, "SaverSuspend", False) : 0;
}

// Sleeps up to waitUs on the connection and the login manager, or less when a stop signal comes.
void sleepOn(::Display* x, SessionLock& lock, std::int64_t waitUs) {
    pollfd fds[2] = {{ConnectionNumber(x), POLLIN, 0}, {lock.fd(), lock.events(), 0}};
    poll(fds, 2, static_cast<int>(waitUs / 1000));
    lock.read();
    while (XPending(x) > 0) {
        XEvent e;
        XNextEvent(x, &e);
    }
}

}  // namespace

int runX11Idle(const Launch& l, std::uint64_t (*fresh)()) {
    catchStopSignals();
    ::Display* x = XOpenDisplay(nullptr);
    int event = 0, error = 0;
    if (x == nullptr || !XScreenSaverQueryExtension(x, &event, &error)) {
        std::fprintf(stderr, "pellwick: %s\n", x == nullptr ? "no display to show on: cannot open the X display"
                                                            : "the X server has no MIT-SCREEN-SAVER extension to tell idle time");
        if (x != nullptr) XCloseDisplay(x);
        return 1;
    }
    IdleWatcher watcher(static_cast<std::int64_t>(l.settings.idleMinutes * 60e6));
    SessionLock lock(watcher);
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    const Atom suspension = suspensionType(x);
    int status = 0;
    while (!stopRequested() && status == 0) {
        XScreenSaverQueryInfo(x, DefaultRootWindow(x), info);
        const std::int64_t idleUs = static_cast<std::int64_t>(info->idle) * 1000;
        watcher.idleFor(idleUs);
        watcher.locked(blanked(x, *info));
        watcher.inhibited(idleUs >= watcher.idleUs() && saverSuspended(x, suspension));  // asked only when due
        if (!watcher.startsSaver()) {
            sleepOn(x, lock, watcher.nextLookUs(idleUs));
            continue;
        }
        // While it plays, the server's own screen saver or DPMS may blank the monitors (looked at once a
        // second), or the session be locked.
        std::int64_t lookedAt = 0;
        const DesktopBlanked dark = [&] {
            lock.read();
            if (nowUs() - lookedAt < IDLE_LOOK_US) return watcher.saverRests();
            lookedAt = nowUs();
            XScreenSaverQueryInfo(x, DefaultRootWindow(x), info);
            watcher.locked(blanked(x, *info));
            return watcher.saverRests();
        };
        status = playIdleSaver(watcher, l, fresh, [&](const Launch& saver, std::uint64_t seed, bool drawn) {
            return runX11(saver, seed, drawn, dark);
        });
    }
    XFree(info);
    XCloseDisplay(x);
    return status;
}

}  // namespace pellwick
