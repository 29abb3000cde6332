// Feeds arbitrary text to every date-time conversion and checks that the forms agree.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "util/cp1252.h"
#include "util/date_time.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::string TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return std::string(s);
}

void CheckConversions(std::string_view in) {
  using namespace wf;
  const std::string numeric = ToNumericDateTime(in);
  const auto parsed = ParseNumericDateTime(numeric);
  if (parsed) {
    Check(IsValidCivil(*parsed));
    Check(FromSerialSeconds(ToSerialSeconds(*parsed)) == *parsed);
    Check(ParseNumericDateTime(FormatNumericDateTime(*parsed)) == parsed);
  }
  Check(DayNameOf(in, false).empty() == !parsed.has_value());

  const std::string twitter = ToTwitterDateTime(in);
  const std::string spss = ToSPSSDateTime(in);
  Check(twitter.empty() == spss.empty());
  if (twitter.empty()) return;
  // A result is only produced for a readable date with a time, and it reads back as that date.
  Check(parsed.has_value() && numeric.find(':') != std::string::npos);
  Check(twitter.size() == 29);
  Check(ParseStoredDateTime(twitter) == parsed);
  Check(ToTwitterDateTime(twitter) == twitter);
  Check(ToTwitterDateTime(ToNumericDateTime(twitter)) == twitter);
  Check(twitter.substr(0, 3) == DayNameOf(*parsed, true));
  Check(ParseStoredDateTime(spss) == parsed);
  Check(ToSPSSDateTime(spss) == spss);
  Check(ToSPSSDateTime(twitter) == spss);
}

void CheckNames(std::string_view in) {
  using namespace wf;
  std::string m(in);
  const std::string name = MonthNameOf(m, true);
  if (name.empty()) {
    Check(m == in);
  } else {
    Check(MonthNumberOf(name) == m);
    Check(MonthNameOf(m, false).substr(0, 3) == name);
  }
  const std::string number = MonthNumberOf(in);
  if (!number.empty()) Check(MonthNameOf(std::stoi(number), true) == in);
}

void CheckPadding(std::string_view in) {
  const std::string trimmed = TrimSpaces(in);
  for (std::size_t width : {std::size_t{0}, std::size_t{7}, std::size_t{40}}) {
    const std::string padded = wf::PadNumeric(in, width);
    Check(padded.size() >= trimmed.size());
    const std::size_t lead = padded.size() - trimmed.size();
    Check(padded.compare(lead, std::string::npos, trimmed) == 0);
    Check(padded.find_first_not_of(' ') >= lead || trimmed.empty());
    if (lead > 0) Check(wf::Utf8Length(padded) == width);
  }
}

// Any serial second of years 1 to 9999 names a valid date-time that maps back to it.
void CheckSerial(const std::uint8_t* data, std::size_t size) {
  using namespace wf;
  if (size < 8) return;
  std::uint64_t raw = 0;
  std::memcpy(&raw, data, sizeof raw);
  const std::int64_t lo = ToSerialSeconds(CivilDateTime{1, 1, 1, 0, 0, 0});
  const std::int64_t hi = ToSerialSeconds(CivilDateTime{9999, 12, 31, 23, 59, 59});
  const auto span = static_cast<std::uint64_t>(hi - lo) + 1;
  const std::int64_t s = lo + static_cast<std::int64_t>(raw % span);
  const CivilDateTime dt = FromSerialSeconds(s);
  Check(IsValidCivil(dt));
  Check(ToSerialSeconds(dt) == s);
  const std::string twitter = ToTwitterDateTime(FormatNumericDateTime(dt));
  Check(ParseStoredDateTime(twitter) == dt);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  CheckConversions(in);
  CheckNames(in);
  CheckPadding(in);
  CheckSerial(data, size);
  return 0;
}
