// A critical value as the result rows print it, in thousandths: the value's decimal expansion
// rounded to 17 significant digits, cut after the third decimal, and increased by one thousandth
// when the next digit is 5 or more (halfway cases away from zero).
#pragma once

#include <cstdint>
#include <string>

namespace quiquadrado::accuracy {

// value x 1000 rounded as printed, with its sign: 20.48306077291025 gives 20483, 0.0625 gives 63.
std::int64_t printed_thousandths(double value);

// The printed digits of thousandths: 20483 gives "20.483", 1 gives "0.001", -25 gives "-0.025".
std::string thousandths_text(std::int64_t thousandths);

}  // namespace quiquadrado::accuracy
