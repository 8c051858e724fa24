// Tools > Cut...: the window that trims a video's ends before it is shared.
// It shows the picture at a record chosen with a trackbar (one record per
// arrow key, Home and End the first and the last), sets the part's start and
// end there or trims the still ends, and saves the part, both ends kept, as
// a new video that becomes the current one.
#pragma once

// The whole command: stops the engine, opens the Load dialog first when
// there is no current file (as Play does), reads the video once with the
// progress window's percentage and Cancel, tells of damage (only the sound
// part can be cut), and runs the window. 1 when a part was saved; it is then
// the current file.
int cut_video();
