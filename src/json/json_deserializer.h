#pragma once

#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "util/ui_port.h"

namespace wf {

// Turns one API response into a flat, numbered list of the brace-delimited objects in it.
// Each object has a name (the key that introduced it, or inherited from the previous object
// at its level), a level, a parent, its raw text and its "own text": the raw text less the
// run of childless direct children that follows it. Members are then picked out of an
// object's own text by key.
//
// This is deliberately not a full JSON parser: the record sets depend on exactly these
// results (object 1's text running to the end of a wrapped response, keys matched by suffix,
// values cut at the next delimiter). Braces inside quoted strings are not objects.
//
// Indexes are 1-based; 0 is a sentinel with empty name and level 0. An index outside
// 0..ObjectCount() gives empty results. One reader reads one response.
class JSONDeserializer {
 public:
  explicit JSONDeserializer(UiPort* ui = nullptr) : ui_(ui) {}

  std::int32_t ObjectCount(std::string_view object_name = {}) const;
  std::string ObjectName(std::int32_t index) const { return std::string(ObjectNameView(index)); }
  // Same without the copy; valid while the text read is.
  std::string_view ObjectNameView(std::int32_t index) const;
  std::uint8_t ObjectLevel(std::int32_t index) const;
  std::int32_t ObjectParent(std::int32_t index) const;
  // Characters strictly between the object's braces (an unclosed object runs to the last
  // character but one of the response).
  std::string ObjectText(std::int32_t index) const { return std::string(ObjectTextView(index)); }
  std::string_view ObjectTextView(std::int32_t index) const;

  // False for a text shorter than 8 characters, one without an opening brace when
  // `ignore_top_level` is false, or one nested deeper than 255 levels.
  bool Read(std::string_view json, bool ignore_top_level);
  // As Read, without copying the text: `json` must outlive every later call.
  bool ReadBorrowed(std::string_view json, bool ignore_top_level);

  std::string GetElementInObject(std::int32_t object_index, std::string_view element_name) const;
  // Entry 0 is empty, entries 1..k the values of every match (at most `max_values` of them);
  // no entries when none matches.
  std::vector<std::string> GetAllElementsInObject(
      std::int32_t object_index, std::string_view element_name,
      std::size_t max_values = std::numeric_limits<std::size_t>::max()) const;
  std::int32_t ObjectIndex(std::string_view object_name, std::int32_t index) const;
  std::int32_t LastChild(std::int32_t index) const;

  // The object's own text (what the lookups search).
  std::string_view OwnText(std::int32_t index) const;
  // The start of the object's own text: all of it (`whole` set) unless the object is long and
  // its own text has not been worked out yet. Object 1 of a wrapped response runs to the end
  // of the response, and cutting its children out of all of it costs more than reading the
  // rest of the response; most lookups end in its first few kilobytes.
  std::string_view OwnTextStart(std::int32_t index, bool& whole) const;
  // The own text the object would have as object 1 of a response of its own: its text
  // followed by `tail` (what closes such a response after the object's closing brace, "}]"
  // for {"Users":[{...}]}), less the run of direct children that follows it. Saves cutting
  // the object out and reading it again. False (and `out` untouched) where such a reader
  // could see the object differently: an object this response never closes, object 1, or a
  // run too large for occurrence-by-occurrence removal.
  bool DetachedOwnText(std::int32_t index, std::string_view tail, std::string& out) const;

 private:
  struct Object {
    std::string_view name;    // a view into the text being read
    std::uint32_t start = 0;  // 0-based offset of the opening brace
    std::uint32_t end = 0;    // 0-based offset of the closing brace, 0 while open
    std::uint8_t level = 0;
    bool closed = false;  // ended by its own closing brace (not cut off by the text's end)
    std::int32_t parent = 0;
  };

  bool Valid(std::int32_t index) const {
    return index >= 1 && index <= static_cast<std::int32_t>(count_);
  }

  bool Scan(bool ignore_top_level);
  // One past the run of direct children that immediately follows object k.
  std::uint32_t RunEnd(std::uint32_t k) const;
  // A run of `children` over a text of `size` bytes that would take hours to remove
  // occurrence by occurrence (only a hostile or broken response holds one).
  static bool RunTooLarge(std::uint32_t children, std::size_t size) {
    return static_cast<double>(children) * static_cast<double>(size) > double{1 << 28};
  }

  UiPort* ui_;
  std::string owned_;
  std::string_view text_;
  std::vector<Object> objects_;  // [0] sentinel, [1..n] objects
  std::uint32_t count_ = 0;
  // Own texts are worked out on first use: most objects are never looked into.
  mutable std::vector<std::string_view> own_;  // views into text_ or own_store_
  mutable std::vector<bool> own_ready_;
  mutable std::deque<std::string> own_store_;  // stable addresses for the views
  // Most own texts are cut into large blocks rather than strings of their own: one
  // allocation per object looked into costs as much as cutting its text.
  mutable std::vector<std::unique_ptr<char[]>> own_blocks_;
  mutable std::size_t block_used_ = 0;
  mutable std::size_t block_size_ = 0;
  // The start of one long object's own text (see OwnTextStart).
  mutable std::int32_t start_index_ = 0;
  mutable std::string start_text_;
};

// Looks members up in an own text held outside a reader (see DetachedOwnText) exactly as
// JSONDeserializer::GetElementInObject looks them up in the reader's own texts.
class OwnTextLookup {
 public:
  // `own` must outlive the lookup.
  explicit OwnTextLookup(std::string_view own, UiPort* ui = nullptr) : own_(own), ui_(ui) {}
  std::string Get(std::string_view element_name) const;

 private:
  std::string_view own_;
  UiPort* ui_;
};

}  // namespace wf
