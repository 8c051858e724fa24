#include "progress_line.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "output_file.h"

namespace {

volatile sig_atomic_t interrupted = 0;

void on_interrupt(int) {
    interrupted = 1;
}

void on_bus_error(int) {
    output_discard_from_signal();
    static const char message[] = "\nzuvtool: the video file changed or vanished while it was read\n";
    ssize_t ignored = write(STDERR_FILENO, message, sizeof message - 1);
    (void)ignored;
    _exit(1);
}

}  // namespace

void progress_begin(progress_line* line, const std::string& label) {
    line->shown = isatty(STDERR_FILENO);
    line->label = label;
    line->percent = -1;
}

void progress_end(progress_line* line) {
    if (line->shown && line->percent >= 0) std::fputs("\r\033[K", stderr);
    line->percent = -1;
}

int progress_report(void* context, uint64_t done, uint64_t total) {
    progress_line* line = static_cast<progress_line*>(context);
    if (interrupted) return 0;
    if (!line->shown || total == 0) return 1;
    int percent = static_cast<int>(done * 100 / total);
    if (percent != line->percent) {
        line->percent = percent;
        std::fprintf(stderr, "\rzuvtool: %s: %d%%", line->label.c_str(), percent);
        std::fflush(stderr);
    }
    return 1;
}

void progress_handle_signals() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    action.sa_handler = on_bus_error;
    sigaction(SIGBUS, &action, nullptr);
}

bool progress_interrupted() {
    return interrupted != 0;
}
