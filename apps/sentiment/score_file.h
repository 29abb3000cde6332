#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "classifier.h"

namespace wf::senti {

// First line of every output file.
inline constexpr std::string_view kOutputHeader = "Positive\tNegative\tText";

// "<folder>/<input name without extension>0_out.txt", beside the input.
std::string OutputPathFor(const std::string& input_path);

// Scores every line of a Windows-1252 file, or of a UTF-8 file that starts with the byte-order
// mark (see utf8_input.h) (CR LF or LF line ends; every line counts, empty
// ones too) and writes OutputPathFor(input_path): the header line, then per input line
// "positive<TAB>negative<TAB>text", each ended by LF. False with `error` set when the input
// cannot be read or the output written; no partial output file is left behind.
bool ScoreFile(const Classifier& classifier, const std::string& input_path, std::string* error);

// The tool's command line, keyword-value pairs in any order:
//   sentidata DATADIR/ input FILE
// `sentidata` defaults to `default_data_dir`. Returns the exit status: 0 done, 1 the data,
// input or output failed, 2 a usage error; --help and --version answer on `out`, messages go
// to `err`.
int RunCommandLine(const std::vector<std::string>& args, const std::string& default_data_dir,
                   std::ostream& out, std::ostream& err);

}  // namespace wf::senti
