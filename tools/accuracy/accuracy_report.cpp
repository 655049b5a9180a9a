// accuracy_report: how close the program's two critical values come to the exact chi-square
// quantiles, over n = 1 .. 1000 degrees of freedom and the usual significance levels.
//
// Usage: accuracy_report MARKDOWN [DATA]
//   MARKDOWN  the report (docs/accuracy.md)
//   DATA      optional: one line per n and alpha, for the plot (tools/accuracy/accuracy.gp)
//
// For each alpha the program's values are formed exactly as the dialogue forms them: the typed
// decimal read into single precision, lower_p = single(1 - alpha/2), upper_p = single(1 - lower_p),
// and chi_square_quantile at each. They are compared with the exact quantiles of the true
// probabilities alpha/2 and 1 - alpha/2 of the decimal alpha, and, to tell the two causes apart,
// with the exact quantiles of the single-precision probabilities that the dialogue hands over.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "exact_chi_square.hpp"
#include "printed_value.hpp"
#include "quantiles/quantiles.hpp"

namespace {

using namespace quiquadrado;
using namespace quiquadrado::accuracy;

constexpr int max_degrees_of_freedom = 1000;
// The significance levels, as a user types them.
constexpr std::array<std::string_view, 6> alpha_texts{"0.001", "0.01", "0.02", "0.05", "0.10", "0.20"};

struct Range {
  int first;             // smallest n of the range
  int last;              // largest n of the range
  std::string_view name;  // how the table names it
};
constexpr std::array<Range, 5> ranges{{{1, 1, "1"}, {2, 2, "2"}, {3, 10, "3–10"}, {11, 100, "11–100"},
                                       {101, 1000, "101–1000"}}};

enum class Which { lower, upper };

std::string_view which_name(Which which) { return which == Which::lower ? "lower" : "upper"; }

// One critical value at one n and one alpha.
struct Value {
  double program = 0.0;          // what chi_square_quantile returns in the dialogue
  long double exact = 0.0L;      // exact quantile of the decimal alpha's probability
  long double exact_single = 0.0L;  // exact quantile of the single-precision probability handed over
  std::int64_t printed_program = 0;  // the program's value as printed, in thousandths
  std::int64_t printed_exact = 0;    // the exact value printed the same way

  long double error() const { return static_cast<long double>(program) - exact; }
  long double relative_error() const { return error() / exact; }
  // The part of the error due to the single-precision probabilities, and the rest, which is
  // the approximation's own.
  long double probability_part() const { return exact_single - exact; }
  long double approximation_part() const { return static_cast<long double>(program) - exact_single; }
  std::int64_t printed_difference() const { return printed_program - printed_exact; }
};

struct Row {
  int n = 0;
  std::array<Value, 2> values{};  // lower, upper
};

// The largest magnitude seen so far of some error, and where it was.
struct Maximum {
  long double magnitude = -1.0L;    // |signed_value|; below zero until something is offered
  long double signed_value = 0.0L;  // the largest error, with its sign
  int n = 0;                        // degrees of freedom where it occurs
  Which which = Which::lower;       // and at which critical value
  const Value* value = nullptr;     // the critical value itself

  void offer(long double error, int at_n, Which at_which, const Value& at_value) {
    if (std::fabs(error) > magnitude) {
      magnitude = std::fabs(error);
      signed_value = error;
      n = at_n;
      which = at_which;
      value = &at_value;
    }
  }
};

// The summary of one range of n at one alpha: one row of the results table.
struct Cell {
  Maximum absolute;            // largest error
  Maximum relative;            // largest relative error
  Maximum probability_part;    // largest part due to the single-precision probabilities
  Maximum approximation_part;  // largest part due to the approximation
  int printed_differences = 0;  // printed values that differ from the exact ones printed
  int printed_values = 0;       // printed values in all (two per n)
  std::int64_t largest_printed_difference = 0;  // in thousandths, by magnitude
};

Value make_value(double program, long double exact, long double exact_single) {
  Value value;
  value.program = program;
  value.exact = exact;
  value.exact_single = exact_single;
  value.printed_program = printed_thousandths(program);
  value.printed_exact = printed_thousandths(static_cast<double>(exact));
  return value;
}

// Both critical values at one n, formed as the dialogue forms them.
Row compute_row(std::string_view alpha_text, int n) {
  const std::string text(alpha_text);
  const float alpha = static_cast<float>(std::strtod(text.c_str(), nullptr));
  const float lower_p = static_cast<float>(1.0 - static_cast<double>(alpha) / 2.0);
  const double lower = chi_square_quantile(lower_p, n);
  const float upper_p = static_cast<float>(1.0 - static_cast<double>(lower_p));
  const double upper = chi_square_quantile(upper_p, n);

  const long double half_alpha = std::strtold(text.c_str(), nullptr) / 2.0L;
  Row row;
  row.n = n;
  // The lower value is the one exceeded with probability lower_p: its lower tail is 1 - lower_p.
  row.values[0] = make_value(lower, chi_square_lower_quantile(half_alpha, n),
                             chi_square_lower_quantile(1.0L - static_cast<long double>(lower_p), n));
  row.values[1] = make_value(upper, chi_square_upper_quantile(half_alpha, n),
                             chi_square_upper_quantile(static_cast<long double>(upper_p), n));
  return row;
}

std::string format(const char* pattern, long double value) {
  std::array<char, 64> text{};
  std::snprintf(text.data(), text.size(), pattern, static_cast<double>(value));
  return text.data();
}

// 0.00123 as "1.2e-3", in the report's tables.
std::string scientific(long double value) {
  if (value == 0.0L) return "0";
  std::string text = format("%.1e", value);
  const std::size_t e = text.find('e');
  const int exponent = std::atoi(text.c_str() + e + 1);
  return text.substr(0, e) + "e" + std::to_string(exponent);
}

std::string where(const Maximum& maximum) {
  return "n = " + std::to_string(maximum.n) + ", " + std::string(which_name(maximum.which));
}

// "prints 9.353 for 9.348": the program's printed value and the exact value printed the same way.
std::string printed_there(const Maximum& maximum) {
  if (maximum.value == nullptr) return "";
  if (maximum.value->printed_difference() == 0) return "prints " + thousandths_text(maximum.value->printed_program);
  return "prints " + thousandths_text(maximum.value->printed_program) + " for " +
         thousandths_text(maximum.value->printed_exact);
}

// 3, 4, 5, 7 as "3–5, 7".
std::string runs_text(const std::vector<int>& numbers) {
  if (numbers.empty()) return "none";
  std::string text;
  std::size_t i = 0;
  while (i < numbers.size()) {
    std::size_t j = i;
    while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
    if (!text.empty()) text += ", ";
    text += std::to_string(numbers[i]);
    if (j > i) text += (j == i + 1 ? ", " : "–") + std::to_string(numbers[j]);
    i = j + 1;
  }
  return text;
}

struct Results {
  std::array<std::vector<Row>, alpha_texts.size()> rows;  // by alpha, n = 1 .. 1000
};

Results compute() {
  Results results;
  for (std::size_t a = 0; a < alpha_texts.size(); ++a) {
    for (int n = 1; n <= max_degrees_of_freedom; ++n) results.rows[a].push_back(compute_row(alpha_texts[a], n));
  }
  return results;
}

Cell summarize(const std::vector<Row>& rows, const Range& range) {
  Cell cell;
  for (const Row& row : rows) {
    if (row.n < range.first || row.n > range.last) continue;
    for (Which which : {Which::lower, Which::upper}) {
      const Value& value = row.values[which == Which::lower ? 0 : 1];
      cell.absolute.offer(value.error(), row.n, which, value);
      cell.relative.offer(value.relative_error(), row.n, which, value);
      cell.probability_part.offer(value.probability_part(), row.n, which, value);
      cell.approximation_part.offer(value.approximation_part(), row.n, which, value);
      ++cell.printed_values;
      const std::int64_t difference = value.printed_difference();
      if (difference != 0) ++cell.printed_differences;
      if (std::abs(difference) > std::abs(cell.largest_printed_difference)) cell.largest_printed_difference = difference;
    }
  }
  return cell;
}

void write_data(const Results& results, std::ostream& out) {
  out << "# n alpha lower_error upper_error lower_printed_difference upper_printed_difference"
         " lower_probability_part upper_probability_part\n";
  for (std::size_t a = 0; a < alpha_texts.size(); ++a) {
    out << "# alpha = " << alpha_texts[a] << "\n";
    for (const Row& row : results.rows[a]) {
      const Value& lower = row.values[0];
      const Value& upper = row.values[1];
      out << row.n << ' ' << alpha_texts[a] << ' ' << format("%.6e", lower.error()) << ' '
          << format("%.6e", upper.error()) << ' ' << lower.printed_difference() << ' ' << upper.printed_difference()
          << ' ' << format("%.6e", lower.probability_part()) << ' ' << format("%.6e", upper.probability_part())
          << '\n';
    }
    out << "\n\n";  // one gnuplot data block per alpha
  }
}

// The smallest distance, over every exact value, to a halfway point of the printed rounding
// (...5 in the fourth decimal). The exact values are good to 1e-15 relative, so as long as this is
// far larger than that, every exact printed digit is certain.
long double closest_to_halfway(const Results& results) {
  long double closest = 1.0L;
  for (const auto& rows : results.rows) {
    for (const Row& row : rows) {
      for (const Value& value : row.values) {
        const long double thousandths = value.exact * 1000.0L;
        const long double distance = std::fabs(thousandths - std::floor(thousandths) - 0.5L) / 1000.0L;
        closest = std::min(closest, distance);
      }
    }
  }
  return closest;
}

// Where a value counts as good to the third decimal: its error is below a fifth of half a unit.
constexpr long double trust_threshold = 1e-4L;

bool untrusted(const Row& row) {
  return std::fabs(row.values[0].error()) >= trust_threshold || std::fabs(row.values[1].error()) >= trust_threshold;
}

struct AlphaSummary {
  std::vector<int> untrusted_n;       // n where either value's error is 0.0001 or more
  std::vector<int> off_by_more_n;     // n where a printed value is off by two units or more
  int off_by_one = 0;                 // printed values off by one unit
  int values = 0;                     // printed values in all
};

AlphaSummary summarize_alpha(const std::vector<Row>& rows) {
  AlphaSummary summary;
  for (const Row& row : rows) {
    if (untrusted(row)) summary.untrusted_n.push_back(row.n);
    bool off_by_more = false;
    for (const Value& value : row.values) {
      ++summary.values;
      const std::int64_t difference = std::abs(value.printed_difference());
      if (difference == 1) ++summary.off_by_one;
      if (difference >= 2) off_by_more = true;
    }
    if (off_by_more) summary.off_by_more_n.push_back(row.n);
  }
  return summary;
}

std::string percent(int part, int whole) {
  return format("%.0f", 100.0L * static_cast<long double>(part) / static_cast<long double>(whole)) + "%";
}

// Writes text as one Markdown paragraph or list item, wrapped at 100 columns; lines after the
// first are indented by indent blanks.
void paragraph(std::ostream& out, const std::string& text, std::size_t indent = 0) {
  constexpr std::size_t width = 100;
  std::istringstream words(text);
  std::string line;
  for (std::string word; words >> word;) {
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      out << line << '\n';
      line = std::string(indent, ' ');
    } else if (!line.empty() && line.find_first_not_of(' ') != std::string::npos) {
      line += ' ';
    }
    line += word;
  }
  out << line << "\n";
}


// The figures that the explanation quotes, gathered from the results.
struct Figures {
  long double closest_to_halfway = 0.0L;
  Maximum exact_cases;              // largest error at n = 1 and 2
  Maximum approximation_3_10;       // largest approximation part from n = 3 to 10
  std::string approximation_3_10_alpha;
  int off_3_10 = 0;                 // printed values off from n = 3 to 10, every alpha
  int values_3_10 = 0;
  long double approximation_above_100 = 0.0L;  // largest approximation part above n = 100
  float lower_p_0001 = 0.0f;        // single(1 - 0.001/2)
  long double tail_0001 = 0.0L;     // 1 - lower_p_0001: the tail probability actually used
  long double probability_part_0001_at_1000 = 0.0L;  // upper value, n = 1000
  long double error_0001_at_1000 = 0.0L;             // upper value, n = 1000
  int probabilities_dominate_from = 0;  // alpha = 0.001: the probabilities' part is the larger from here
  Cell above_100_0001;
  long double probability_part_other = 0.0L;  // largest probabilities' part for alpha >= 0.01
  int halfway_off = 0;              // alpha >= 0.01, n > 100: printed values off
  int halfway_values = 0;
  int trusted_from = 0;             // alpha >= 0.01: from this n on every error is below the threshold
  int trusted_off = 0;              // alpha >= 0.01, n >= trusted_from: printed values off
  int trusted_values = 0;
  std::int64_t trusted_largest_off = 0;
  Cell approximated_0001;           // alpha = 0.001, n >= 3
  int low_set_last_n_0001 = 0;      // alpha = 0.001: largest n that takes the few-degrees coefficients
  Maximum approximation_11_100_0001;  // alpha = 0.001: largest approximation part from n = 11 to 100
};

constexpr std::size_t alpha_0001 = 0;  // index of alpha = 0.001 in alpha_texts

Figures gather(const Results& results) {
  Figures f;
  f.closest_to_halfway = closest_to_halfway(results);
  for (std::size_t a = 0; a < alpha_texts.size(); ++a) {
    const std::vector<Row>& rows = results.rows[a];
    for (const Range& exact_range : {ranges[0], ranges[1]}) {
      const Cell cell = summarize(rows, exact_range);
      if (cell.absolute.magnitude > f.exact_cases.magnitude) f.exact_cases = cell.absolute;
    }
    const Cell small = summarize(rows, ranges[2]);
    if (small.approximation_part.magnitude > f.approximation_3_10.magnitude) {
      f.approximation_3_10 = small.approximation_part;
      f.approximation_3_10_alpha = alpha_texts[a];
    }
    f.off_3_10 += small.printed_differences;
    f.values_3_10 += small.printed_values;
    const Cell large = summarize(rows, ranges[4]);
    f.approximation_above_100 = std::max(f.approximation_above_100, large.approximation_part.magnitude);
    if (a == alpha_0001) continue;
    const Cell all = summarize(rows, Range{1, max_degrees_of_freedom, ""});
    f.probability_part_other = std::max(f.probability_part_other, all.probability_part.magnitude);
    f.halfway_off += large.printed_differences;
    f.halfway_values += large.printed_values;
    const AlphaSummary summary = summarize_alpha(rows);
    if (!summary.untrusted_n.empty()) f.trusted_from = std::max(f.trusted_from, summary.untrusted_n.back() + 1);
  }

  const std::vector<Row>& rows_0001 = results.rows[alpha_0001];
  f.lower_p_0001 = static_cast<float>(1.0 - static_cast<double>(static_cast<float>(0.001)) / 2.0);
  f.tail_0001 = 1.0L - static_cast<long double>(f.lower_p_0001);
  f.probability_part_0001_at_1000 = rows_0001.back().values[1].probability_part();
  f.error_0001_at_1000 = rows_0001.back().values[1].error();
  f.probabilities_dominate_from = max_degrees_of_freedom + 1;
  for (auto row = rows_0001.rbegin(); row != rows_0001.rend(); ++row) {
    bool dominate = true;
    for (const Value& value : row->values) {
      if (std::fabs(value.probability_part()) <= std::fabs(value.approximation_part())) dominate = false;
    }
    if (!dominate) break;
    f.probabilities_dominate_from = row->n;
  }
  f.above_100_0001 = summarize(rows_0001, ranges[4]);
  f.approximated_0001 = summarize(rows_0001, Range{3, max_degrees_of_freedom, ""});
  f.approximation_11_100_0001 = summarize(rows_0001, ranges[3]).approximation_part;
  // The switch between Goldstein's two coefficient sets: the few-degrees set while
  // n < trunc(4 |t|) + 2, t the normal deviate of the probability 1 - upper_p = lower_p.
  f.low_set_last_n_0001 = static_cast<int>(4.0 * std::fabs(normal_quantile(f.lower_p_0001))) + 1;

  for (std::size_t a = 0; a < alpha_texts.size(); ++a) {
    if (a == alpha_0001) continue;
    const Cell cell = summarize(results.rows[a], Range{f.trusted_from, max_degrees_of_freedom, ""});
    f.trusted_off += cell.printed_differences;
    f.trusted_values += cell.printed_values;
    f.trusted_largest_off = std::max(f.trusted_largest_off, std::abs(cell.largest_printed_difference));
  }
  return f;
}

void write_markdown(const Results& results, std::ostream& out) {
  const Figures f = gather(results);

  out << "# Accuracy of the critical values\n\n";
  paragraph(out,
            "quiquadrado prints the lower and the upper chi-square critical value of the variance-factor test "
            "with three decimals. This page measures how far both lie from the exact quantiles, for every number "
            "of degrees of freedom n from 1 to " + std::to_string(max_degrees_of_freedom) +
            " and the significance levels alpha = 0.001, 0.01, 0.02, 0.05, 0.10 and 0.20, explains where the "
            "differences come from, and says which printed digits can be trusted.");
  out << '\n';
  paragraph(out,
            "The page and the plot are written by `accuracy_report` (in `tools/accuracy/`); do not edit them by "
            "hand. One command regenerates both:");
  out << "\n    tools/accuracy/regenerate\n\n";
  paragraph(out,
            "It builds the tool with the `release` preset, writes this page, and draws `docs/accuracy.png` with "
            "gnuplot (Debian package `gnuplot-nox`; only the plot needs it). The test "
            "`accuracy_report_is_current` fails when this page no longer matches what the program computes.");

  out << "\n## How it is measured\n\n";
  paragraph(out,
            "- **The program's values.** Each alpha goes through the same steps as in a run: the typed decimal is "
            "read into single precision, `lower_p = single(1 - alpha/2)`, `upper_p = single(1 - lower_p)`, and "
            "the lower and upper critical values are `chi_square_quantile(lower_p, n)` and "
            "`chi_square_quantile(upper_p, n)`.",
            2);
  paragraph(out,
            "- **The exact values** are the quantiles whose lower-tail probabilities are exactly alpha/2 and "
            "1 - alpha/2 for the decimal alpha. They are found without any part of the program's approximation: "
            "the chi-square distribution function is the regularized incomplete gamma function P(n/2, x/2), "
            "evaluated in long double by its power series below x/2 = n/2 + 1 and by its continued fraction "
            "above, and inverted by Newton steps inside a bisection bracket, to better than 1e-15 relative. The "
            "tool's own test checks this against closed forms (n = 2: -2 ln p; every even n: a finite Poisson "
            "sum; every odd n: the complementary error function and a finite sum) and against published tables.",
            2);
  paragraph(out,
            "- **The error** is the program's value minus the exact one. **Printed** values are both values "
            "rounded to three decimals as the result rows print them (from the 17-significant-digit decimal, "
            "halves away from zero). No exact value lies within " + scientific(f.closest_to_halfway) +
            " of a halfway point, so the exact printed digits are certain.",
            2);
  paragraph(out,
            "- **The two causes are told apart** by a third value: the exact quantile of the single-precision "
            "probabilities that the dialogue hands over (1 - `lower_p` below, `upper_p` above). Its distance from "
            "the exact value is the part of the error due to the **single-precision probabilities**; the "
            "program's distance from it is the **approximation's** own part.",
            2);

  out << "\n## Results\n\n";
  paragraph(out,
            "Errors are in the units of the printed values (3.2e-3 is 3.2 thousandths). Each \"at\" gives the "
            "degrees of freedom and the critical value (lower or upper) where the largest error of its row "
            "occurs, and \"there\" what the program prints at that place, followed by the exact value printed "
            "the same way when the two differ. \"Off\" counts the printed values that differ from the exact value printed the same way, "
            "out of all printed values of the row (two per n); \"by\" is the largest difference, in units of the "
            "third decimal. The last two columns split the largest error into its two causes (each its own "
            "largest over the row).");
  out << "\n| n | alpha | largest error | at | there | largest relative error | at | off | by |"
         " single-precision probabilities | approximation |\n"
         "|---|---|---|---|---|---|---|---|---|---|---|\n";
  for (const Range& range : ranges) {
    for (std::size_t a = 0; a < alpha_texts.size(); ++a) {
      const Cell cell = summarize(results.rows[a], range);
      out << "| " << range.name << " | " << alpha_texts[a] << " | " << scientific(cell.absolute.signed_value) << " | "
          << where(cell.absolute) << " | " << printed_there(cell.absolute) << " | "
          << scientific(cell.relative.signed_value) << " | " << where(cell.relative) << " | "
          << cell.printed_differences << " of " << cell.printed_values << " | "
          << std::abs(cell.largest_printed_difference) << " | " << scientific(cell.probability_part.signed_value) << " | "
          << scientific(cell.approximation_part.signed_value) << " |\n";
    }
  }

  out << "\n## Where the differences come from\n\n";
  paragraph(out,
            "**The approximation itself.** For n = 1 the program squares a normal deviate and for n = 2 it uses "
            "the closed form -2 ln p; both are exact relations, so the only errors there are those of the "
            "single-precision normal quantile and of the probabilities, at most " + scientific(f.exact_cases.magnitude) +
            ", and every printed digit is right. From n = 3 on it uses Goldstein's polynomial approximation "
            "(CACM Algorithm 451), which is at its weakest for few degrees of freedom and far out in the tails: "
            "from n = 3 to 10 its own error reaches " + scientific(f.approximation_3_10.signed_value) + " (alpha = " +
            f.approximation_3_10_alpha + ", " + where(f.approximation_3_10) +
            "), several units of the third decimal, and " + std::to_string(f.off_3_10) + " of the " +
            std::to_string(f.values_3_10) +
            " printed values of that range are off. Beyond n = 10 the error is smaller, except for alpha = 0.001: "
            "the approximation takes its coefficients for few degrees of freedom while n is below "
            "trunc(4 |t|) + 2, t the normal deviate of the tail, which for alpha = 0.001 means up to n = " +
            std::to_string(f.low_set_last_n_0001) + ", and its error is still " +
            scientific(f.approximation_11_100_0001.signed_value) + " at " + where(f.approximation_11_100_0001) +
            ". Above n = 100 the approximation's own part stays below " + scientific(f.approximation_above_100) +
            ".");
  out << '\n';
  paragraph(out,
            "**The single-precision probabilities.** The dialogue hands both probabilities to the quantile "
            "function in single precision, whose numbers near 1 lie 6e-8 apart. For alpha = 0.001, "
            "1 - alpha/2 = 0.9995 becomes " + format("%.17g", static_cast<long double>(f.lower_p_0001)) +
            ", so the tail probability of both critical values is " + format("%.9g", f.tail_0001) +
            " instead of 0.0005: " + scientific(f.tail_0001 / 0.0005L - 1.0L) +
            " too large, relative to itself. Both values move towards the middle, and the more so the larger n, "
            "because the critical values lie about sqrt(2n) normal deviates away from n. At n = 1000 the upper "
            "value is " + scientific(f.probability_part_0001_at_1000) +
            " off for this reason alone. For alpha = 0.001 this part outweighs the approximation's for every n "
            "from " + std::to_string(f.probabilities_dominate_from) + " on, and above n = 100 it makes " +
            std::to_string(f.above_100_0001.printed_differences) + " of the " +
            std::to_string(f.above_100_0001.printed_values) + " printed values (" +
            percent(f.above_100_0001.printed_differences, f.above_100_0001.printed_values) +
            ") differ from the exact ones. For the larger alphas the tail probability is rounded far less, "
            "relative to itself, and this part stays below " + scientific(f.probability_part_other) +
            ". (The quantile function rounds 1 - p to single precision once more for n > 2, but with these "
            "probabilities that rounding is exact: 1 - `upper_p` is `lower_p` itself.)");
  out << '\n';
  paragraph(out,
            "**Halfway points.** Even a tiny error changes the printed third decimal by one unit when the exact "
            "value happens to lie within that error of a halfway point (...5 in the fourth decimal). Above "
            "n = 100, for alpha = 0.01 to 0.20, the errors are a few hundred-thousandths, and " +
            std::to_string(f.halfway_off) + " of the " + std::to_string(f.halfway_values) +
            " printed values there (" + percent(f.halfway_off, f.halfway_values) +
            ") are one unit off for this reason. Only an error of zero would avoid it.");

  out << "\n## Which values to trust\n\n";
  paragraph(out,
            "A value whose error is below " + format("%g", trust_threshold) +
            " prints the exact value's three decimals, or, when the exact value lies within that error of a "
            "halfway point, is one unit off in the third decimal.");
  out << "\n| alpha | errors of " << format("%g", trust_threshold)
      << " or more at n = | printed values off by one unit | off by two or more units at n = |\n"
         "|---|---|---|---|\n";
  for (std::size_t a = 0; a < alpha_texts.size(); ++a) {
    const AlphaSummary summary = summarize_alpha(results.rows[a]);
    out << "| " << alpha_texts[a] << " | " << runs_text(summary.untrusted_n) << " | " << summary.off_by_one << " of "
        << summary.values << " | " << runs_text(summary.off_by_more_n) << " |\n";
  }
  out << "\nIn short:\n\n";
  paragraph(out, "- **n = 1 and 2:** all three decimals, for every alpha.", 2);
  paragraph(out,
            "- **alpha from 0.01 to 0.20 and n from " + std::to_string(f.trusted_from) + " to " +
            std::to_string(max_degrees_of_freedom) +
            ":** the third decimal is right, or, for an exact value next to a halfway point, one unit off: " +
            std::to_string(f.trusted_off) + " of these " + std::to_string(f.trusted_values) + " printed values (" +
            percent(f.trusted_off, f.trusted_values) + "), none by more than " +
            std::to_string(f.trusted_largest_off) + " unit.",
            2);
  paragraph(out,
            "- **alpha from 0.01 to 0.20 and n from 3 to " + std::to_string(f.trusted_from - 1) +
            ":** errors of up to a few thousandths; trust two decimals.",
            2);
  paragraph(out,
            "- **alpha = 0.001 from n = 3 on:** errors of up to " + scientific(f.approximated_0001.absolute.magnitude) +
            " from the approximation for small n and, mostly from the single-precision probabilities, " +
            scientific(f.error_0001_at_1000) + " at n = 1000; the third decimal is off in " +
            std::to_string(f.approximated_0001.printed_differences) + " of " +
            std::to_string(f.approximated_0001.printed_values) + " values: trust two decimals.",
            2);

  out << "\n## The plot\n\n"
         "![Error of the printed critical values against n, one panel per alpha](accuracy.png)\n\n";
  paragraph(out,
            "One panel per alpha, n on a logarithmic axis. The points mark the printed values that differ from "
            "the exact values printed the same way, by their difference in units of the third decimal (lower "
            "value: circles, upper value: crosses); the lines are the unrounded errors in the same units.");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::cerr << "usage: accuracy_report MARKDOWN [DATA]\n";
    return 2;
  }
  try {
    const Results results = compute();
    std::ostringstream markdown;
    write_markdown(results, markdown);
    std::ofstream markdown_file(argv[1], std::ios::binary);
    markdown_file << markdown.str();
    if (!markdown_file.flush()) throw std::runtime_error(std::string("cannot write ") + argv[1]);
    if (argc == 3) {
      std::ofstream data_file(argv[2], std::ios::binary);
      write_data(results, data_file);
      if (!data_file.flush()) throw std::runtime_error(std::string("cannot write ") + argv[2]);
    }
  } catch (const std::exception& error) {
    std::cerr << "accuracy_report: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
