#pragma once

#include <cstdint>

namespace wf {

// Bytes this process can still take before allocations start to fail or the system starts to
// swap: the least of the system's available memory, what the process's control group allows
// beyond its current use, and room left under its address-space limit. 0 when none of them
// can be read.
std::uint64_t AvailableMemoryBytes();

}  // namespace wf
