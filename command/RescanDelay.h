// The pause before an adapter rescan over USB.
//
// After an array is created or deleted on an enclosure attached over USB,
// the enclosure needs time before the adapter is rescanned; the commands
// wait RescanDelay::wait() first. The pause is 2 seconds. The environment
// variable ZDBRIDGE_RESCAN_DELAY_MS (read once when the library is loaded;
// a plain decimal number of milliseconds) replaces it, and programs that
// link the bridge in-process may call set(); both exist so that tests of
// the USB paths do not sleep.
#pragma once

#include <chrono>

class RescanDelay {
public:
    static constexpr std::chrono::milliseconds kDefault{2000};

    static std::chrono::milliseconds get();
    static void set(std::chrono::milliseconds delay);
    // Blocks the calling thread for the current delay.
    static void wait();
};
