#include "dialogue/dialogue.hpp"

#include <cstdint>
#include <string>

#include "console/fields.hpp"
#include "dialogue/screen_texts.hpp"
#include "errors/run_time_error.hpp"
#include "quantiles/quantiles.hpp"

namespace quiquadrado::dialogue {

namespace {

// The console's background: a blue-grey.
constexpr console::Rgb background{84, 118, 153};

std::string lower_result_row(std::int32_t degrees_of_freedom, float half_alpha, double lower_critical_value) {
  std::string row(lower_row_lead);
  row += console::integer_field(degrees_of_freedom, degrees_field_width);
  row += lower_row_middle;
  row += console::fixed_field(static_cast<double>(half_alpha), probability_field_width);
  row += result_row_tail;
  row += console::fixed_field(lower_critical_value, critical_value_field_width);
  return row;
}

std::string upper_result_row(float alpha, double upper_critical_value) {
  std::string row(upper_row_lead);
  row += console::fixed_field(static_cast<double>(alpha), probability_field_width);
  row += result_row_tail;
  row += console::fixed_field(upper_critical_value, critical_value_field_width);
  return row;
}

}  // namespace

void prepare_screen(console::Console& console) {
  // What the window and colour operations answer changes nothing: the banner is written anyway.
  static_cast<void>(console.maximize_window(console::Window::main));
  static_cast<void>(console.set_background_rgb(background));
  console.clear_console();
  static_cast<void>(console.maximize_window(console::Window::console));
  console.clear_console();
  for (std::string_view row : banner_rows) console.write_record(row);
}

void run_quantile_dialogue(console::Console& console) {
  float alpha = 0.0f;
  std::int32_t degrees_of_freedom = 0;

  prepare_screen(console);
  for (std::string_view row : instruction_rows) console.write_record(row);
  console.write_prompt(alpha_prompt);
  console.read_real(alpha);
  console.write_prompt(degrees_prompt);
  console.read_integer(degrees_of_freedom);

  // From here to the result rows nothing is written. alpha becomes 1 - alpha/2 and half_alpha
  // 1 - that, each formed in double precision and rounded to single precision.
  alpha = static_cast<float>(1.0 - static_cast<double>(alpha) / 2.0);
  const double lower_critical_value = chi_square_quantile(alpha, degrees_of_freedom);
  const float half_alpha = static_cast<float>(1.0 - static_cast<double>(alpha));
  const double upper_critical_value = chi_square_quantile(half_alpha, degrees_of_freedom);

  console.write_record(lower_result_row(degrees_of_freedom, half_alpha, lower_critical_value));
  console.write_record(upper_result_row(alpha, upper_critical_value));
  console.write_record(separator_row);
  for (std::string_view row : explanation_rows) console.write_record(row);
  console.write_record(std::string(course_page_lead) + std::string(course_page));
  console.write_record(separator_row);
  console.stop_program();
}

int run_program(console::Console& console) {
  try {
    run_quantile_dialogue(console);
    return 0;
  } catch (const RunTimeError& error) {
    console.report_fatal(error);
    return 1;
  }
}

}  // namespace quiquadrado::dialogue
