#include "score_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "utf8_input.h"
#include "util/file_io.h"
#include "util/unique_fd.h"

namespace wf::senti {
namespace {

constexpr std::string_view kUsage =
    "Usage: wrenfold-senti [sentidata DATADIR/] input FILE\n"
    "  or:  wrenfold-senti --help | --version\n"
    "\n"
    "Scores every line of FILE (Windows-1252 text) for positive (1 to 5) and negative\n"
    "(-1 to -5) sentiment and writes <FILE without extension>0_out.txt beside it.\n"
    "DATADIR holds the word lists and rule files; by default the SentiStrengthData folder\n"
    "of the installed programs' data (/usr/share/wrenfold when installed under /usr), or\n"
    "the one beside this program when it runs from a build tree or an unpacked archive.\n";

// Input and output move in pieces of about this size, so that neither is held whole: a
// million texts make a hundred megabytes.
constexpr std::size_t kPiece = std::size_t{1} << 20;

// Writes a score (a single digit, perhaps negative) at `o`; the end of it.
char* PutScore(char* o, int value) {
  if (value < 0) {
    *o++ = '-';
    value = -value;
  }
  *o++ = static_cast<char>('0' + value);
  return o;
}

// Where the LFs and CRs of a piece of the input lie, one bit a byte, found sixteen bytes at a
// time: lines are short, and looking for each line's end on its own cost more than scoring it.
class LineMarks {
 public:
  // Marks the first `size` bytes at `data`, after which 63 more bytes are readable.
  void Mark(const char* data, std::size_t size) {
    const std::size_t words = (size + 63) / 64;
    if (feeds_.size() < words) {
      feeds_.resize(words);
      returns_.resize(words);
    }
    words_ = words;
    for (std::size_t w = 0; w < words; ++w) {
      std::uint64_t lf = 0;
      std::uint64_t cr = 0;
      for (std::size_t k = 0; k < 64; k += 16) {
#if defined(__SSE2__)
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 64 * w + k));
        lf |= std::uint64_t{static_cast<std::uint32_t>(
                  _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))))}
              << k;
        cr |= std::uint64_t{static_cast<std::uint32_t>(
                  _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r'))))}
              << k;
#else
        for (std::size_t j = 0; j < 16; ++j) {
          lf |= std::uint64_t{data[64 * w + k + j] == '\n'} << (k + j);
          cr |= std::uint64_t{data[64 * w + k + j] == '\r'} << (k + j);
        }
#endif
      }
      feeds_[w] = lf;
      returns_[w] = cr;
    }
    if (size % 64 != 0) {
      const std::uint64_t inside = (std::uint64_t{1} << (size % 64)) - 1;
      feeds_[words - 1] &= inside;
      returns_[words - 1] &= inside;
    }
    // CRs other than those just before an LF: almost never any, and then no line needs
    // looking at for them.
    std::uint64_t stray = 0;
    for (std::size_t w = 0; w < words; ++w) {
      const std::uint64_t next_feed = w + 1 < words ? feeds_[w + 1] << 63 : 0;
      stray |= returns_[w] & ~((feeds_[w] >> 1) | next_feed);
    }
    stray_returns_ = stray != 0;
  }

  // Whether some CR does not stand just before an LF.
  bool StrayReturns() const {
    return stray_returns_;
  }

  // Calls visit(position) for each LF, in order.
  template <typename Visit>
  void ForEachLine(Visit&& visit) const {
    for (std::size_t w = 0; w < words_; ++w) {
      for (std::uint64_t m = feeds_[w]; m != 0; m &= m - 1) {
        visit(64 * w + static_cast<std::size_t>(std::countr_zero(m)));
      }
    }
  }

  // Whether a CR lies in [from, to).
  bool AnyReturn(std::size_t from, std::size_t to) const {
    if (from >= to) return false;
    const std::size_t first = from / 64;
    const std::size_t last = (to - 1) / 64;
    std::uint64_t found = 0;
    for (std::size_t w = first; w <= last; ++w) {
      std::uint64_t m = returns_[w];
      if (w == first) m &= ~std::uint64_t{0} << (from % 64);
      if (w == last && to % 64 != 0) m &= (std::uint64_t{1} << (to % 64)) - 1;
      found |= m;
    }
    return found != 0;
  }

 private:
  std::vector<std::uint64_t> feeds_;
  std::vector<std::uint64_t> returns_;
  std::size_t words_ = 0;
  bool stray_returns_ = false;
};

}  // namespace

std::string OutputPathFor(const std::string& input_path) {
  const std::filesystem::path in(input_path);
  return (in.parent_path() / (in.stem().string() + "0_out.txt")).string();
}

bool ScoreFile(const Classifier& classifier, const std::string& input_path, std::string* error) {
  auto failed = [&](const char* what, int err) {
    *error = std::string(what) + " " + input_path + ": " + std::strerror(err);
    return false;
  };
  const UniqueFd in(::open(input_path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.valid()) return failed("cannot open", errno);
  struct stat st {};
  if (::fstat(in.get(), &st) != 0) return failed("cannot read", errno);
  if (S_ISDIR(st.st_mode)) return failed("cannot read", EISDIR);
  char head[3] = {};
  if (::pread(in.get(), head, sizeof head, 0) == 3 && IsMarkedUtf8(std::string_view(head, 3))) {
    const auto content = ReadWholeFile(input_path, error);
    return content && ScoreUtf8File(classifier, input_path, *content, error);
  }

  // The output appears whole or not at all, even when this program is killed while writing
  // it, so a reader never mistakes a cut-off file for a short result. It is not flushed to
  // the disk: the tweet table reads it back as soon as this program ends and then deletes it,
  // after a crash it is worth nothing, and the flush took longer than the scoring.
  AtomicFileWriter output(OutputPathFor(input_path));
  if (!output.Open(error)) return false;
  std::vector<char> out(2 * kPiece);
  std::size_t out_size = 0;
  auto put = [&](std::string_view s) {
    std::memcpy(out.data() + out_size, s.data(), s.size());
    out_size += s.size();
  };
  put(kOutputHeader);
  put("\n");
  auto score_line = [&](std::string_view line, bool inner_cr) {
    if (out_size + line.size() + 8 > out.size()) out.resize(2 * (out_size + line.size() + 8));
    const Scores scores = classifier.ScoreWithSlack(line);
    char* o = out.data() + out_size;
    o = PutScore(o, scores.positive);
    *o++ = '\t';
    o = PutScore(o, scores.negative);
    *o++ = '\t';
    if (!line.empty()) std::memcpy(o, line.data(), line.size());
    // The reader of this file stops at the first CR, so a stray one inside a text must not
    // reach it.
    if (inner_cr) std::replace(o, o + line.size(), '\r', ' ');
    o += line.size();
    *o++ = '\n';
    out_size = static_cast<std::size_t>(o - out.data());
  };

  // Every LF ends a line; what follows the last one is a line when it is not empty. The
  // buffer keeps the classifier's slack after its data, so lines are scored where they lie.
  std::vector<char> buffer(kPiece + Classifier::kSlack);
  std::size_t capacity = kPiece;
  std::size_t held = 0;  // bytes of an unfinished line at the start of the buffer
  LineMarks marks;
  for (;;) {
    if (held == capacity) {  // a very long line
      capacity *= 2;
      buffer.resize(capacity + Classifier::kSlack);
    }
    const ssize_t n = ::read(in.get(), buffer.data() + held, capacity - held);
    if (n < 0) {
      if (errno == EINTR) continue;
      return failed("cannot read", errno);
    }
    if (n == 0) break;
    const std::size_t size = held + static_cast<std::size_t>(n);
    marks.Mark(buffer.data(), size);
    std::size_t start = 0;
    marks.ForEachLine([&](std::size_t end) {
      const bool cr_end = end > start && buffer[end - 1] == '\r';
      const std::size_t text_end = cr_end ? end - 1 : end;
      score_line({buffer.data() + start, text_end - start},
                 marks.StrayReturns() && marks.AnyReturn(start, text_end));
      start = end + 1;
    });
    held = size - start;
    std::memmove(buffer.data(), buffer.data() + start, held);
    if (out_size >= kPiece) {
      if (!output.Write({out.data(), out_size}, error)) return false;
      out_size = 0;
    }
  }
  if (held > 0) {
    const bool cr_end = buffer[held - 1] == '\r';
    const std::string_view line(buffer.data(), cr_end ? held - 1 : held);
    score_line(line, line.find('\r') != std::string_view::npos);
  }
  return output.Write({out.data(), out_size}, error) && output.Commit(/*sync=*/false, error);
}

int RunCommandLine(const std::vector<std::string>& args, const std::string& default_data_dir,
                   std::ostream& out, std::ostream& err) {
  std::string data_dir = default_data_dir;
  std::string input;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& key = args[i];
    if (key == "help" || key == "--help" || key == "-h") {
      out << kUsage;
      return 0;
    }
    if (key == "--version") {
      out << "wrenfold-senti " WF_VERSION "\n";
      return 0;
    }
    if ((key != "sentidata" && key != "input") || i + 1 >= args.size()) {
      err << "wrenfold-senti: "
          << (i + 1 >= args.size() && (key == "sentidata" || key == "input")
                  ? "\"" + key + "\" needs a value"
                  : "unknown argument \"" + key + "\"")
          << "\n\n"
          << kUsage;
      return 2;
    }
    (key == "sentidata" ? data_dir : input) = args[++i];
  }
  if (input.empty()) {
    err << "wrenfold-senti: no input file given\n\n" << kUsage;
    return 2;
  }

  std::string error;
  const std::optional<Classifier> classifier = Classifier::Load(data_dir, &error);
  if (!classifier) {
    err << "wrenfold-senti: cannot load the word lists: " << error << "\n";
    return 1;
  }
  if (!ScoreFile(*classifier, input, &error)) {
    err << "wrenfold-senti: " << error << "\n";
    return 1;
  }
  return 0;
}

}  // namespace wf::senti
