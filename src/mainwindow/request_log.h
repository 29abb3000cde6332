#pragma once

#include <string>
#include <vector>

namespace wf {

// The request log (Progress): one line per retrieval, rewritten as pages arrive.
class RequestLog {
 public:
  const std::vector<std::string>& Lines() const { return lines_; }
  int Count() const { return static_cast<int>(lines_.size()); }
  void Add(std::string line) { lines_.push_back(std::move(line)); }
  void ReplaceLast(std::string line) {
    if (lines_.empty()) {
      lines_.push_back(std::move(line));
    } else {
      lines_.back() = std::move(line);
    }
  }
  int Selected() const { return selected_; }
  void SelectLast() { selected_ = Count() - 1; }
  void Select(int index) { selected_ = index >= 0 && index < Count() ? index : -1; }
  const std::string& ToolTip() const { return tooltip_; }
  void SetToolTip(std::string tip) { tooltip_ = std::move(tip); }
  // All lines, each followed by CR LF.
  std::string Text() const {
    std::string out;
    for (const auto& l : lines_) out += l + "\r\n";
    return out;
  }

 private:
  std::vector<std::string> lines_;
  int selected_ = -1;
  std::string tooltip_ = "Displays a history of recent API requests";
};

}  // namespace wf
