// Output fields of the result rows.
#pragma once

#include <cstdint>
#include <string>

namespace quiquadrado::console {

// The decimal digits of value, with a minus sign when negative, right-justified in width
// characters; width asterisks when the text does not fit.
std::string integer_field(std::int32_t value, int width);

// value with 3 decimals in width characters: rounded from its 17-significant-digit decimal
// expansion, halfway cases away from zero; no digit before the point below 1 (.025); no minus
// sign on a value that rounds to zero; width asterisks when the text does not fit.
std::string fixed_field(double value, int width);

}  // namespace quiquadrado::console
