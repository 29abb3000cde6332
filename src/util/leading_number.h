#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace wf {

// The decimal number at the start of a text (leading spaces skipped, optional sign,
// fraction and exponent); 0 when there is none, as for "null".
double LeadingNumber(std::string_view text);

// Rounds half to even into a signed 32-bit value; empty when out of range.
std::optional<std::int32_t> RoundToInt32(double value);

}  // namespace wf
