#include "collection_inputs.h"

namespace wf::cli {
namespace {

bool IsSavedAnswer(CollectionShape shape) {
  switch (shape) {
    case CollectionShape::kSearchPage:
    case CollectionShape::kTimeline:
    case CollectionShape::kUserLookup:
    case CollectionShape::kUserPage:
    case CollectionShape::kApiError:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool ReadCollectionInputs(const std::vector<std::string>& inputs, const CollectionInput& input,
                          const std::function<void(const CollectionPage&)>& add,
                          std::string_view prefix, std::string_view records, std::ostream& err) {
  std::uint64_t pages = 0;
  std::string error;
  for (const std::string& path : inputs) {
    if (!IsArchivePath(path)) {
      const auto probe = ProbeCollectionFile(path, &error);
      if (!probe) {
        err << prefix << ": " << error << "\n";
        return false;
      }
      if (probe->one_document && IsSavedAnswer(probe->first_shape)) {
        const auto text = ReadResponse(path, input.single_answer, &error);
        if (!text) {
          err << prefix << ": " << error << "\n";
          return false;
        }
        const bool wrapped = input.single_answer == ResponseKind::Search ||
                             input.single_answer == ResponseKind::UsersList;
        add({CompactJson(*text), wrapped});
        ++pages;
        continue;
      }
    }
    const auto result = ReadCollectionFile(
        path, input.kind, [&](CollectionPage&& page) { add(page); }, {}, &error);
    if (!result) {
      err << prefix << ": " << error << "\n";
      return false;
    }
    pages += result->pages;
    if (result->skipped > 0) {
      err << prefix << ": " << path << ": skipped " << result->skipped << " of " << result->texts
          << (result->texts == 1 ? " line" : " lines") << " (not JSON, or holding no " << records
          << ")\n";
    }
  }
  if (pages == 0) {
    err << prefix << ": no " << records << " found in";
    for (const std::string& path : inputs) err << " " << path;
    err << "\n";
    return false;
  }
  return true;
}

}  // namespace wf::cli
