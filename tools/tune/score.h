// tools/tune/score.h: reads the tune's score, a tracker-like text, into an XM module.
//
// The text is line based; '#' at the start of a line or after a blank starts a comment.
//   title NAME | channels N | speed N | bpm N         song settings
//   order P P P ...                                    pattern numbers (decimal), may repeat
//   instrument NN NAME key=value ...                   NN = 1, 2, ... in turn (decimal)
//   pattern NN rows R                                  NN = 0, 1, ... in turn (decimal)
//   RR | NOT II VV EFF | NOT II VV EFF | ...           a row (decimal RR), one cell per channel
// A cell: note "C-4", "C#4", "===" (key off) or "..."; instrument 2 hex digits or ".."; volume
// 2 hex digits 00..40 or ".."; effect type [0-9A-Z] and 2 hex digits, or "...". Rows not
// written are empty and rows must rise.
// Instrument keys: wave=sine|saw|square|triangle harmonics=N cycle=N (a looped single cycle;
// sweep=N loops N cycles whose tone moves and returns, see synth_cycle),
// or drum=kick|snare|hat|openhat|crash|boom; then volume=0..64 pan=0..255 peak=percent bits=8|16
// envelope=T:V,T:V,... sustain=INDEX fadeout=N (decimal or 0x hex).
#pragma once
#include <string>
#include <string_view>

#include "tools/tune/xm.h"

// Fills `module` from the score; false with "line N: reason" in `error`.
[[nodiscard]] bool score_parse(std::string_view text, XmModule& module, std::string& error);

// The note byte of a note name ("C-0" = 1 .. "B-7" = 96, "===" = 97, "..." = 0); -1 if malformed.
int score_note(std::string_view name);
