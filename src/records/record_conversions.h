#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "util/date_time.h"

namespace wf {

// Member conversions shared by the record sets. A member that cannot be converted leaves
// the field as it was.
void ConvertBool(std::string_view text, bool& field);
void ConvertCount(std::string_view text, std::int32_t& field);
// Seconds to whole hours, halves to the even hour.
void ConvertUtcOffset(std::string_view text, std::int32_t& field);

// An inclusive date range for trimming record sets.
struct DateRange {
  std::int64_t earliest;
  std::int64_t latest;
  // Records whose date cannot be read are kept rather than silently dropped.
  bool Keeps(std::string_view stored_date) const;
};

// Both ends in any stored form; an empty `latest` means now. Empty when `earliest` or a
// non-empty `latest` cannot be read.
std::optional<DateRange> ParseDateRange(std::string_view earliest, std::string_view latest);

}  // namespace wf
