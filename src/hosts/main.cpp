// The program's entry on Linux: the command line and XSCREENSAVER_WINDOW choose its own window or a saver.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/version.hpp"
#include "hosts/desktop.hpp"

int main(int argc, char** argv) {
    using namespace pellwick;
    const Launch l = readCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::getenv("XSCREENSAVER_WINDOW"));
    switch (l.mode) {
        case Launch::Mode::Help:
            return std::fputs(commandLineUsage().c_str(), stdout) < 0 ? 1 : 0;
        case Launch::Mode::Version:
            return std::printf("pellwick %s\n", VERSION) < 0 ? 1 : 0;
        case Launch::Mode::InWindow:
            return runSaver(l);
        case Launch::Mode::OwnWindow:
            return runDesktop();
        default:
            std::fprintf(stderr, "pellwick: %s\n", l.error.c_str());
            return l.status;
    }
}
