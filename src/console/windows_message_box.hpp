// Message boxes as windows of the system's own (Windows): task-modal, with the system's error
// or warning icon, the box's buttons and its focused button as the default one.
#pragma once

#include <cstddef>
#include <optional>

#include "console/message_box.hpp"

namespace quiquadrado::console {

// Shows the box and waits until one of its buttons is pressed; answers the button's index, or
// nothing when no window could be shown (no display), in which case the caller draws the box
// itself. Boxes with the buttons "OK" or "Yes" "No" are shown; any other set of buttons is
// refused the same way.
std::optional<std::size_t> ask_in_window(const MessageBox& box);

}  // namespace quiquadrado::console
