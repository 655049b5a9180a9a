// The console on a character terminal, free of any platform: the screen model, line editing,
// colours and message boxes, drawn as frames through a TerminalDevice. Every change of state is
// followed by one frame, whose bytes (only the cells that changed) go out in one write.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "console/backend.hpp"
#include "console/colour.hpp"
#include "console/encoding.hpp"
#include "console/keys.hpp"
#include "console/line_editor.hpp"
#include "console/message_box.hpp"
#include "console/screen_model.hpp"
#include "console/terminal_box.hpp"
#include "console/terminal_device.hpp"
#include "console/terminal_facts.hpp"
#include "console/terminal_frame.hpp"

namespace quiquadrado::console {

// The hint on the status line while the final screen waits to be closed.
inline constexpr std::string_view close_hint = "Press any key to close the window.";

class TerminalConsole final : public Backend {
 public:
  TerminalConsole(std::unique_ptr<TerminalDevice> device, Codeset codeset, const TerminalFacts& facts);

  void write_text(std::string_view text) override;
  void line_break() override;
  std::optional<std::string> read_line() override;
  bool maximize_window(Window window) override;
  Rgb set_background_rgb(Rgb colour) override;
  void clear_console() override;
  void report_error(std::string_view title, std::string_view text) override;
  void end_of_run(std::string_view title, int exit_status) override;

  // The frame on the terminal now.
  const Frame& frame() const noexcept { return shown_; }

 private:
  Frame compose() const;
  void present();
  // The next key, or nothing once the input has ended and every key before the end is taken.
  std::optional<Key> next_key();
  // Draws the frame and rings the bell that the keys taken so far asked for.
  void show_pending();
  [[noreturn]] void interrupt();
  std::size_t ask_yes_or_no();
  void close_window();

  std::unique_ptr<TerminalDevice> device_;  // the terminal
  ColourDepth depth_;                       // how the background colour is sent
  bool may_maximize_;                       // the terminal window is ours to maximise
  ScreenModel model_;                       // what the console shows
  LineEditor editor_;                       // the line being typed
  KeyDecoder keys_;                         // typed bytes to keys
  FrameRenderer renderer_;                  // frames to bytes
  TerminalSize size_;                       // the terminal's size as last read
  Frame shown_;                             // the frame last drawn
  bool reading_ = false;                    // a line is being typed: show the editor's line
  std::optional<MessageBox> box_;           // the message box over the view
  std::string status_;                      // the status line's text, empty for none
  Rgb background_{};                        // the background last set
  std::string input_;                       // typed bytes read and not yet decoded
  bool input_ended_ = false;                // no more bytes will come
  bool frame_pending_ = false;              // keys changed what is shown: draw before waiting
  bool bell_pending_ = false;               // keys were refused: ring before waiting
  bool closed_ = false;                     // the terminal has been given back
};

}  // namespace quiquadrado::console
