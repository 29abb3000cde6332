#include "score_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <vector>

#include "util/file_io.h"

namespace wf::senti {
namespace {

constexpr std::string_view kUsage =
    "Usage: wrenfold-senti [sentidata DATADIR/] input FILE\n"
    "Scores every line of FILE (Windows-1252 text) for positive (1 to 5) and negative\n"
    "(-1 to -5) sentiment and writes <FILE without extension>0_out.txt beside it.\n"
    "DATADIR holds the word lists and rule files; by default the SentiStrengthData folder\n"
    "beside this program.\n";

// Input and output move in pieces of about this size, so that neither is held whole: a
// million texts make a hundred megabytes.
constexpr std::size_t kPiece = std::size_t{1} << 20;

struct InputFile {
  int fd;
  ~InputFile() {
    if (fd >= 0) ::close(fd);
  }
};

void AppendInt(std::string& out, int value) {
  if (value < 0) {
    out.push_back('-');
    value = -value;
  }
  out.push_back(static_cast<char>('0' + value));  // scores are single digits
}

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
  const InputFile in{::open(input_path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (in.fd < 0) return failed("cannot open", errno);
  struct stat st {};
  if (::fstat(in.fd, &st) != 0) return failed("cannot read", errno);
  if (S_ISDIR(st.st_mode)) return failed("cannot read", EISDIR);

  // The output appears whole or not at all, even when this program is killed while writing
  // it, so a reader never mistakes a cut-off file for a short result. It is not flushed to
  // the disk: the tweet table reads it back as soon as this program ends and then deletes it,
  // after a crash it is worth nothing, and the flush took longer than the scoring.
  AtomicFileWriter output(OutputPathFor(input_path));
  if (!output.Open(error)) return false;
  std::string out;
  out.reserve(kPiece + 4096);
  out.append(kOutputHeader);
  out.push_back('\n');
  auto score_line = [&](std::string_view line) {
    if (line.ends_with('\r')) line.remove_suffix(1);
    const Scores scores = classifier.Score(line);
    AppendInt(out, scores.positive);
    out.push_back('\t');
    AppendInt(out, scores.negative);
    out.push_back('\t');
    // The reader of this file stops at the first CR, so a stray one inside a text must not
    // reach it.
    const std::size_t text_at = out.size();
    out.append(line);
    if (line.find('\r') != std::string_view::npos) {
      std::replace(out.begin() + static_cast<std::ptrdiff_t>(text_at), out.end(), '\r', ' ');
    }
    out.push_back('\n');
  };

  // Every LF ends a line; what follows the last one is a line when it is not empty.
  std::vector<char> buffer(kPiece);
  std::size_t held = 0;  // bytes of an unfinished line at the start of the buffer
  for (;;) {
    if (held == buffer.size()) buffer.resize(buffer.size() * 2);  // a very long line
    const ssize_t n = ::read(in.fd, buffer.data() + held, buffer.size() - held);
    if (n < 0) {
      if (errno == EINTR) continue;
      return failed("cannot read", errno);
    }
    if (n == 0) break;
    std::string_view rest(buffer.data(), held + static_cast<std::size_t>(n));
    for (std::size_t lf; (lf = rest.find('\n')) != std::string_view::npos;) {
      score_line(rest.substr(0, lf));
      rest.remove_prefix(lf + 1);
    }
    held = rest.size();
    std::memmove(buffer.data(), rest.data(), held);
    if (out.size() >= kPiece) {
      if (!output.Write(out, error)) return false;
      out.clear();
    }
  }
  if (held > 0) score_line(std::string_view(buffer.data(), held));
  return output.Write(out, error) && output.Commit(/*sync=*/false, error);
}

int RunCommandLine(const std::vector<std::string>& args, const std::string& default_data_dir,
                   std::ostream& err) {
  std::string data_dir = default_data_dir;
  std::string input;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& key = args[i];
    if (key == "help" || key == "--help" || key == "-h") {
      err << kUsage;
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
