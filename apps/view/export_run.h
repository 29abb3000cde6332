#pragma once

#include <ostream>

#include "view_options.h"

namespace wf::view {

// The headless export of `options.file` into `*options.export_dir`: the data files and the
// charts as pictures. Needs a QApplication (any platform, offscreen included). Exit status 0,
// or 1 with the reason on `err`.
int RunExport(const ViewOptions& options, std::ostream& out, std::ostream& err);

}  // namespace wf::view
