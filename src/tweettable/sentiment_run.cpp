// Sentiment scoring of the tweet table by an external classifier run on a temporary file.

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tweettable/skein_data.h"
#include "util/cp1252.h"
#include "util/file_exists.h"
#include "util/file_io.h"
#include "util/program_folder.h"
#include "util/shell_and_wait.h"
#include "util/yielder.h"

namespace wf {
namespace {

constexpr std::int32_t kClassifierTimeoutMs = 20'000;
constexpr int kHiddenWindow = 0;
constexpr int kBreakMode = 0;
constexpr int kTweetField = 3;
constexpr int kPositiveField = 14;
constexpr int kNegativeField = 15;
constexpr std::int32_t kRowsBetweenYields = 4096;

constexpr std::string_view kAnalysisFailed = "Couldn't complete Sentistrength analysis";
constexpr std::string_view kErrorCaption = "Error";

// Users who own the original Java classifier keep its jar under this name in the jar folder.
constexpr std::string_view kJarInJarDir = "/bin/support.dll";
constexpr std::string_view kOwnClassifier = "wrenfold-senti";

// The folder of the running program, where our own classifier is installed beside it.
std::string OwnProgramFolder() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(".") : self.parent_path().string();
}

// The classifier's input is read back at once and is worth nothing after a crash: whole or
// absent is enough, without waiting for the disk.
bool WriteWhole(const std::string& path, std::string_view data) {
  AtomicFileWriter writer(path);
  return writer.Open() && writer.Write(data) && writer.Commit(/*sync=*/false);
}

}  // namespace

// The temporary files live in `ss_data_dir`: the window passes its program folder for both
// folders, and a data folder is the one place a user's own classifier setup is known to be
// writable by us.
bool SkeinData::RunSentiStrength(const std::string& ss_jar_dir, const std::string& ss_data_dir,
                                 bool recalc) {
  Yielder yielder(ui_);
  const std::string input_path = ss_data_dir + "/tmp.txt";
  const std::string output_path = ss_data_dir + "/tmp0_out.txt";
  auto fail = [this] {
    if (ui_ != nullptr) {
      ui_->MessageBox(kAnalysisFailed, MsgButtons::Ok, MsgIcon::Critical, kErrorCaption);
    }
    return false;
  };

  const std::int32_t count = RecordCount();
  std::string lines;
  for (std::int32_t r = 1; r <= count; ++r) {
    const std::size_t start = lines.size();
    if (!recalc && linked_ != nullptr) {
      lines.append(linked_->Text(r));
    } else {
      // Also the way when no record set was linked (a loaded table scored without Recalc):
      // the Tweet cells hold the same texts.
      lines.append(Cell(r, kTweetField));
    }
    // A line break inside a text would shift every later score onto the wrong row.
    for (std::size_t i = start; i < lines.size(); ++i) {
      if (lines[i] == '\r' || lines[i] == '\n' || lines[i] == '\t') lines[i] = ' ';
    }
    lines.append("\r\n");
    if (r % kRowsBetweenYields == 0) yielder.Poll();
  }
  if (!WriteWhole(input_path, EncodeFileText(lines))) return fail();
  lines = std::string();
  yielder.Now();

  // Every path is quoted: a folder name with a space would otherwise split into two
  // arguments and the run would fail without a word.
  std::string command;
  std::string data_dir = ss_data_dir + "/SentiStrengthData/";
  const std::string jar = ss_jar_dir + std::string(kJarInJarDir);
  const bool java = sentiment_program_.empty() && FileExists(jar) && FindOnSearchPath("java");
  if (java) {
    command = "java -jar " + QuoteArgument(jar);
  } else {
    const std::string program = !sentiment_program_.empty()
                                    ? sentiment_program_
                                    : OwnProgramFolder() + "/" + std::string(kOwnClassifier);
    command = QuoteArgument(program);
    // Word lists in the data folder (a user's own) take precedence; otherwise the ones
    // installed with our classifier (beside it, or in the installed data folder), as the
    // data folder may be a per-user one.
    std::error_code ec;
    if (!std::filesystem::is_directory(data_dir, ec)) {
      data_dir =
          DataFolder(std::filesystem::path(program).parent_path().string()) + "/SentiStrengthData/";
    }
  }
  command += " sentidata " + QuoteArgument(data_dir) + " input " + QuoteArgument(input_path);

  // An output file left by an earlier run that timed out and finished later must not be
  // read as this run's scores.
  std::remove(output_path.c_str());

  if (ShellAndWait(command, kClassifierTimeoutMs, kHiddenWindow, kBreakMode, ui_) != kShellEnded) {
    return false;
  }

  if (std::remove(input_path.c_str()) != 0) return fail();
  yielder.Now();

  const std::optional<std::string> output = ReadWholeFile(output_path);
  if (!output) return fail();
  std::string_view text(*output);
  text = text.substr(0, text.find('\r'));

  // Line 0 is the tool's header; line r holds row r's scores as its first two TAB fields.
  std::size_t pos = text.find('\n');
  for (std::int32_t r = 1; r <= count; ++r) {
    if (pos == std::string_view::npos) return fail();
    const std::size_t start = pos + 1;
    pos = text.find('\n', start);
    const std::string_view line =
        text.substr(start, pos == std::string_view::npos ? std::string_view::npos : pos - start);
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return fail();
    const std::string_view rest = line.substr(tab + 1);
    SetValue(r, kPositiveField, line.substr(0, tab));
    SetValue(r, kNegativeField, rest.substr(0, rest.find('\t')));
    if (r % kRowsBetweenYields == 0) yielder.Poll();
  }

  if (std::remove(output_path.c_str()) != 0) return fail();
  yielder.Now();
  return true;
}

}  // namespace wf
