#pragma once

#include <cstddef>
#include <cstdint>

namespace wf::apisim {

// Every generated value is a pure function of the --seed number and the object's coordinates, so
// any tweet or account can be produced on demand, in any order, from any thread.
constexpr uint64_t Mix64(uint64_t x) {
  x += 0x9e3779b97f4a7c15ULL;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

constexpr uint64_t Hash(uint64_t a, uint64_t b = 0, uint64_t c = 0, uint64_t d = 0) {
  return Mix64(Mix64(Mix64(Mix64(a) ^ b) ^ c) ^ d);
}

// Sequential draws for one object: seeded from Hash(...) of the object's coordinates.
class Rng {
 public:
  explicit constexpr Rng(uint64_t state) : state_(state) {}

  uint64_t Next() {
    state_ += 0x9e3779b97f4a7c15ULL;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // Uniform in [0, n); n > 0.
  uint64_t Below(uint64_t n) { return static_cast<uint64_t>((Next() >> 11) % n); }
  int64_t Between(int64_t lo, int64_t hi) {  // inclusive
    return lo + static_cast<int64_t>(Below(static_cast<uint64_t>(hi - lo + 1)));
  }
  double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  bool Chance(double p) { return Unit() < p; }
  template <typename T, size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(N)];
  }

 private:
  uint64_t state_;
};

}  // namespace wf::apisim
