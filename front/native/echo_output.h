// front/native/echo_output.h: standard output made safe for the scroller's echo of the live
// programs, which must never hold up a frame nor end the program.
#pragma once

// Makes writes to standard output return at once when they cannot be taken (a pipe whose
// reader does not read, a terminal stopped with Ctrl-S): a FIFO, pipe or terminal is opened
// anew, non-blocking, as descriptor 1, so that the description shared with the shell and other
// programs keeps its flags; where that cannot be done the shared one is made non-blocking
// until the program exits. Regular files are left as they are. SIGPIPE is ignored, so
// that a reader that left only makes the echo fail. Call it once, first thing in main().
void echo_output_never_waits();
