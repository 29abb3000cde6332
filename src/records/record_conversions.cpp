#include "records/record_conversions.h"

#include "util/leading_number.h"

namespace wf {

void ConvertBool(std::string_view text, bool& field) {
  if (text == "true" || text == "True") {
    field = true;
  } else if (text == "false" || text == "False") {
    field = false;
  }
}

void ConvertCount(std::string_view text, std::int32_t& field) {
  if (const auto v = RoundToInt32(LeadingNumber(text))) field = *v;
}

void ConvertUtcOffset(std::string_view text, std::int32_t& field) {
  if (const auto v = RoundToInt32(LeadingNumber(text) / 3600.0)) field = *v;
}

bool DateRange::Keeps(std::string_view stored_date) const {
  const auto dt = ParseStoredDateTime(stored_date);
  if (!dt) return true;
  const std::int64_t t = ToSerialSeconds(*dt);
  return t >= earliest && t <= latest;
}

std::optional<DateRange> ParseDateRange(std::string_view earliest, std::string_view latest) {
  const auto from = ParseStoredDateTime(earliest);
  if (!from) return std::nullopt;
  std::int64_t to;
  if (latest.empty()) {
    to = ToSerialSeconds(NowLocal());
  } else {
    const auto parsed = ParseStoredDateTime(latest);
    if (!parsed) return std::nullopt;
    to = ToSerialSeconds(*parsed);
  }
  return DateRange{ToSerialSeconds(*from), to};
}

}  // namespace wf
