#include "progress_line.h"

#include <unistd.h>

#include <cstdio>

#include "interruption.h"

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
    if (interruption_signal()) return 0;
    if (!line->shown || total == 0) return 1;
    int percent = static_cast<int>(done * 100 / total);
    if (percent != line->percent) {
        line->percent = percent;
        std::fprintf(stderr, "\rzuvtool: %s: %d%%", line->label.c_str(), percent);
        std::fflush(stderr);
    }
    return 1;
}
