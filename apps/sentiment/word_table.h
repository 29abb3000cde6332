#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wf::senti {

// A string-keyed hash table built once and then only read: keys live in one buffer and the
// slots in one array, so a lookup costs one hash and usually one comparison, with no
// allocation for the string_view it is asked with. Scoring looks up every word of every
// text, which is where the time goes.
template <typename Value>
class WordTable {
 public:
  // The value stored for `key`, inserted as Value{} when missing. The reference lasts until
  // the next insertion.
  Value& Entry(std::string_view key) {
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    const std::uint64_t h = Hash(key);
    Slot& slot = slots_[FindIndex(key, h)];
    if (slot.used) return slot.value;
    slot.used = true;
    slot.offset = static_cast<std::uint32_t>(keys_.size());
    slot.length = static_cast<std::uint32_t>(key.size());
    slot.hash = h;
    slot.value = Value{};
    keys_.append(key);
    ++count_;
    return slot.value;
  }

  // The value for `key`, or null.
  const Value* Get(std::string_view key) const {
    if (count_ == 0) return nullptr;
    const Slot& slot = slots_[FindIndex(key, Hash(key))];
    return slot.used ? &slot.value : nullptr;
  }

  std::size_t size() const { return count_; }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    bool used = false;
    Value value{};
  };

  static std::uint64_t Hash(std::string_view key) {
    // FNV-1a: words are short, and this needs no alignment or tail handling.
    std::uint64_t h = 1469598103934665603ULL;
    for (char c : key) {
      h ^= static_cast<unsigned char>(c);
      h *= 1099511628211ULL;
    }
    return h;
  }

  // Slot holding `key`, or the free slot where it would go (the table is never full).
  std::size_t FindIndex(std::string_view key, std::uint64_t h) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(h) & mask;; i = (i + 1) & mask) {
      const Slot& s = slots_[i];
      if (!s.used) return i;
      if (s.hash == h && s.length == key.size() &&
          std::string_view(keys_).substr(s.offset, s.length) == key) {
        return i;
      }
    }
  }

  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
      if (!s.used) continue;
      std::size_t i = static_cast<std::size_t>(s.hash) & mask;
      while (slots_[i].used) i = (i + 1) & mask;
      slots_[i] = s;
    }
  }

  std::string keys_;
  std::vector<Slot> slots_;
  std::size_t count_ = 0;
};

}  // namespace wf::senti
