#include "interruption.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>

#include "output_file.h"
#include "video_input.h"

namespace {

volatile sig_atomic_t interrupting_signal = 0;

void on_interrupt(int number) {
    if (!interrupting_signal) interrupting_signal = number;
}

void say(const char* text) {
    ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}

void on_bus_error(int) {
    output_discard_from_signal();
    say("\nzuvtool: ");
    say(input_name_for_signal());
    say(": the video file changed or vanished while it was read\n");
    _exit(1);
}

}  // namespace

void interruption_install() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    sigemptyset(&action.sa_mask);
    // A signal ignored when the command started stays ignored: Ctrl+C is not
    // meant for a command a script started in the background, nor a closed
    // terminal for one started under nohup.
    for (int number : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction before;
        if (sigaction(number, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        action.sa_handler = on_interrupt;
        sigaction(number, &action, nullptr);
    }
    action.sa_handler = on_bus_error;
    sigaction(SIGBUS, &action, nullptr);
    action.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &action, nullptr);
}

int interruption_signal() {
    return interrupting_signal;
}

int interruption_status() {
    return 128 + interrupting_signal;
}
