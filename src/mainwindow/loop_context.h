#pragma once

// The window as the retrieval loops see it. Private to the window's own source files.
#include <string>

#include "mainwindow/user_list_part.h"
#include "mainwindow/window_core.h"
#include "workflows/retrieval_context.h"

namespace wf {

class LoopContext : public RetrievalContext {
 public:
  LoopContext(WindowCore& w, UserListPart& users) : w_(w), users_(users) {}
  UiPort* Ui() override { return w_.env.ui; }
  TwitterAPI& Twitter() override { return *w_.twitter; }
  Clock& Time() override { return w_.clock; }
  void AddLogLine(std::string line) override {
    w_.progress.Add(std::move(line));
    w_.Notify(kLogChanged);
  }
  void ReplaceLastLogLine(std::string line) override {
    w_.progress.ReplaceLast(std::move(line));
    w_.Notify(kLogChanged);
  }
  void SelectLastLogLine() override {
    w_.progress.SelectLast();
    w_.Notify(kLogChanged);
  }
  void SetLastResponse(std::string_view text) override {
    w_.last_get = std::string(text);
    w_.Notify(kLogChanged);
  }
  void SetStatusPanel(int panel, std::string text) override {
    if (panel < 1 || panel > 4) return;
    w_.info_bar[static_cast<std::size_t>(panel - 1)] = std::move(text);
    w_.Notify(kStatusChanged);
  }
  void SetProgress(double fraction, std::string text) override {
    w_.progress_fraction = fraction;
    w_.progress_text = std::move(text);
    w_.Notify(kStatusChanged);
  }
  void YieldToEvents() override {
    if (w_.env.ui != nullptr) w_.env.ui->YieldToEvents();
  }
  const std::string& SearchLang() const override { return w_.search_lang; }
  bool UseLoc() const override { return w_.use_loc; }
  CivilDateTime EarlyDate() const override { return w_.early_date; }
  bool RetrievalBusy() const override { return w_.retrieval_busy; }
  bool StopRequested() const override { return w_.stop_requested; }
  void SetStopRequested(bool stop) override { w_.stop_requested = stop; }
  bool QuotaPausing() const override { return w_.quota_pausing; }
  void SetQuotaPausing(bool pausing) override {
    w_.quota_pausing = pausing;
    w_.Notify(kControlsChanged);
  }
  void SetTimer1Enabled(bool enabled) override {
    w_.timer1_enabled = enabled;
    w_.Notify(kControlsChanged);
  }
  int UserListCount() const override { return users_.List().Count(); }
  std::string UserListEntry(int index) const override {
    return users_.List().Entries().at(static_cast<std::size_t>(index)).text;
  }
  bool UserListTicked(int index) const override {
    return users_.List().Entries().at(static_cast<std::size_t>(index)).ticked;
  }
  void SetCurrentUserEntry(int index) override { users_.UserList_Click(index); }
  void ShowTweets(bool append) override { w_.ShowTweets(append); }
  RecoveryLog* Recovery() override { return w_.journal.IsOpen() ? &w_.journal : nullptr; }

 private:
  WindowCore& w_;
  UserListPart& users_;
};

}  // namespace wf
