#include "platform/temp_file.h"

namespace vornalis::platform {

TempFile::TempFile(FileSystem& fs, std::unique_ptr<File> file)
    : fs_(fs), file_(std::move(file)), path_(file_->Path()) {}

Result<std::unique_ptr<TempFile>> TempFile::Create(FileSystem& fs, const std::string& folder,
                                                   const std::string& prefix) {
  auto file = fs.CreateUniqueFile(folder, prefix);
  if (!file.ok()) return file.status();
  return std::unique_ptr<TempFile>(new TempFile(fs, file.take()));
}

TempFile::~TempFile() {
  if (in_place_) return;
  file_.reset();
  (void)fs_.Remove(path_);
}

Status TempFile::Finish(bool sync) {
  if (!file_) return Status::Ok();
  Status status = sync ? file_->Sync() : Status::Ok();
  if (Status closed = file_->Close(); status.ok()) status = closed;
  file_.reset();
  return status;
}

Status TempFile::PutInPlace(const std::string& final_path) {
  Status status = fs_.Rename(path_, final_path);
  in_place_ = status.ok();
  return status;
}

Status TempFile::Commit(const std::string& final_path, bool sync) {
  Status status = Finish(sync);
  return status.ok() ? PutInPlace(final_path) : status;
}

}  // namespace vornalis::platform
