#include "mainwindow/user_files.h"

#include <cctype>
#include <unordered_map>

#include "util/cp1252.h"
#include "util/yielder.h"

namespace wf {
namespace {

// Columns (1-based) each layout writes, in order.
std::vector<int> LayoutColumns(UserFileLayout layout) {
  std::vector<int> columns;
  switch (layout) {
    case UserFileLayout::kKeys:
      columns = {1, 2};
      break;
    case UserFileLayout::kProfilo:
      for (int c = 1; c <= 20; ++c) columns.push_back(c);
      columns.push_back(23);
      columns.push_back(24);
      break;
    case UserFileLayout::kAll:
      for (int c = 1; c <= kUserTableColumnCount; ++c) columns.push_back(c);
      break;
  }
  return columns;
}

void AppendCell(std::string& out, std::string_view text) {
  const std::size_t start = out.size();
  out.append(text);
  for (std::size_t i = start; i < out.size(); ++i) {
    if (out[i] == '\t' || out[i] == '\r' || out[i] == '\n') out[i] = ' ';
  }
}

std::string Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return std::string(s);
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

const std::string& FieldOrEmpty(const std::vector<std::string>& fields, std::size_t n1) {
  static const std::string kEmpty;
  return n1 >= 1 && n1 <= fields.size() ? fields[n1 - 1] : kEmpty;
}

// The first few fields of every line, however long it is, and enough to tell how many
// fields it has up to `limit`; longer lines are cut, so a hostile line of a million TABs
// costs no more than a short one.
std::vector<std::string> SplitFields(std::string_view line, std::size_t limit) {
  std::vector<std::string> fields;
  std::size_t from = 0;
  while (fields.size() < limit) {
    const std::size_t tab = line.find('\t', from);
    if (tab == std::string_view::npos) {
      fields.emplace_back(line.substr(from));
      break;
    }
    fields.emplace_back(line.substr(from, tab - from));
    from = tab + 1;
  }
  return fields;
}

// Calls `each(line)` for every non-blank line of `text`.
template <typename Each>
void ForEachLine(std::string_view text, Yielder* yielder, Each each) {
  const char end_char = text.find('\n') != std::string_view::npos ? '\n' : '\r';
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find(end_char, from);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(from, end - from);
    from = end + 1;
    if (end_char == '\n' && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) each(line);
    if (yielder != nullptr) yielder->Poll();
  }
}

constexpr std::size_t kMaxFields = static_cast<std::size_t>(kUserTableColumnCount);

}  // namespace

std::string_view UserFileExtension(UserFileLayout layout) {
  switch (layout) {
    case UserFileLayout::kKeys:
      return ".suk";
    case UserFileLayout::kProfilo:
      return ".spro";
    case UserFileLayout::kAll:
      break;
  }
  return ".sut";
}

std::string FormatUserFile(const std::vector<UserTableView::Row>& rows, UserFileLayout layout) {
  const std::vector<int> columns = LayoutColumns(layout);
  std::string out;
  for (const UserTableView::Row& row : rows) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) out.push_back('\t');
      AppendCell(out, row.cells[static_cast<std::size_t>(columns[i] - 1)]);
    }
    out.append("\r\n");
  }
  return out;
}

std::string EncodeUserFileText(std::string_view utf8) {
  return EncodeFileText(utf8);
}

std::string DecodeUserFileBytes(std::string_view bytes) {
  return DecodeFileText(bytes);
}

UserKeys ReadUserKeys(std::string_view text, Yielder* yielder) {
  UserKeys keys;
  bool first = true;
  ForEachLine(text, yielder, [&](std::string_view line) {
    const std::vector<std::string> fields = SplitFields(line, 2);
    if (first) {
      keys.ids = !FieldOrEmpty(fields, 1).empty();
      first = false;
    }
    std::string entry = Trim(FieldOrEmpty(fields, keys.ids ? 1 : 2));
    if (entry.size() > kMaxUserKeyLength) {
      ++keys.overlong;
    } else if (!entry.empty()) {
      keys.entries.push_back(std::move(entry));
    }
  });
  return keys;
}

std::vector<UserCells> ReadUserTableRows(std::string_view text, Yielder* yielder) {
  std::vector<UserCells> rows;
  ForEachLine(text, yielder, [&](std::string_view line) {
    std::vector<std::string> fields = SplitFields(line, kMaxFields);
    UserCells& cells = rows.emplace_back();
    for (std::size_t k = 0; k < fields.size(); ++k) cells[k] = std::move(fields[k]);
  });
  return rows;
}

ProfiloAttributeFile ReadProfiloAttributes(std::string_view text, Yielder* yielder) {
  ProfiloAttributeFile file;
  bool first = true;
  ForEachLine(text, yielder, [&](std::string_view line) {
    const std::vector<std::string> fields = SplitFields(line, 25);
    if (first) {
      file.long_layout = fields.size() > 5;
      first = false;
    }
    const std::size_t needed = file.long_layout ? 25 : 5;
    if (fields.size() < needed) {
      ++file.short_lines;
      return;
    }
    ProfiloAttributes a;
    a.id = Trim(fields[0]);
    a.screen_name = Trim(fields[1]);
    a.gender = Trim(fields[file.long_layout ? 23 : 2]);
    a.age = Trim(fields[file.long_layout ? 22 : 3]);
    a.confidence = Trim(fields[file.long_layout ? 24 : 4]);
    file.lines.push_back(std::move(a));
  });
  return file;
}

ProfiloMatch ApplyProfiloAttributes(const std::vector<ProfiloAttributes>& lines,
                                    std::vector<UserTableView::Row>& rows) {
  constexpr std::size_t kGender = 24;  // Pro_Gender, Pro_Age, Pro_Conf: columns 25-27
  std::unordered_map<std::string, std::vector<std::size_t>> by_id;
  std::unordered_map<std::string, std::vector<std::size_t>> by_name;
  std::unordered_map<std::string, std::vector<std::size_t>> by_name_without_id;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::string id = Trim(rows[r].cells[0]);
    const std::string name = Lower(Trim(rows[r].cells[1]));
    if (!id.empty()) by_id[id].push_back(r);
    if (!name.empty()) {
      by_name[name].push_back(r);
      if (id.empty()) by_name_without_id[name].push_back(r);
    }
  }
  const auto find = [](const auto& map, const std::string& key) -> const std::vector<std::size_t>* {
    if (key.empty()) return nullptr;
    const auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
  };

  ProfiloMatch result;
  std::vector<bool> written(rows.size(), false);
  for (const ProfiloAttributes& a : lines) {
    const std::string name = Lower(a.screen_name);
    std::vector<const std::vector<std::size_t>*> targets;
    if (!a.id.empty()) {
      targets = {find(by_id, a.id), find(by_name_without_id, name)};
    } else {
      targets = {find(by_name, name)};
    }
    bool matched = false;
    for (const auto* list : targets) {
      if (list == nullptr) continue;
      for (const std::size_t r : *list) {
        auto& cells = rows[r].cells;
        cells[kGender] = a.gender;
        cells[kGender + 1] = a.age;
        cells[kGender + 2] = a.confidence;
        if (!written[r]) ++result.rows_matched;
        written[r] = true;
        matched = true;
      }
    }
    if (!matched) ++result.lines_unmatched;
  }
  return result;
}

}  // namespace wf
