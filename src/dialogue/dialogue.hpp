// The program's dialogue: the window set-up and banner, then the two questions, the two critical
// values and the explanation of the variance-factor test.
#pragma once

#include "console/console.hpp"

namespace quiquadrado::dialogue {

// Maximises the windows, colours and clears the console, and writes the banner box on rows 1
// to 13, so that the next record lands on row 14.
void prepare_screen(console::Console& console);

// The whole run: banner, instructions, the reads of alpha and the degrees of freedom, both
// critical values, the explanation and the stop line with its end-of-run prompt. A malformed
// value or a mathematical fault throws RunTimeError before any result row is written.
void run_quantile_dialogue(console::Console& console);

// The dialogue, with a fatal run-time error turned into its report. Returns the exit status:
// 0 after a normal run, 1 after an error report.
int run_program(console::Console& console);

}  // namespace quiquadrado::dialogue
