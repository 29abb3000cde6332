#pragma once

#include <string>
#include <string_view>

namespace wf {

// What "System Info..." shows: the distribution, the kernel and the architecture, one per
// line, then the toolkit's version when `qt_version` is given. Empty when the system tells
// nothing.
std::string DescribeSystem(std::string_view qt_version = {});

// The distribution's display name from the text of an os-release file: PRETTY_NAME, else
// NAME with VERSION; empty when it names neither.
std::string OsReleaseName(std::string_view os_release);

}  // namespace wf
