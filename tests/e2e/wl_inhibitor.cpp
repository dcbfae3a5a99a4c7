// wl_inhibitor: a Wayland window that holds idling off, as a video player does: a 64x64 grey toplevel
// with an idle inhibitor on its surface, until it is killed. Prints "inhibiting" once the compositor has
// shown it. For the idle watcher's end-to-end test.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <idle-inhibit-unstable-v1-client-protocol.h>
#include <wayland-client.h>
#include <xdg-shell-client-protocol.h>

namespace {

struct Client {
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    xdg_wm_base* wm = nullptr;
    zwp_idle_inhibit_manager_v1* inhibits = nullptr;
    bool configured = false;
};

void onGlobal(void* data, wl_registry* r, std::uint32_t name, const char* interface, std::uint32_t) {
    auto* c = static_cast<Client*>(data);
    const std::string i = interface;
    if (i == wl_compositor_interface.name) c->compositor = static_cast<wl_compositor*>(wl_registry_bind(r, name, &wl_compositor_interface, 1));
    if (i == wl_shm_interface.name) c->shm = static_cast<wl_shm*>(wl_registry_bind(r, name, &wl_shm_interface, 1));
    if (i == xdg_wm_base_interface.name) c->wm = static_cast<xdg_wm_base*>(wl_registry_bind(r, name, &xdg_wm_base_interface, 1));
    if (i == zwp_idle_inhibit_manager_v1_interface.name) {
        c->inhibits = static_cast<zwp_idle_inhibit_manager_v1*>(wl_registry_bind(r, name, &zwp_idle_inhibit_manager_v1_interface, 1));
    }
}
void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

void onPing(void*, xdg_wm_base* wm, std::uint32_t serial) { xdg_wm_base_pong(wm, serial); }
const xdg_wm_base_listener wmListener = {onPing};

void onConfigure(void* data, xdg_surface* s, std::uint32_t serial) {
    xdg_surface_ack_configure(s, serial);
    static_cast<Client*>(data)->configured = true;
}
const xdg_surface_listener surfaceListener = {onConfigure};

// A grey 64x64 buffer.
wl_buffer* greyBuffer(wl_shm* shm) {
    const int size = 64 * 64 * 4;
    const int fd = memfd_create("wl_inhibitor", 0);
    if (fd < 0 || ftruncate(fd, size) != 0) return nullptr;
    void* pixels = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    std::memset(pixels, 0x80, size);
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, size);
    wl_buffer* b = wl_shm_pool_create_buffer(pool, 0, 64, 64, 64 * 4, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return b;
}

}  // namespace

int main() {
    wl_display* d = wl_display_connect(nullptr);
    if (d == nullptr) return 1;
    Client c;
    wl_registry_add_listener(wl_display_get_registry(d), &registryListener, &c);
    wl_display_roundtrip(d);
    if (c.compositor == nullptr || c.shm == nullptr || c.wm == nullptr || c.inhibits == nullptr) {
        std::fprintf(stderr, "wl_inhibitor: the compositor lacks a global it needs\n");
        return 1;
    }
    xdg_wm_base_add_listener(c.wm, &wmListener, nullptr);
    wl_surface* surface = wl_compositor_create_surface(c.compositor);
    xdg_surface* xdg = xdg_wm_base_get_xdg_surface(c.wm, surface);
    xdg_surface_add_listener(xdg, &surfaceListener, &c);
    xdg_toplevel* top = xdg_surface_get_toplevel(xdg);
    xdg_toplevel_set_app_id(top, "inhibitor");
    wl_surface_commit(surface);
    while (!c.configured && wl_display_dispatch(d) >= 0) {
    }
    zwp_idle_inhibit_manager_v1_create_inhibitor(c.inhibits, surface);
    wl_surface_attach(surface, greyBuffer(c.shm), 0, 0);
    wl_surface_commit(surface);
    wl_display_roundtrip(d);
    std::printf("inhibiting\n");
    std::fflush(stdout);
    while (wl_display_dispatch(d) >= 0) {
    }
    return 0;
}
