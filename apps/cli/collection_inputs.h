#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "records/collection_reader.h"
#include "response_files.h"

namespace wf::cli {

struct CollectionInput {
  CollectionKind kind;
  // What a file holding one saved v1.1 answer must be (--timeline, --list).
  ResponseKind single_answer;
};

// Reads the input files of a conversion command in order and hands their pages to `add`.
// A file holding one saved v1.1 answer (or an error answer) is checked as a saved response
// is; every other file is read as a collection, its unknown lines skipped and counted on
// `err`. False, after a message on `err` starting with `prefix`, when a file cannot be read,
// a saved answer is of the wrong kind, or no file holds any page of `records`.
bool ReadCollectionInputs(const std::vector<std::string>& inputs, const CollectionInput& input,
                          const std::function<void(const CollectionPage&)>& add,
                          std::string_view prefix, std::string_view records, std::ostream& err);

}  // namespace wf::cli
