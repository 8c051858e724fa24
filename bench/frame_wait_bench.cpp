// The wait between frames on simulated timers (tests/support/
// frame_wait_simulation.h): frames stored per second of a 30 fps recording
// whose frames take 5 ms of work, and the spin per frame, for the measured
// wait beside the rule it replaced (sleep 1 ms while more than 2 ms remain).
// A coarse tick is what Windows 11 gives a process whose windows are all
// minimised or hidden, whatever resolution it asked for.
//
//   frame_wait_bench
#include <cstdio>

#include "frame_wait_simulation.h"

int main() {
    const uint32_t intervalMs = 33, frames = 3000;
    const struct {
        const char* what;
        SimulatedTimer timer;
        SimulatedRule measured;
    } timers[] = {
        {"Sleep, 15.625 ms tick", {15625, 0, 0, 0}, WAIT_MEASURED_SLEEP},
        {"Sleep, 1 ms tick", {1000, 0, 0, 0}, WAIT_MEASURED_SLEEP},
        {"high-resolution timer, 60 us late", {0, 60, 0, 0}, WAIT_MEASURED_TIMER},
    };
    printf("30 fps (%u ms intervals: %.2f a second), 5 ms of work a frame, %u frames\n",
           intervalMs, 1000.0 / intervalMs, frames);
    for (const auto& t : timers) {
        SimulatedRun measured = SimulateFrames(t.timer, t.measured, intervalMs, 5000, frames);
        SimulatedRun before = SimulateFrames(t.timer, WAIT_ONE_MS_SLEEPS, intervalMs, 5000, frames);
        printf("%-36s measured wait %6.2f fps, spin %5.2f ms a frame; 1 ms sleeps %6.2f fps, "
               "spin %5.2f ms a frame\n",
               t.what, measured.framesPerSecond, measured.spinUsPerFrame / 1000,
               before.framesPerSecond, before.spinUsPerFrame / 1000);
    }
    return 0;
}
