// How zuvtool answers signals. Ctrl+C, a termination request and a closed
// terminal (SIGINT, SIGTERM, SIGHUP) only note the signal: every loop and
// every write looks at it, and since the handler is installed without
// SA_RESTART a write blocked on a stalled reader returns at once. The command
// then removes what it wrote, keeps the old file and exits 128 + the
// signal's number. A file-size limit (SIGXFSZ) is ignored, so that the write
// fails and says "File too large". A video that shrinks under its mapping
// (SIGBUS) ends the process with a message naming it, after removing the
// named temporary file of the export under way.
#pragma once

void interruption_install();

// The number of the first interrupting signal, 0 while none came.
int interruption_signal();

// The exit status of an interrupted command: 128 + the signal's number.
int interruption_status();
