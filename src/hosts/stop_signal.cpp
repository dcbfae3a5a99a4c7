// SIGTERM and SIGINT noted in a flag the frame loops read.
#include "hosts/stop_signal.hpp"

#include <csignal>

namespace pellwick {

namespace {

volatile std::sig_atomic_t stopAsked = 0;

extern "C" void onStopSignal(int) { stopAsked = 1; }

}  // namespace

void catchStopSignals() {
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

bool stopRequested() { return stopAsked != 0; }

}  // namespace pellwick
