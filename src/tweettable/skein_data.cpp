#include "tweettable/skein_data.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <utility>

#include "json/byte_scan.h"
#include "util/cp1252.h"
#include "util/file_exists.h"
#include "util/file_io.h"
#include "util/memory_info.h"
#include "util/unique_fd.h"
#include "util/yielder.h"

namespace wf {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Work between two looks at the clock when converting or scanning a whole file: small enough
// for the window to stay responsive, large enough for the check to cost nothing.
constexpr std::size_t kYieldChunk = std::size_t{1} << 20;

// Position of the first byte >= 0x80 at or after `pos`, or `text.size()`. Eight bytes at a
// time: table files are mostly ASCII and this runs over every byte of them.
std::size_t FindNonAscii(std::string_view text, std::size_t pos) {
  const char* p = text.data();
  const std::size_t n = text.size();
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  while (pos + 8 <= n) {
    std::uint64_t word;
    std::memcpy(&word, p + pos, 8);
    if ((word & kHigh) != 0) break;
    pos += 8;
  }
  while (pos < n && static_cast<unsigned char>(p[pos]) < 0x80) ++pos;
  return pos;
}

// True when every non-ASCII byte from `pos` on belongs to a well-formed UTF-8 sequence.
bool RestIsUtf8(std::string_view text, std::size_t pos, Yielder& yielder) {
  std::size_t next_poll = pos + kYieldChunk;
  while (pos < text.size()) {
    pos = FindNonAscii(text, pos);
    if (pos >= text.size()) break;
    const std::size_t before = pos;
    if (NextCodePoint(text, pos) == 0xFFFD && pos == before + 1) return false;
    if (pos >= next_poll) {
      yielder.Poll();
      next_poll = pos + kYieldChunk;
    }
  }
  return true;
}

// UTF-8 form of each Windows-1252 byte >= 0x80.
struct HighByteTable {
  char bytes[128][3];
  unsigned char length[128];
};

const HighByteTable& Cp1252HighBytes() {
  static const HighByteTable table = [] {
    HighByteTable t{};
    for (int b = 0x80; b <= 0xFF; ++b) {
      std::string s;
      AppendUtf8(s, Cp1252ToCodePoint(static_cast<unsigned char>(b)));
      std::memcpy(t.bytes[b - 0x80], s.data(), s.size());
      t.length[b - 0x80] = static_cast<unsigned char>(s.size());
    }
    return t;
  }();
  return table;
}

// Position just past the last byte >= 0x80 before `pos` and at or after `floor`, or
// `floor` when there is none; the backward twin of FindNonAscii.
std::size_t AfterLastNonAscii(const char* p, std::size_t floor, std::size_t pos) {
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  while (pos >= floor + 8) {
    std::uint64_t word;
    std::memcpy(&word, p + pos - 8, 8);
    if ((word & kHigh) != 0) break;
    pos -= 8;
  }
  while (pos > floor && static_cast<unsigned char>(p[pos - 1]) < 0x80) --pos;
  return pos;
}

// Converts a Windows-1252 text to UTF-8 where it stands. The text grows only by the extra
// bytes of its high characters, so a file read with a little room to spare never needs a
// second buffer of its own size beside the first (a fresh buffer also costs the system a
// page of zeros for every page written). Bytes before `first_high` are ASCII.
void DecodeCp1252InPlace(std::string& text, std::size_t first_high, Yielder& yielder) {
  const HighByteTable& table = Cp1252HighBytes();
  const std::size_t old_size = text.size();
  std::size_t size = old_size;
  std::size_t next_poll = kYieldChunk;
  for (std::size_t pos = FindNonAscii(text, first_high); pos < old_size;
       pos = FindNonAscii(text, pos + 1)) {
    size += table.length[static_cast<unsigned char>(text[pos]) - 0x80] - 1u;
    if (pos >= next_poll) {
      yielder.Poll();
      next_poll = pos + kYieldChunk;
    }
  }
  if (size > text.capacity()) text.reserve(size);
  text.resize(size);

  // Back to front, so every byte is read before the growing text overwrites it: the bytes
  // still to convert end at `src`, their UTF-8 form at `dst`, and dst - src (the extra bytes
  // of the high characters before `src`) never falls below zero.
  char* const p = text.data();
  std::size_t src = old_size;
  std::size_t dst = size;
  std::size_t next_poll_at = old_size > kYieldChunk ? old_size - kYieldChunk : 0;
  while (src > first_high) {
    // p[run_start - 1] is the last high byte before src (there is one: p[first_high]).
    const std::size_t run_start = AfterLastNonAscii(p, first_high, src);
    const unsigned idx = static_cast<unsigned char>(p[run_start - 1]) - 0x80u;
    const std::size_t run = src - run_start;
    std::memmove(p + dst - run, p + run_start, run);
    dst -= run + table.length[idx];
    std::memcpy(p + dst, table.bytes[idx], table.length[idx]);
    src = run_start - 1;
    if (src < next_poll_at) {
      yielder.Poll();
      next_poll_at = src > kYieldChunk ? src - kYieldChunk : 0;
    }
  }
}

// A file that announced UTF-8 with a byte order mark but still holds malformed bytes: keep
// the text valid UTF-8 for everything downstream.
std::string RepairUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    AppendUtf8(out, NextCodePoint(text, pos));
  }
  return out;
}

// Converts the raw file bytes into the UTF-8 text the grid points into. The common cases,
// pure ASCII and already valid UTF-8, keep the buffer as it is; Windows-1252 is converted in
// it.
std::string DecodeFile(std::string raw, std::size_t& text_start, Yielder& yielder) {
  text_start = 0;
  if (std::string_view(raw).starts_with(kUtf8Bom)) {
    text_start = kUtf8Bom.size();
    const std::size_t first_high = FindNonAscii(raw, text_start);
    if (first_high == raw.size() || RestIsUtf8(raw, first_high, yielder)) return raw;
    text_start = 0;
    return RepairUtf8(std::string_view(raw).substr(kUtf8Bom.size()));
  }
  const std::size_t first_high = FindNonAscii(raw, 0);
  if (first_high == raw.size()) return raw;
  // Windows-1252 text almost never forms valid UTF-8 sequences (an accented letter is
  // followed by ASCII), so a fully valid file is one written by a UTF-8 tool.
  if (RestIsUtf8(raw, first_high, yielder)) return raw;
  DecodeCp1252InPlace(raw, first_high, yielder);
  return raw;
}

std::string ReadError(const std::string& what, const std::string& path, int err) {
  return what + " " + path + ": " + std::strerror(err);
}

// The whole file, read into a string with room for a Windows-1252 text to grow into when
// converted (see DecodeCp1252InPlace): the room is only reserved, so the system gives it
// memory only if the conversion writes to it. Empty, with `error` set, when the file cannot
// be read (the messages of ReadWholeFile).
std::optional<std::string> ReadTableFile(const std::string& path, std::string& error) {
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) {
    error = ReadError("cannot open", path, errno);
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode)) {
    const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
    error = ReadError("cannot read", path, err);
    return std::nullopt;
  }
  std::string data;
  if (st.st_size > 0) {
    const auto size = static_cast<std::size_t>(st.st_size);
    data.reserve(size + size / 8 + 4096);
#if defined(MADV_HUGEPAGE)
    // Large pages for a large table: a few hundred page faults instead of one per 4 KB.
    constexpr std::uintptr_t kHuge = std::uintptr_t{1} << 21;
    if (size >= 4 * kHuge) {
      const auto begin = reinterpret_cast<std::uintptr_t>(data.data());
      const std::uintptr_t from = (begin + kHuge - 1) & ~(kHuge - 1);
      const std::uintptr_t to = (begin + data.capacity()) & ~(kHuge - 1);
      if (to > from) {
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
      }
    }
#endif
  }
  char buf[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = ReadError("cannot read", path, errno);
      return std::nullopt;
    }
    if (n == 0) break;
    data.append(buf, static_cast<std::size_t>(n));
  }
  return data;
}

// The length of a row's sixteen cells in `line` (up to its sixteenth TAB, or the whole line),
// and in `cells` how many cells it has, up to sixteen.
std::size_t RowCells(std::string_view line, int& cells) {
  const char* const p = line.data();
  const std::size_t n = line.size();
  int tabs = 0;  // TABs before position i
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i tab = _mm_set1_epi8('\t');
  for (; i + 16 <= n; i += 16) {
    auto mask = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), tab)));
    const int here = __builtin_popcount(mask);
    if (tabs + here < kTweetColumnCount) {
      tabs += here;
      continue;
    }
    // The sixteenth TAB is in this block: drop the ones before it.
    for (int k = tabs + 1; k < kTweetColumnCount; ++k) mask &= mask - 1;
    cells = kTweetColumnCount;
    return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
#endif
  for (; i < n; ++i) {
    if (p[i] != '\t') continue;
    if (++tabs == kTweetColumnCount) {
      cells = kTweetColumnCount;
      return i;
    }
  }
  cells = tabs + 1;
  return n;
}

// Rows a file can hold, for reserving the row index once: one per LF, or per CR when the
// file uses no LF at all. Files mixing both merely grow the index.
std::size_t EstimateLines(std::string_view text) {
  auto count = [&](char c) {
    std::size_t n = 0;
    const char* p = text.data();
    const char* end = p + text.size();
    while ((p = static_cast<const char*>(std::memchr(p, c, static_cast<std::size_t>(end - p))))) {
      ++n;
      ++p;
    }
    return n;
  };
  std::size_t n = count('\n');
  if (n == 0) n = count('\r');
  return n + 1;
}

std::string ShortRowQuestion(std::int32_t row, std::string_view line) {
  std::string shown(Utf8Prefix(line, 32));
  std::replace(shown.begin(), shown.end(), '\t', ' ');
  return "Error reading line #" + std::to_string(row) + " " + shown +
         "... One or more fields are missing. Continue loading this file?";
}

void AppendCleanCell(std::string& out, std::string_view text) {
  const std::size_t start = out.size();
  out.append(text);
  const std::size_t first = json_scan::FindByteOf(text.data(), 0, text.size(), '\t', '\r', '\n');
  for (std::size_t i = start + first; i < out.size(); ++i) {
    if (out[i] == '\t' || out[i] == '\r' || out[i] == '\n') out[i] = ' ';
  }
}

std::string StripSigns(std::string text) {
  std::erase_if(text, [](char c) { return c == '+' || c == '-'; });
  return text;
}

}  // namespace

SkeinData::SkeinData(UiPort* ui) : ui_(ui) {}

std::int32_t SkeinData::RecordCount() const {
  return static_cast<std::int32_t>(rows_.size());
}

const std::string& SkeinData::LastError() const {
  return last_error_;
}

std::string_view SkeinData::RowText(std::int32_t record) const {
  if (record < 1 || record > RecordCount()) {
    throw std::out_of_range("tweet table row " + std::to_string(record) + " outside 1.." +
                            std::to_string(RecordCount()));
  }
  const RowRef& ref = rows_[static_cast<std::size_t>(record - 1)];
  return std::string_view(arena_).substr(ref.offset, ref.length);
}

std::string_view SkeinData::Cell(std::int32_t record, int field) const {
  if (field < 1 || field > kTweetColumnCount) {
    throw std::out_of_range("tweet table field " + std::to_string(field) + " outside 1..16");
  }
  const std::string_view row = RowText(record);
  const char* p = row.data();
  const char* end = p + row.size();
  for (int f = 1; f < field; ++f) {
    const void* tab = std::memchr(p, '\t', static_cast<std::size_t>(end - p));
    // A short row let through at load time: its missing cells are empty.
    if (tab == nullptr) return {};
    p = static_cast<const char*>(tab) + 1;
  }
  const void* tab = std::memchr(p, '\t', static_cast<std::size_t>(end - p));
  const char* cell_end = tab != nullptr ? static_cast<const char*>(tab) : end;
  return {p, static_cast<std::size_t>(cell_end - p)};
}

std::array<std::string_view, kTweetColumnCount> SkeinData::Cells(std::int32_t record) const {
  const std::string_view row = RowText(record);
  std::array<std::string_view, kTweetColumnCount> cells{};
  const char* p = row.data();
  const char* const end = p + row.size();
  // A short row's missing cells stay empty.
  for (std::string_view& cell : cells) {
    const void* tab = p < end ? std::memchr(p, '\t', static_cast<std::size_t>(end - p)) : nullptr;
    const char* cell_end = tab != nullptr ? static_cast<const char*>(tab) : end;
    cell = {p, static_cast<std::size_t>(cell_end - p)};
    if (tab == nullptr) break;
    p = cell_end + 1;
  }
  return cells;
}

std::string SkeinData::Value(std::int32_t record, int field) const {
  return std::string(Cell(record, field));
}

std::vector<TweetRow> SkeinData::Data() const {
  std::vector<TweetRow> grid(rows_.size());
  for (std::int32_t r = 1; r <= RecordCount(); ++r) {
    for (int f = 1; f <= kTweetColumnCount; ++f) {
      grid[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(f - 1)] = Value(r, f);
    }
  }
  return grid;
}

void SkeinData::AppendRow(const std::array<std::string_view, kTweetColumnCount>& cells) {
  const std::size_t offset = arena_.size();
  for (int f = 0; f < kTweetColumnCount; ++f) {
    if (f > 0) arena_.push_back('\t');
    AppendCleanCell(arena_, cells[static_cast<std::size_t>(f)]);
  }
  rows_.push_back({offset, static_cast<std::uint32_t>(arena_.size() - offset)});
}

void SkeinData::SetData(const TweetSet& tweets) {
  linked_ = &tweets;
  arena_.clear();
  rows_.clear();
  const std::int32_t n = tweets.Count();
  std::size_t estimate = 0;
  for (const TweetRecord& t : tweets.Records()) {
    estimate += t.DateTime.size() + t.ScreenName.size() + t.Text.size() + t.TweetID.size() +
                t.RealName.size() + t.Location.size() + t.GeoCoords.size() + t.UserTweets.size() +
                t.LinkURL.size() + t.Description.size() + 80;
  }
  arena_.reserve(estimate);
  rows_.reserve(static_cast<std::size_t>(n));

  const bool twitter_dates = !tweets.VBDateTimes();
  std::string date;
  for (std::int32_t i = 1; i <= n; ++i) {
    const TweetRecord& t = tweets.At(i);
    // The table's Twitter form is the API's date-time less its signs ("+0000" becomes
    // "0000"), the form the date conversions read back. Converted date-times stay as they
    // are: the SPSS form needs its hyphens.
    date = t.DateTime;
    if (twitter_dates) date = StripSigns(std::move(date));
    const std::string followers = std::to_string(t.Followers);
    const std::string following = std::to_string(t.Following);
    const std::string utc_offset = std::to_string(t.UTC_Offset);
    const std::string user_tweets = std::to_string(tweets.UserTweets(i));
    const std::string retweets = std::to_string(t.Retweeted);
    AppendRow({date, t.ScreenName, t.Text, t.TweetID, t.RealName, followers, following, t.Location,
               utc_offset, t.GeoCoords, user_tweets, retweets, t.LinkURL, "0", "0", t.Description});
  }
}

void SkeinData::SetValue(std::int32_t record, int field, std::string_view text) {
  if (field < 1 || field > kTweetColumnCount) {
    throw std::out_of_range("tweet table field " + std::to_string(field) + " outside 1..16");
  }
  const std::string_view old_row = RowText(record);
  std::string row;
  row.reserve(old_row.size() + text.size() + kTweetColumnCount);
  const std::array<std::string_view, kTweetColumnCount> cells = Cells(record);
  for (int f = 1; f <= kTweetColumnCount; ++f) {
    if (f > 1) row.push_back('\t');
    AppendCleanCell(row, f == field ? text : cells[static_cast<std::size_t>(f - 1)]);
  }
  RowRef& ref = rows_[static_cast<std::size_t>(record - 1)];
  // Scores replace "0" with a digit or two: rewriting in place keeps a scored million-row
  // table from growing a second copy of itself.
  if (row.size() <= ref.length) {
    std::memcpy(arena_.data() + ref.offset, row.data(), row.size());
    ref.length = static_cast<std::uint32_t>(row.size());
    return;
  }
  ref.offset = arena_.size();
  ref.length = static_cast<std::uint32_t>(row.size());
  arena_.append(row);
}

std::uint64_t TweetFileLoadPeakBytes(std::uint64_t file_size) {
  // A Windows-1252 file is converted into a second buffer while the first is still held;
  // each row then costs 16 bytes of index, and rows are rarely shorter than 64 bytes.
  return file_size * 2 + file_size / 4;
}

namespace {

std::string Megabytes(std::uint64_t bytes) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.0f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return buf;
}

}  // namespace

bool SkeinData::Load(const std::string& file_name) {
  last_error_.clear();
  if (!FileExists(file_name)) return false;

  // Refused before a byte is read: a file that cannot fit would otherwise end the program
  // (or bring the machine to a crawl) half-way through the load.
  std::error_code size_error;
  const std::uintmax_t file_size = std::filesystem::file_size(file_name, size_error);
  if (!size_error) {
    const std::uint64_t available = memory_budget_ != 0 ? memory_budget_ : AvailableMemoryBytes();
    const std::uint64_t needed = TweetFileLoadPeakBytes(file_size);
    if (available != 0 && needed > available) {
      last_error_ = "The file " + file_name + " (" + Megabytes(file_size) +
                    ") is too large to open: loading it needs about " + Megabytes(needed) +
                    " of memory and " + Megabytes(available) + " is available.";
      if (ui_ != nullptr) {
        ui_->MessageBox(last_error_, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
      }
      return false;
    }
  }

  Yielder yielder(ui_);
  std::optional<std::string> raw = ReadTableFile(file_name, last_error_);
  if (!raw) return false;
  yielder.Poll();

  // The old grid goes before the new one is built, so the two never sit in memory together.
  // Rows from a file no longer belong to a record set.
  linked_ = nullptr;
  std::string().swap(arena_);
  std::vector<RowRef>().swap(rows_);

  std::size_t pos = 0;
  arena_ = DecodeFile(std::move(*raw), pos, yielder);
  raw.reset();
  const std::string_view text(arena_);
  rows_.reserve(EstimateLines(text.substr(pos)));

  const char* base = text.data();
  const std::size_t size = text.size();
  // Where the next CR and LF stand, found once and reused until passed, so that a file
  // using only one of them is not searched to its end for the other on every line.
  auto find_from = [&](char c, std::size_t from) {
    const void* hit = std::memchr(base + from, c, size - from);
    return hit != nullptr ? static_cast<std::size_t>(static_cast<const char*>(hit) - base) : size;
  };
  std::size_t next_cr = find_from('\r', pos);
  std::size_t next_lf = find_from('\n', pos);

  bool cancelled = false;
  std::size_t lines_since_poll = 0;
  while (pos < size) {
    if (next_cr < pos) next_cr = find_from('\r', pos);
    if (next_lf < pos) next_lf = find_from('\n', pos);
    const std::size_t line_end = std::min(next_cr, next_lf);
    const std::string_view line = text.substr(pos, line_end - pos);
    pos = line_end + 1;
    if (line_end < size && base[line_end] == '\r' && pos < size && base[pos] == '\n') ++pos;

    if (++lines_since_poll == 256) {
      lines_since_poll = 0;
      yielder.Poll();
    }
    if (line.empty()) continue;

    if (cancelled) {
      // The count still covers the rows the user gave up on; they stay empty.
      rows_.push_back({0, 0});
      continue;
    }

    // The sixteen cells are the line up to its sixteenth TAB; anything after is ignored.
    int cells = 0;
    const std::size_t row_length = RowCells(line, cells);
    if (row_length > std::numeric_limits<std::uint32_t>::max() ||
        rows_.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
      last_error_ = "line " + std::to_string(rows_.size() + 1) + " of " + file_name +
                    " is beyond what a tweet table can hold";
      return false;
    }
    rows_.push_back(
        {static_cast<std::uint64_t>(line.data() - base), static_cast<std::uint32_t>(row_length)});

    if (cells < kTweetColumnCount) {
      const MsgAnswer answer =
          ui_ == nullptr
              ? MsgAnswer::Ok
              : ui_->Ask({QuestionId::ReadShortRows}, ShortRowQuestion(RecordCount(), line),
                         MsgButtons::OkCancel, MsgIcon::Exclamation, kAppTitle);
      if (answer == MsgAnswer::Cancel) cancelled = true;
    }
  }
  return !cancelled;
}

bool SkeinData::Save(const std::string& file_name, bool append) {
  last_error_.clear();
  std::string out;
  std::string line;
  for (std::int32_t r = 1; r <= RecordCount(); ++r) {
    line.clear();
    for (int f = 1; f <= kTweetColumnCount; ++f) {
      line.append(Cell(r, f));
      line.push_back('\t');
    }
    line.append("\r\n");
    out.append(Utf8ToCp1252(line, '?'));
  }
  return append ? AppendToFile(file_name, out, &last_error_)
                : WriteFileAtomically(file_name, out, &last_error_);
}

}  // namespace wf
