#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "util/unique_fd.h"

namespace wf {

// Whole file as raw bytes; empty optional (and `error` set) when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error = nullptr);

// Writes `data` to a temporary file beside `path`, flushes it to the disk and renames it into
// place (then flushes the folder), so a failure or a crash at any point never leaves a partial
// file where a good one stood: readers see the old file or the new one. A crash can leave the
// temporary file (".NAME.XXXXXX") behind; RemoveStaleTemporaries clears such leftovers.
bool WriteFileAtomically(const std::string& path, std::string_view data,
                         std::string* error = nullptr);

// As WriteFileAtomically, but the file is readable and writable by its owner only, from its
// creation on; a file it replaces may have been more open.
bool WritePrivateFileAtomically(const std::string& path, std::string_view data,
                                std::string* error = nullptr);

// A file written in pieces that appears at `path` whole, on Commit, or not at all, like
// WriteFileAtomically, for output too large to gather in memory first. Until Commit the
// pieces go to a temporary file beside `path`, which a writer dropped before Commit removes.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::string path) : path_(std::move(path)) {}
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  bool Open(std::string* error = nullptr);
  bool Write(std::string_view data, std::string* error = nullptr);
  // Renames the file into place. With `sync` the file (and then the rename) is flushed to the
  // disk first, as WriteFileAtomically does; without, other programs still see no file or the
  // whole one, but a power cut may lose it: for files that another program reads back at once
  // and that are worth nothing after a crash, where waiting for the disk costs the most.
  bool Commit(bool sync, std::string* error = nullptr);

 private:
  std::string path_;
  std::string temp_;
  UniqueFd fd_;
};

// Appends `data` and flushes it to the disk. A crash while appending can leave a partial
// last line, so only files whose readers recognise that are written this way.
bool AppendToFile(const std::string& path, std::string_view data, std::string* error = nullptr);

// Removes the temporary files WriteFileAtomically left beside `path` when a program died
// mid-write and no live writer holds (older than a minute, so a save under way elsewhere keeps
// its file). Returns how many went.
int RemoveStaleTemporaries(const std::string& path);

}  // namespace wf
