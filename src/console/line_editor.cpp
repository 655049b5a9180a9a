#include "console/line_editor.hpp"

#include <cstddef>

namespace quiquadrado::console {

namespace {
constexpr std::size_t line_limit = static_cast<std::size_t>(max_typed_line);
constexpr std::size_t tab_width = 8;  // blanks a Tab inserts
}  // namespace

EditResult LineEditor::insert(char character) {
  if (line_.size() >= line_limit) return EditResult::bell;
  line_ += character;
  return EditResult::changed;
}

// A Tab that would not fit whole is refused whole.
EditResult LineEditor::insert_tab() {
  if (line_.size() + tab_width > line_limit) return EditResult::bell;
  line_.append(tab_width, ' ');
  return EditResult::changed;
}

EditResult LineEditor::erase_last() {
  if (line_.empty()) return EditResult::unchanged;
  line_.pop_back();
  return EditResult::changed;
}

EditResult LineEditor::apply(const Key& key) {
  switch (key.kind) {
    case KeyKind::character: return insert(key.character);
    case KeyKind::tab: return insert_tab();
    case KeyKind::backspace: return erase_last();
    case KeyKind::enter: return EditResult::done;
    // Ctrl-D ends the input only where a cooked terminal would: on an empty line.
    case KeyKind::end_of_input: return line_.empty() ? EditResult::no_line : EditResult::bell;
    case KeyKind::interrupt: return EditResult::interrupt;
    case KeyKind::back_tab:
    case KeyKind::left:
    case KeyKind::right:
    case KeyKind::escape:
    case KeyKind::ignored: return EditResult::unchanged;
  }
  return EditResult::unchanged;
}

}  // namespace quiquadrado::console
