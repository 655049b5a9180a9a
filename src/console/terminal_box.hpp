// A message box painted into a terminal frame, over the console's view. Closing the box is
// drawing the next frame without it: the renderer then repaints exactly the cells it covered.
#pragma once

#include "console/message_box.hpp"
#include "console/terminal_frame.hpp"

namespace quiquadrado::console {

// Paints the box at its place: the frame in line-drawing glyphs, the title row, the icon in
// the error or warning colours, the text, the buttons with the focused one in its own style.
// A box cut to a small screen keeps its borders and loses, in this order, the empty row, the
// rule, text rows from the last one up, the title and the buttons.
void paint_box(Frame& frame, const MessageBox& box, const BoxPlacement& place);

}  // namespace quiquadrado::console
