// Loads arbitrary bytes as a tweet table file, once answering OK to every missing-fields
// question and once answering Cancel, and checks that the grid stays consistent: same row
// count either way, every cell readable and valid UTF-8, and a save of the grid reading back
// as the same number of rows.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tweettable/skein_data.h"
#include "util/cp1252.h"
#include "util/null_ui_port.h"

namespace {

class AnswerEveryPrompt : public wf::NullUiPort {
 public:
  explicit AnswerEveryPrompt(wf::MsgAnswer answer) : answer_(answer) {}
  wf::MsgAnswer Prompt(const wf::Question&, std::string_view, wf::MsgButtons, wf::MsgIcon,
                       std::string_view) override {
    ++prompts;
    return answer_;
  }

  int prompts = 0;

 private:
  wf::MsgAnswer answer_;
};

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

std::string TempPath(const char* suffix) {
  return (std::filesystem::temp_directory_path() /
          ("wf-fuzz-skein-" + std::to_string(::getpid()) + suffix))
      .string();
}

// The two files every run reuses, removed when the fuzzer exits.
struct WorkFiles {
  std::string input = TempPath(".txt");
  std::string saved = TempPath("-saved.txt");
  ~WorkFiles() {
    std::remove(input.c_str());
    std::remove(saved.c_str());
  }
};

void CheckCells(const wf::SkeinData& table) {
  for (std::int32_t r = 1; r <= table.RecordCount(); ++r) {
    for (int f = 1; f <= wf::kTweetColumnCount; ++f) {
      const std::string_view cell = table.Cell(r, f);
      Check(cell.find_first_of("\t\r\n") == std::string_view::npos, "cell holds a separator");
      Check(wf::IsValidUtf8(cell), "cell is not UTF-8");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const WorkFiles files;
  const std::string& input = files.input;
  const std::string& saved = files.saved;
  {
    std::FILE* f = std::fopen(input.c_str(), "wb");
    if (f == nullptr) return 0;
    const bool written = std::fwrite(data, 1, size, f) == size;
    if (std::fclose(f) != 0 || !written) return 0;
  }

  AnswerEveryPrompt ok_ui(wf::MsgAnswer::Ok);
  wf::SkeinData kept(&ok_ui);
  const bool loaded = kept.Load(input);
  Check(loaded, "load answering OK failed");
  CheckCells(kept);

  AnswerEveryPrompt cancel_ui(wf::MsgAnswer::Cancel);
  wf::SkeinData stopped(&cancel_ui);
  const bool completed = stopped.Load(input);
  Check(completed == (ok_ui.prompts == 0), "cancel result disagrees with the prompts");
  Check(cancel_ui.prompts == (ok_ui.prompts > 0 ? 1 : 0), "asked again after Cancel");
  Check(stopped.RecordCount() == kept.RecordCount(), "row count depends on the answer");
  CheckCells(stopped);

  // Every row saved is a full row, so the file reads back row for row without a question.
  std::remove(saved.c_str());
  Check(kept.Save(saved, true), "save failed");
  AnswerEveryPrompt reload_ui(wf::MsgAnswer::Cancel);
  wf::SkeinData reloaded(&reload_ui);
  Check(reloaded.Load(saved), "saved table does not load");
  Check(reload_ui.prompts == 0 && reloaded.RecordCount() == kept.RecordCount(),
        "saved table changed shape");
  return 0;
}
