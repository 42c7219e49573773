// TempFile: a file written under a temporary name beside the name it is meant to have, which
// takes that name in one step only once it is whole, as ccache's write_file via a temporary
// file does. Every place that replaces a file writes it this way: the name it replaces never
// holds a half-written file, and a file that is never put in place is removed.
#pragma once

#include <memory>
#include <string>

#include "platform/file_system.h"

namespace vornalis::platform {

class TempFile {
 public:
  // A new, empty file named prefix + six letters or digits in folder, open for writing.
  static Result<std::unique_ptr<TempFile>> Create(FileSystem& fs, const std::string& folder,
                                                  const std::string& prefix);
  ~TempFile();  // removes the file unless it took its name
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  File& file() { return *file_; }
  const std::string& Path() const { return path_; }

  // Closes the file, first flushing its bytes to the medium when sync is set.
  Status Finish(bool sync);
  // Gives the (finished) file the name final_path, replacing what had it in one step; the file
  // is still removed when that fails.
  Status PutInPlace(const std::string& final_path);
  // Finish, then PutInPlace.
  Status Commit(const std::string& final_path, bool sync);

 private:
  TempFile(FileSystem& fs, std::unique_ptr<File> file);

  FileSystem& fs_;
  std::unique_ptr<File> file_;
  std::string path_;
  bool in_place_ = false;
};

}  // namespace vornalis::platform
