// idle_server SOCKET: a Wayland compositor of the test's own that offers a seat and ext_idle_notifier_v1
// and nothing else, as no compositor in Debian 12 offers that protocol. Each notification fires `idled`
// after its timeout. It prints, one line each, the notifications asked for (with their timeouts), what it
// sent, and each client that connects, for the idle watcher's end-to-end test.
#include <cstdint>
#include <cstdio>

#include <ext-idle-notify-v1-server-protocol.h>
#include <wayland-server.h>

namespace {

wl_event_loop* loop = nullptr;
int clients = 0;

struct Notification {
    wl_resource* resource = nullptr;
    wl_event_source* timer = nullptr;
};

int fire(void* data) {
    auto* n = static_cast<Notification*>(data);
    ext_idle_notification_v1_send_idled(n->resource);
    std::printf("idled\n");
    std::fflush(stdout);
    return 0;
}

void destroyResource(wl_client*, wl_resource* r) { wl_resource_destroy(r); }
const struct ext_idle_notification_v1_interface notificationImpl = {destroyResource};

void notificationGone(wl_resource* r) {
    auto* n = static_cast<Notification*>(wl_resource_get_user_data(r));
    wl_event_source_remove(n->timer);
    delete n;
}

void getNotification(wl_client* c, wl_resource*, std::uint32_t id, std::uint32_t timeout, wl_resource*) {
    auto* n = new Notification;
    n->resource = wl_resource_create(c, &ext_idle_notification_v1_interface, 1, id);
    wl_resource_set_implementation(n->resource, &notificationImpl, n, notificationGone);
    n->timer = wl_event_loop_add_timer(loop, fire, n);
    wl_event_source_timer_update(n->timer, static_cast<int>(timeout));
    std::printf("notification after %u ms\n", timeout);
    std::fflush(stdout);
}
const struct ext_idle_notifier_v1_interface notifierImpl = {destroyResource, getNotification};

void bindNotifier(wl_client* c, void*, std::uint32_t version, std::uint32_t id) {
    wl_resource* r = wl_resource_create(c, &ext_idle_notifier_v1_interface, static_cast<int>(version), id);
    wl_resource_set_implementation(r, &notifierImpl, nullptr, nullptr);
}

void noDevice(wl_client*, wl_resource*, std::uint32_t) {}
const struct wl_seat_interface seatImpl = {noDevice, noDevice, noDevice, destroyResource};

void bindSeat(wl_client* c, void*, std::uint32_t version, std::uint32_t id) {
    wl_resource* r = wl_resource_create(c, &wl_seat_interface, static_cast<int>(version), id);
    wl_resource_set_implementation(r, &seatImpl, nullptr, nullptr);
    wl_seat_send_capabilities(r, 0);
}

void onClient(wl_listener*, void*) {
    std::printf("client %d connected\n", ++clients);
    std::fflush(stdout);
}
wl_listener clientListener = {{}, onClient};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    wl_display* display = wl_display_create();
    loop = wl_display_get_event_loop(display);
    if (wl_display_add_socket(display, argv[1]) != 0) return 1;
    wl_global_create(display, &wl_seat_interface, 1, nullptr, bindSeat);
    wl_global_create(display, &ext_idle_notifier_v1_interface, 1, nullptr, bindNotifier);
    wl_display_add_client_created_listener(display, &clientListener);
    std::printf("listening\n");
    std::fflush(stdout);
    wl_display_run(display);
    wl_display_destroy(display);
    return 0;
}
