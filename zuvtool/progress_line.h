// The progress of a long command on standard error, "zuvtool: FILE: 42%",
// redrawn in place, only when standard error is a terminal.
#pragma once

#include <cstdint>
#include <string>

struct progress_line {
    bool shown;        // standard error is a terminal
    std::string label;
    int percent;       // last drawn, -1 before the first
};

void progress_begin(progress_line* line, const std::string& label);
// Clears the line, so that messages after it start on a clean line.
void progress_end(progress_line* line);

// An ExportProgress: draws the percentage when it changed; returns 0 (stop)
// once an interrupting signal came (interruption.h).
int progress_report(void* line, uint64_t done, uint64_t total);
