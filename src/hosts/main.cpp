// The program's entry on Linux: the command line and XSCREENSAVER_WINDOW choose the window or saver mode.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "hosts/desktop.hpp"

int main(int argc, char** argv) {
    using namespace pellwick;
    const LaunchResult r = parseLaunch(std::vector<std::string>(argv + 1, argv + argc), std::getenv("XSCREENSAVER_WINDOW"));
    if (!r.options) {
        std::fprintf(stderr, "pellwick: %s\n", r.error.c_str());
        return 2;
    }
    if (r.options->help) return std::fputs(launchUsage().c_str(), stdout) < 0 ? 1 : 0;
    return r.options->mode == LaunchOptions::Mode::Saver ? runSaver(*r.options) : runDesktop();
}
