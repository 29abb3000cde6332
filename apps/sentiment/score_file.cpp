#include "score_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <ostream>

#include "util/file_io.h"

namespace wf::senti {
namespace {

constexpr std::string_view kUsage =
    "Usage: wrenfold-senti [sentidata DATADIR/] input FILE\n"
    "Scores every line of FILE (Windows-1252 text) for positive (1 to 5) and negative\n"
    "(-1 to -5) sentiment and writes <FILE without extension>0_out.txt beside it.\n"
    "DATADIR holds the word lists and rule files; by default the SentiStrengthData folder\n"
    "beside this program.\n";

// Writes the whole of `data` to `path`, removing what was written if anything fails, so a
// reader never mistakes a cut-off file for a short result.
bool WriteOutput(const std::string& path, std::string_view data, std::string* error) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    *error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  const int write_errno = errno;
  const bool closed = std::fclose(f) == 0;
  if (written && closed) return true;
  *error = "cannot write " + path + ": " + std::strerror(written ? errno : write_errno);
  std::remove(path.c_str());
  return false;
}

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
  std::optional<std::string> input = ReadWholeFile(input_path, error);
  if (!input) return false;

  std::string out;
  out.reserve(input->size() + input->size() / 4 + 64);
  out.append(kOutputHeader);
  out.push_back('\n');
  std::string_view rest = *input;
  while (!rest.empty()) {
    const std::size_t lf = rest.find('\n');
    std::string_view line = rest.substr(0, lf);
    rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
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
    std::replace(out.begin() + static_cast<std::ptrdiff_t>(text_at), out.end(), '\r', ' ');
    out.push_back('\n');
  }
  return WriteOutput(OutputPathFor(input_path), out, error);
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
