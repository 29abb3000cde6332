#include "util/leading_number.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace wf {

double LeadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const std::size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const std::size_t digits_start = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  bool any_digit = i > digits_start;
  if (i < text.size() && text[i] == '.') {
    const std::size_t frac = ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    any_digit = any_digit || i > frac;
  }
  if (!any_digit) return 0.0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    const std::size_t exp_digits = j;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
    if (j > exp_digits) i = j;
  }
  const std::string number(text.substr(start, i - start));
  const double v = std::strtod(number.c_str(), nullptr);
  return std::isfinite(v) ? v : 0.0;
}

std::optional<std::int32_t> RoundToInt32(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double r = std::nearbyint(value);  // default rounding mode: half to even
  if (r < -2147483648.0 || r > 2147483647.0) return std::nullopt;
  return static_cast<std::int32_t>(r);
}

}  // namespace wf
