#pragma once

// The window as the retrieval loops see it. Private to the window's own source files.
#include <string>

#include "mainwindow/main_window.h"
#include "workflows/retrieval_context.h"

namespace wf {

class MainWindow::LoopContext : public RetrievalContext {
 public:
  explicit LoopContext(MainWindow& w) : w_(w) {}
  UiPort* Ui() override { return w_.env_.ui; }
  TwitterAPI& Twitter() override { return *w_.twitter_; }
  void AddLogLine(std::string line) override {
    w_.progress_.Add(std::move(line));
    w_.Notify(kLogChanged);
  }
  void ReplaceLastLogLine(std::string line) override {
    w_.progress_.ReplaceLast(std::move(line));
    w_.Notify(kLogChanged);
  }
  void SelectLastLogLine() override {
    w_.progress_.SelectLast();
    w_.Notify(kLogChanged);
  }
  void SetLastResponse(std::string_view text) override {
    w_.last_get_ = std::string(text);
    w_.Notify(kLogChanged);
  }
  void SetStatusPanel(int panel, std::string text) override {
    if (panel < 1 || panel > 4) return;
    w_.info_bar_[static_cast<std::size_t>(panel - 1)] = std::move(text);
    w_.Notify(kStatusChanged);
  }
  void SetProgress(double fraction, std::string text) override {
    w_.progress_fraction_ = fraction;
    w_.progress_text_ = std::move(text);
    w_.Notify(kStatusChanged);
  }
  void YieldToEvents() override {
    if (w_.env_.ui != nullptr) w_.env_.ui->YieldToEvents();
  }
  const std::string& SearchLang() const override { return w_.search_lang_; }
  bool UseLoc() const override { return w_.use_loc_; }
  CivilDateTime EarlyDate() const override { return w_.early_date_; }
  bool RetrievalBusy() const override { return w_.retrieval_busy_; }
  bool StopRequested() const override { return w_.stop_requested_; }
  void SetStopRequested(bool stop) override { w_.stop_requested_ = stop; }
  bool QuotaPausing() const override { return w_.quota_pausing_; }
  void SetQuotaPausing(bool pausing) override {
    w_.quota_pausing_ = pausing;
    w_.Notify(kControlsChanged);
  }
  void SetTimer1Enabled(bool enabled) override {
    w_.timer1_enabled_ = enabled;
    w_.Notify(kControlsChanged);
  }
  int UserListCount() const override { return w_.user_list_.Count(); }
  std::string UserListEntry(int index) const override {
    return w_.user_list_.Entries().at(static_cast<std::size_t>(index)).text;
  }
  bool UserListTicked(int index) const override {
    return w_.user_list_.Entries().at(static_cast<std::size_t>(index)).ticked;
  }
  void SetCurrentUserEntry(int index) override { w_.UserList_Click(index); }
  void ShowTweets(bool append) override { w_.ShowTweets(append); }
  RecoveryLog* Recovery() override { return w_.journal_.IsOpen() ? &w_.journal_ : nullptr; }

 private:
  MainWindow& w_;
};

}  // namespace wf
