#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "mainwindow/main_window.h"
#include "util/ui_port.h"

namespace wf::cli {

// The UI port of an unattended retrieval (search, timelines, lookups, follower lists). It
// answers the window's questions the way a script wants: wait out a spent quota and go on,
// retry a failing request a few times, never save anywhere but the output file, take the
// list text and the typed answers the command supplies; Ctrl-C becomes the Cancel button. The
// request log is echoed to stderr as the window writes it, with the running count on one live line
// when stderr is a terminal.
class SearchUi : public UiPort, public MainWindowObserver {
 public:
  SearchUi(std::ostream& err, bool terminal, std::atomic<bool>* interrupted);

  void Attach(MainWindow* window) { window_ = window; }
  void SetOutput(std::string path) { output_ = std::move(path); }
  void SetOpenFile(std::string path) { open_file_ = std::move(path); }
  // What the input boxes (screen name to add, account whose followers to list) are given.
  void SetInputAnswer(std::string text) { input_answer_ = std::move(text); }
  // Whether a pasted list whose entries look numeric holds user ids.
  void SetListHoldsIds(bool ids) { list_holds_ids_ = ids; }
  bool Cancelled() const { return cancelled_; }
  // Ends the live line.
  void Finish();

  MsgAnswer Prompt(const Question& question, std::string_view text, MsgButtons buttons,
                   MsgIcon icon, std::string_view caption) override;
  std::optional<std::string> InputBox(std::string_view, std::string_view,
                                      std::string_view) override;
  std::optional<std::string> OpenFileDialog(const FileDialogRequest&) override;
  std::optional<std::string> SaveFileDialog(const FileDialogRequest&) override;
  void SetClipboardText(std::string_view text) override { clipboard_ = std::string(text); }
  std::string ClipboardText() override { return clipboard_; }
  void SetPointer(Pointer) override {}
  void YieldToEvents() override;

  void OnModelChanged(unsigned changes) override;

 private:
  // `when`: the reset of the quota window, as the question gives it.
  bool WaitForQuota(std::string_view when);
  void CheckInterrupt();
  void PrintLog();
  void ShowQuotaPause();
  void BreakLiveLine();

  std::ostream& err_;
  bool terminal_;
  std::atomic<bool>* interrupted_;
  MainWindow* window_ = nullptr;
  std::string output_;
  std::string open_file_;
  std::string clipboard_;
  std::optional<std::string> input_answer_;
  bool list_holds_ids_ = false;
  bool pause_shown_ = false;      // the model's quota pause has been announced
  std::int64_t pause_left_ = -1;  // seconds last shown in its countdown
  bool cancelled_ = false;
  int retries_ = 0;
  int printed_ = 0;         // log lines printed for good
  bool live_line_ = false;  // the last line is shown on the terminal, unfinished
};

}  // namespace wf::cli
