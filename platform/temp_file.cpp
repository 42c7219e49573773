#include "platform/temp_file.h"

namespace vornalis::platform {

TempFile::TempFile(FileSystem& fs, std::unique_ptr<File> file)
    : fs_(fs), file_(std::move(file)), path_(file_->Path()) {}

std::unique_ptr<TempFile> TempFile::Create(FileSystem& fs, const std::string& folder,
                                           const std::string& prefix, int* error) {
  auto file = fs.CreateUniqueFile(folder, prefix, error);
  if (!file) return nullptr;
  return std::unique_ptr<TempFile>(new TempFile(fs, std::move(file)));
}

TempFile::~TempFile() {
  if (in_place_) return;
  file_.reset();
  fs_.Remove(path_);
}

int TempFile::Finish(bool sync) {
  if (!file_) return 0;
  int error = sync ? file_->Sync() : 0;
  if (const int close_error = file_->Close(); error == 0) error = close_error;
  file_.reset();
  return error;
}

int TempFile::PutInPlace(const std::string& final_path) {
  const int error = fs_.Rename(path_, final_path);
  in_place_ = error == 0;
  return error;
}

int TempFile::Commit(const std::string& final_path, bool sync) {
  const int error = Finish(sync);
  return error != 0 ? error : PutInPlace(final_path);
}

}  // namespace vornalis::platform
