#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/ui_port.h"

namespace wf {

// Result codes of ShellAndWait.
inline constexpr int kShellEnded = 0;
inline constexpr int kShellNotStarted = 1;
inline constexpr int kShellTimedOut = 2;
inline constexpr int kShellInvalidArgument = 3;
inline constexpr int kShellAbandoned = 4;  // never on POSIX; kept so callers can name it

// Starts `command` as a new process (no shell) and waits up to `timeout_ms` (0: no limit)
// for it to end, yielding through `ui` (may be null) every 500 ms. `window_style` (0-4, 6)
// and `break_mode` (0-2) are validated only. A process still running at the time-out keeps
// running; it is reaped in the background once it ends.
int ShellAndWait(std::string_view command, std::int32_t timeout_ms, int window_style,
                 int break_mode, UiPort* ui);

// Splits a command line the way Windows programs split theirs: blanks separate arguments,
// double quotes group, and a backslash escapes a quote (2n backslashes before a quote give n
// and open or close a group; 2n+1 give n and a literal quote). Other backslashes are
// literal, so ordinary paths need no escaping.
std::vector<std::string> SplitCommandLine(std::string_view command);

// `argument` in quotes, escaped so that SplitCommandLine gives it back unchanged.
std::string QuoteArgument(std::string_view argument);

// Full path of an executable `name` found in a PATH folder, or nothing.
std::optional<std::string> FindOnSearchPath(std::string_view name);

}  // namespace wf
