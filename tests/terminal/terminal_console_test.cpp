// The terminal console driven as the program drives it, on a test terminal: what the screen
// shows after each step, line editing, resizes, the boxes and the end of the run.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "console/colour.hpp"
#include "console/plain_backend.hpp"
#include "console/terminal_console.hpp"
#include "test_terminal.hpp"

namespace quiquadrado::console {
namespace {

using testing::FakeDevice;
using testing::Interrupted;

constexpr Rgb blue_grey{84, 118, 153};
constexpr std::string_view truecolour = "\x1b[0;38;2;255;255;255;48;2;84;118;153m";
const TerminalFacts xterm_truecolour{"xterm-256color", "truecolor", false, false};
const TerminalFacts inside_tmux{"tmux-256color", "", false, true};

const std::string alpha_prompt = "   Entre com o valor de ALFA  --> ";
const std::string degrees_prompt = "   Entre com o GRAU DE LIBERDADE  --> ";

// "      row n", the text of the program's n-th row in these tests.
std::string row_text_of(std::size_t n) {
  std::string text = "      row ";
  text += std::to_string(n);
  return text;
}

// A console on a fake terminal of the given size; device() is the terminal.
class Session {
 public:
  explicit Session(TerminalSize size, const TerminalFacts& facts = xterm_truecolour, Codeset codeset = Codeset::utf8) {
    auto device = std::make_unique<FakeDevice>(size);
    device_ = device.get();
    console_ = std::make_unique<TerminalConsole>(std::move(device), codeset, facts);
  }
  TerminalConsole& console() { return *console_; }
  FakeDevice& device() { return *device_; }
  testing::TestTerminal& screen() { return device_->screen(); }

  // What the program does first: windows, colour, clears, then rows of text as records.
  void prepare(int rows) {
    console_->maximize_window(Window::main);
    console_->set_background_rgb(blue_grey);
    console_->clear_console();
    console_->maximize_window(Window::console);
    console_->clear_console();
    for (int i = 1; i <= rows; ++i) {
      if (i > 1) console_->line_break();
      console_->write_text(row_text_of(static_cast<std::size_t>(i)));
    }
  }
  // A prompt as a record: the open line ended, the prompt's text written.
  void prompt(const std::string& text) {
    console_->line_break();
    console_->write_text(text);
  }
  // The screen shows exactly the frame the console drew.
  ::testing::AssertionResult consistent() {
    FrameRenderer renderer(Codeset::utf8);
    return screen().shows(console_->frame(), renderer, truecolour);
  }

 private:
  FakeDevice* device_ = nullptr;
  std::unique_ptr<TerminalConsole> console_;
};

TEST(TerminalConsole, RecordsAndTheBackgroundFillTheScreen) {
  Session session({100, 40});
  session.prepare(13);
  auto& screen = session.screen();
  EXPECT_EQ(screen.row_text(0), "      row 1");
  EXPECT_EQ(screen.row_text(12), "      row 13");
  EXPECT_EQ(screen.row_text(13), "");
  // Every cell, written or not, has white text on the background.
  const std::pair<std::size_t, std::size_t> cells[] = {{0, 0}, {0, 99}, {13, 50}, {39, 99}};
  for (const auto& [row, column] : cells) EXPECT_EQ(screen.cell(row, column).sgr, truecolour) << row << "," << column;
  EXPECT_TRUE(session.consistent());
  // The cursor waits after the last record.
  EXPECT_EQ(screen.cursor_row(), 12u);
  EXPECT_EQ(screen.cursor_column(), 12u);
  EXPECT_TRUE(screen.cursor_visible());
}

TEST(TerminalConsole, ColourDepthFollowsTheTerminal) {
  struct Case {
    TerminalFacts facts;
    std::string_view sgr;
  };
  const Case cases[] = {
      {xterm_truecolour, truecolour},
      {{"xterm-256color", "", false, false}, "\x1b[0;38;5;231;48;5;66m"},
      {{"xterm", "", false, false}, "\x1b[0;37;97;44m"},
  };
  for (const Case& c : cases) {
    Session session({20, 5}, c.facts);
    session.prepare(1);
    EXPECT_EQ(session.screen().cell(4, 19).sgr, c.sgr) << c.facts.term;
  }
}

TEST(TerminalConsole, WindowOperationOnlyOutsideMultiplexers) {
  Session outside({20, 5});
  EXPECT_TRUE(outside.console().maximize_window(Window::main));
  EXPECT_EQ(outside.screen().window_operations(), 1);
  EXPECT_TRUE(outside.console().maximize_window(Window::console));
  EXPECT_EQ(outside.screen().window_operations(), 1);

  Session tmux({20, 5}, inside_tmux);
  EXPECT_FALSE(tmux.console().maximize_window(Window::main));
  EXPECT_EQ(tmux.screen().window_operations(), 0);
}

TEST(TerminalConsole, TypedCharactersAreEchoedAfterThePrompt) {
  Session session({100, 40});
  session.prepare(13);
  session.prompt(alpha_prompt);
  session.device().type("0.07\x7f" "5");
  session.device().type("\t\x7f\x7f\x7f\x7f\x7f\x7f\x7f\x7f");  // a Tab, then as many Backspaces
  session.device().type("\xc3\xa7\x1b[D\x1b[A\x7f\r");           // ç, arrows ignored, ç removed
  const std::optional<std::string> line = session.console().read_line();
  ASSERT_TRUE(line);
  EXPECT_EQ(*line, "0.05");
  EXPECT_EQ(session.screen().row_text(13), alpha_prompt + "0.05");
  // Enter: the cursor to column 1 of the next row.
  EXPECT_EQ(session.screen().cursor_row(), 14u);
  EXPECT_EQ(session.screen().cursor_column(), 0u);
  EXPECT_EQ(session.screen().bells(), 0);
  EXPECT_TRUE(session.consistent());
}

TEST(TerminalConsole, EchoDuringTheRead) {
  Session session({60, 10});
  session.prepare(2);
  session.prompt(alpha_prompt);
  session.device().type("1\t\xc3\xa9");
  session.device().hold_input();
  // The read waits for more; what the screen showed by then is what was typed.
  EXPECT_THROW(session.console().read_line(), std::runtime_error);
  EXPECT_EQ(session.screen().row_text(2), alpha_prompt + "1        \xc3\xa9");
  EXPECT_EQ(session.screen().cursor_column(), alpha_prompt.size() + 10);
}

TEST(TerminalConsole, KeysThatArriveTogetherAreAnsweredWithOneFrame) {
  Session session({60, 10});
  session.prepare(2);
  session.prompt(alpha_prompt);
  session.device().type("0.0512\x7f\x7f");
  session.device().hold_input();
  const int before = session.device().writes();
  const std::string written_before = session.device().written();
  EXPECT_THROW(session.console().read_line(), std::runtime_error);
  EXPECT_EQ(session.device().writes(), before + 1);  // eight keys, one frame
  EXPECT_EQ(session.screen().row_text(2), alpha_prompt + "0.05");
  // And that frame holds the typed cells, not the whole screen.
  EXPECT_LT(session.device().written().size() - written_before.size(), 40u);
}

TEST(TerminalConsole, TheLineHoldsAt128CharactersAndTheRestRings) {
  Session session({100, 40});
  session.prepare(3);
  session.prompt(degrees_prompt);
  session.device().type(std::string(130, '1') + "\t");  // one paste: one frame, one bell
  session.device().type("2");                           // then a key at a time: a bell each
  session.device().type("\t");
  session.device().type("\r");
  const std::optional<std::string> line = session.console().read_line();
  ASSERT_TRUE(line);
  EXPECT_EQ(*line, std::string(128, '1'));
  EXPECT_EQ(session.screen().bells(), 3);
  // Prompt and 128 digits wrap onto the next row at 100 columns.
  EXPECT_EQ(session.screen().row_text(3), degrees_prompt + std::string(100 - degrees_prompt.size(), '1'));
  EXPECT_EQ(session.screen().row_text(4), std::string(128 - (100 - degrees_prompt.size()), '1'));
  EXPECT_EQ(session.screen().cursor_row(), 5u);
  EXPECT_TRUE(session.consistent());
}

TEST(TerminalConsole, EndsOfInput) {
  {  // Ctrl-D on an empty line: no line.
    Session session({40, 10});
    session.prepare(1);
    session.device().type("\x04");
    EXPECT_EQ(session.console().read_line(), std::nullopt);
  }
  {  // The terminal's input ends: no line, and none after it.
    Session session({40, 10});
    session.prepare(1);
    EXPECT_EQ(session.console().read_line(), std::nullopt);
    EXPECT_EQ(session.console().read_line(), std::nullopt);
  }
  {  // Ctrl-Z is kept, shown as its symbol.
    Session session({40, 10});
    session.prepare(1);
    session.device().type("5\x1a\r");
    EXPECT_EQ(session.console().read_line(), std::optional<std::string>("5\x1a"));
    EXPECT_EQ(session.screen().row_text(0), "      row 15\xe2\x90\x9a");
  }
  {  // Lines typed ahead are read one per call; a LF after CR is part of the Enter.
    Session session({40, 10});
    session.prepare(1);
    session.device().type("0.05\r\n10\r");
    EXPECT_EQ(session.console().read_line(), std::optional<std::string>("0.05"));
    EXPECT_EQ(session.console().read_line(), std::optional<std::string>("10"));
  }
}

TEST(TerminalConsole, CtrlCEndsTheRunAheadOfTypedAhead) {
  Session session({40, 10});
  session.prepare(1);
  session.device().type("0.05\r10\r\x03");
  EXPECT_THROW(session.console().read_line(), Interrupted);
  EXPECT_TRUE(session.device().restored());
}

TEST(TerminalConsole, ResizeDuringAReadLosesNothing) {
  Session session({100, 40});
  session.prepare(13);
  session.prompt("      Entre com alfa na forma decimal. Ex.: se alfa for 5%, use 0.05");
  session.prompt(alpha_prompt);
  session.device().type("0.0");
  session.device().resize_to({30, 8});
  session.device().type("5");
  session.device().resize_to({100, 40});
  session.device().type("\r");
  ASSERT_EQ(session.console().read_line(), std::optional<std::string>("0.05"));
  EXPECT_TRUE(session.consistent());
  EXPECT_EQ(session.screen().row_text(13), "      Entre com alfa na forma decimal. Ex.: se alfa for 5%, use 0.05");
  EXPECT_EQ(session.screen().row_text(14), alpha_prompt + "0.05");
  EXPECT_EQ(session.screen().row_text(0), "      row 1");
}

TEST(TerminalConsole, NarrowTerminalShowsTheTailOfTheText) {
  Session session({100, 40});
  session.prepare(13);
  session.prompt(alpha_prompt);
  session.device().type("0.05");
  session.device().resize_to({30, 8});
  session.device().hold_input();
  EXPECT_THROW(session.console().read_line(), std::runtime_error);
  // 34 + 4 characters at 30 columns: two rows, the cursor on the second, at the bottom.
  auto& screen = session.screen();
  EXPECT_EQ(screen.row_text(6), "   Entre com o valor de ALFA");  // 30 columns, the last two blank
  EXPECT_EQ(screen.row_text(7), alpha_prompt.substr(30) + "0.05");
  EXPECT_EQ(screen.row_text(5), "      row 13");
  EXPECT_EQ(screen.cursor_row(), 7u);
  EXPECT_EQ(screen.cursor_column(), 8u);
  EXPECT_TRUE(session.consistent());
}

TEST(TerminalConsole, ErrorBoxClosesAndTheTextComesBack) {
  Session session({100, 40});
  session.prepare(13);
  session.prompt(degrees_prompt);
  session.device().type("3.5\r");
  ASSERT_TRUE(session.console().read_line());
  const Frame before = session.console().frame();

  session.device().type("x\x1b[C");  // neither closes it
  session.device().type("o");
  session.console().report_error("run-time error ", "F6101: READ() - integer value text not an integer");
  EXPECT_TRUE(session.consistent());
  EXPECT_EQ(session.console().frame(), before);

  // Each key that closes it.
  for (const std::string_view key : {"\r", " ", "O", "o", "\x1b"}) {
    Session again({100, 40});
    again.prepare(3);
    again.device().type(std::string(key));
    if (key == "\x1b") again.device().pause();  // Escape alone: nothing follows within the wait
    again.device().type("7");  // left for whatever comes next
    again.console().report_error("run-time error ", "F6101");
    EXPECT_TRUE(again.device().input_left()) << key;
  }
}

TEST(TerminalConsole, ErrorBoxShowsTitleIconTextAndButton) {
  Session session({100, 40});
  session.prepare(13);
  session.device().hold_input();
  EXPECT_THROW(session.console().report_error("run-time error ", "F6101: READ() - integer value text not an integer"),
               std::runtime_error);
  auto& screen = session.screen();
  const std::size_t title = screen.find_row("run-time error");
  ASSERT_LT(title, screen.rows()) << screen.dump();
  EXPECT_GT(title, 13u);  // below the text
  EXPECT_NE(screen.row_text(title + 2).find("(X)  F6101: READ() - integer value text not an integer"),
            std::string::npos);
  EXPECT_NE(screen.find_row("> OK <"), screen.rows());
  EXPECT_NE(screen.row_text(title - 1).find("\xe2\x94\x8c\xe2\x94\x80"), std::string::npos);  // ┌─
  EXPECT_FALSE(screen.cursor_visible());
  EXPECT_EQ(screen.row_text(12), "      row 13");
}

// The end-of-run box after a whole screen of results.
TEST(TerminalConsole, EndOfRunBoxSitsBelowTheResultsWithNoFocused) {
  Session session({100, 40});
  session.prepare(28);
  session.console().line_break();
  session.device().hold_input();
  EXPECT_THROW(session.console().end_of_run("quiquadrado", 0), std::runtime_error);
  auto& screen = session.screen();
  EXPECT_TRUE(session.device().hangup_ends_input());
  const std::size_t title = screen.find_row("quiquadrado");
  ASSERT_LT(title, screen.rows()) << screen.dump();
  EXPECT_EQ(title, 30u);  // top border on row 30 (index 29): one blank row below row 28
  EXPECT_NE(screen.row_text(title + 2).find("/!\\  Program Terminated with exit code 0"), std::string::npos);
  EXPECT_NE(screen.row_text(title + 3).find("Exit Window?"), std::string::npos);
  EXPECT_NE(screen.find_row("[ Yes ]   > No <"), screen.rows());
  for (std::size_t row = 0; row < 28; ++row) EXPECT_EQ(screen.row_text(row), row_text_of(row + 1));
}

TEST(TerminalConsole, EndOfRunAnswers) {
  struct Case {
    std::string_view keys;   // typed while the box waits
    bool waits_for_a_key;    // No: the final screen stays until a key
  };
  const Case cases[] = {
      {"y", false},
      {"Y", false},
      {"n", true},
      {"N", true},
      {"\r", true},                  // No is the default
      {"\x1b[D\r", false},           // Left moves the focus to Yes
      {"\x1b[C\r", false},           // so does Right (two buttons)
      {"\t\r", false},               // and Tab
      {"\x1b[Z\t\r", true},          // Shift-Tab and Tab: back on No
      {" ", true},                   // Space presses the focused button
      {"x\x1b[15~7y", false},        // other keys do nothing
  };
  for (const Case& c : cases) {
    Session session({100, 40});
    session.prepare(5);
    session.console().line_break();
    session.device().type(std::string(c.keys));
    if (c.waits_for_a_key) session.device().type("q");
    session.device().type("!");  // never taken: the window is closed by then
    session.console().end_of_run("quiquadrado", 0);
    EXPECT_TRUE(session.device().restored()) << c.keys;
    EXPECT_TRUE(session.device().input_left()) << c.keys;
    // Closed: the final screen, as text, on the normal screen.
    EXPECT_EQ(session.device().normal_screen(),
              "      row 1\n      row 2\n      row 3\n      row 4\n      row 5\n")
        << c.keys;
  }
}

TEST(TerminalConsole, NoKeepsTheFinalScreenWithAHint) {
  Session session({100, 40});
  session.prepare(28);
  session.console().line_break();
  session.device().type("n");
  session.device().hold_input();
  EXPECT_THROW(session.console().end_of_run("quiquadrado", 0), std::runtime_error);
  auto& screen = session.screen();
  EXPECT_EQ(screen.find_row("Exit Window?"), screen.rows()) << screen.dump();
  std::string hint = " ";
  hint += close_hint;
  EXPECT_EQ(screen.row_text(39), hint);
  EXPECT_EQ(screen.cell(39, 0).sgr, "\x1b[0;30;47m");
  EXPECT_FALSE(session.device().restored());
  for (std::size_t row = 0; row < 28; ++row) EXPECT_EQ(screen.row_text(row), row_text_of(row + 1));
}

TEST(TerminalConsole, EndOfInputAnswersTheDefaultAndCloses) {
  Session session({100, 40});
  session.prepare(2);
  session.console().line_break();
  session.console().end_of_run("quiquadrado", 1);  // no input at all: no wait, closed
  EXPECT_TRUE(session.device().restored());
  EXPECT_EQ(session.device().normal_screen(), "      row 1\n      row 2\n");
}

TEST(TerminalConsole, FinalScreenLostOnlyWhenNobodyIsLeft) {
  {  // The input has ended (a hang-up): the terminal that takes no final screen is no error.
    Session session({40, 10});
    session.prepare(1);
    session.device().gone_after_restore();
    EXPECT_NO_THROW(session.console().end_of_run("quiquadrado", 0));
    EXPECT_TRUE(session.device().restored());
  }
  {  // Yes was pressed, so somebody is there: losing the final screen is an output error.
    Session session({40, 10});
    session.prepare(1);
    session.device().type("y");
    session.device().gone_after_restore();
    EXPECT_THROW(session.console().end_of_run("quiquadrado", 0), OutputError);
  }
}

TEST(TerminalConsole, HangUpWhileTheEndOfRunBoxWaitsClosesQuietly) {
  Session session({40, 12});
  session.prepare(1);
  session.device().type("\x1b[C");  // the focus moves to Yes, then the terminal is gone
  session.device().hang_up();
  // No write reaches the gone terminal after the hang-up, and none of its failures is an error.
  EXPECT_NO_THROW(session.console().end_of_run("quiquadrado", 0));
  EXPECT_TRUE(session.device().restored());
  EXPECT_NE(session.screen().find_row("> Yes <"), session.screen().rows());
}

// Where the system shows boxes as windows of its own, the console draws none, and the window's
// answer decides the end of the run as a key would.
TEST(TerminalConsole, BoxesAsTheSystemsWindows) {
  {
    Session session({60, 12});
    session.prepare(3);
    session.device().answer_in_windows({0});
    session.console().report_error("run-time error ", "F6101: READ() - Invalid integer");
    ASSERT_EQ(session.device().windows().size(), 1u);
    const MessageBox& box = session.device().windows()[0];
    EXPECT_EQ(box.title, "run-time error ");
    EXPECT_EQ(box.text, std::vector<std::string>{"F6101: READ() - Invalid integer"});
    EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
    EXPECT_TRUE(box.error);
    for (std::size_t row = 0; row < 3; ++row) EXPECT_EQ(session.screen().row_text(row), row_text_of(row + 1));
    EXPECT_EQ(session.screen().find_row("OK"), session.screen().rows()) << session.screen().dump();
    EXPECT_TRUE(session.consistent());
  }
  struct Case {
    std::size_t button;    // pressed in the window
    bool waits_for_a_key;  // No: the final screen stays until a key
  };
  for (const Case c : {Case{0, false}, Case{1, true}}) {
    Session session({60, 12});
    session.prepare(2);
    session.console().line_break();
    session.device().answer_in_windows({c.button});
    if (c.waits_for_a_key) session.device().type("q");
    session.device().type("!");  // never taken
    session.console().end_of_run("quiquadrado", 1);
    ASSERT_EQ(session.device().windows().size(), 1u);
    const MessageBox& box = session.device().windows()[0];
    EXPECT_EQ(box.title, "quiquadrado");
    EXPECT_EQ(box.text, (std::vector<std::string>{"Program Terminated with exit code 1", "Exit Window?"}));
    EXPECT_EQ(box.buttons, (std::vector<std::string>{"Yes", "No"}));
    EXPECT_EQ(box.focused, 1u);
    EXPECT_FALSE(box.error);
    EXPECT_EQ(session.screen().find_row("Exit Window?"), session.screen().rows());
    EXPECT_TRUE(session.device().input_left());
    EXPECT_EQ(session.device().normal_screen(), "      row 1\n      row 2\n");
  }
}

TEST(TerminalConsole, CtrlCInTheBoxes) {
  Session error({40, 12});
  error.prepare(1);
  error.device().type("\x03");
  EXPECT_THROW(error.console().report_error("run-time error ", "F6500"), Interrupted);

  Session end({40, 12});
  end.prepare(1);
  end.device().type("\x03");
  EXPECT_THROW(end.console().end_of_run("quiquadrado", 0), Interrupted);
}

TEST(TerminalConsole, BoxOnASmallTerminalSitsAtTheBottom) {
  Session session({80, 24});
  session.prepare(28);  // more rows than the terminal: the view is scrolled
  session.console().line_break();
  session.device().hold_input();
  EXPECT_THROW(session.console().end_of_run("quiquadrado", 0), std::runtime_error);
  auto& screen = session.screen();
  EXPECT_EQ(screen.find_row("quiquadrado"), 17u) << screen.dump();  // the box's rows 17 to 24
  EXPECT_EQ(screen.row_text(0), "      row 6");                     // rows 6 to 28 and the cursor's
  EXPECT_EQ(screen.row_text(15), "      row 21");
}

TEST(TerminalConsole, FinalScreenInAOneByteCodeset) {
  Session session({40, 10}, xterm_truecolour, Codeset::latin1);
  session.screen().use_one_byte_characters();
  session.prepare(0);
  session.console().write_text("      ou no endere\xe7o ");
  session.console().line_break();
  session.device().type("y");
  session.console().end_of_run("quiquadrado", 0);
  EXPECT_EQ(session.device().normal_screen(), "      ou no endere\xe7o \n");
  // Boxes fall back to ASCII frames there.
  EXPECT_EQ(session.device().written().find("\xe2\x94"), std::string::npos);
  EXPECT_NE(session.device().written().find("+---"), std::string::npos);
}

}  // namespace
}  // namespace quiquadrado::console
