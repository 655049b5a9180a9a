#include "console/line_editor.hpp"

#include <cstddef>

namespace quiquadrado::console {

namespace {
constexpr std::size_t line_limit = static_cast<std::size_t>(max_typed_line);
constexpr std::size_t tab_width = 8;
}  // namespace

EditResult LineEditor::apply(const Key& key) {
  switch (key.kind) {
    case KeyKind::character:
      if (line_.size() >= line_limit) return EditResult::bell;
      line_ += key.character;
      return EditResult::changed;
    case KeyKind::tab:
      if (line_.size() + tab_width > line_limit) return EditResult::bell;
      line_.append(tab_width, ' ');
      return EditResult::changed;
    case KeyKind::backspace:
      if (line_.empty()) return EditResult::unchanged;
      line_.pop_back();
      return EditResult::changed;
    case KeyKind::enter: return EditResult::done;
    case KeyKind::end_of_input: return line_.empty() ? EditResult::no_line : EditResult::bell;
    case KeyKind::interrupt: return EditResult::interrupt;
    case KeyKind::left:
    case KeyKind::right:
    case KeyKind::ignored: return EditResult::unchanged;
  }
  return EditResult::unchanged;
}

}  // namespace quiquadrado::console
