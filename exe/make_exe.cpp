#include "exe/make_exe.h"

#include "engine/endian.h"
#include "engine/leftovers.h"
#include "engine/messages.h"
#include "engine/patch_area.h"
#include "engine/set_files.h"
#include "platform/path.h"
#include "platform/temp_file.h"

namespace vornalis::exe {
namespace {

// Copies the stub into a new file beside target and patches it; returns it finished and ready
// to take target's name, or null with *detail set.
std::unique_ptr<platform::TempFile> MakePatchedCopy(platform::FileSystem& fs,
                                                    const std::string& stub_path,
                                                    const std::string& target, std::uint32_t count,
                                                    const std::string& name, std::string* detail) {
  int error = 0;
  auto stub = fs.Open(stub_path, platform::OpenMode::kRead, &error);
  if (!stub) {
    *detail = messages::CantOpen(stub_path);
    return nullptr;
  }
  const std::int64_t size = stub->Size(&error);
  // A copy that a Make .EXE which died left behind goes first.
  const std::string folder = platform::FolderOf(target);
  const std::string prefix = TempPrefix(target.substr(0, target.size() - kExeExtension.size()));
  RemoveLeftoverTemporaries(fs, folder, prefix, {kElfMagic, kWindowsMagic});
  auto copy = platform::TempFile::Create(fs, folder, prefix, &error);
  if (!copy) {
    *detail = messages::CantCreate(target);
    return nullptr;
  }
  std::string patch;
  AppendU32(&patch, count);
  patch += name;
  std::vector<char> buffer(1 << 16);
  const platform::CopyResult copied =
      size < 0 ? platform::CopyResult{0, platform::CopyResult::Failure::kRead, error}
               : fs.Copy(*stub, copy->file(), static_cast<std::uint64_t>(size), buffer);
  if (copied.failure == platform::CopyResult::Failure::kRead)
    *detail = messages::CantRead(stub_path, copied.error);
  else if (copied.failure == platform::CopyResult::Failure::kWrite)
    *detail = messages::CantWrite(target, copied.error);
  else if ((error = copy->file().Seek(kCountOffset)) != 0 ||
           (error = copy->file().Write(patch).error) != 0 || (error = copy->Finish(false)) != 0)
    *detail = messages::CantWrite(target, error);
  else if ((error = fs.CopyPermissions(stub_path, copy->Path())) != 0)
    *detail = messages::CantWrite(target, error);
  return detail->empty() ? std::move(copy) : nullptr;
}

}  // namespace

std::string StubBeside(const std::string& program_path) {
  return platform::FolderOf(program_path) + std::string(kStubFileName);
}

MakeExeResult MakeExe(const PieceSet& set, const std::string& stub_path, platform::FileSystem& fs) {
  MakeExeResult result;
  result.target = set.BasePath() + std::string(kExeExtension);
  std::uint32_t total = 0;
  const int count = set.GetTotals(total);
  if (count == 0) {
    result.outcome = MakeExeResult::Outcome::kNoFiles;
    result.message = kNoFilesMessage;
    return result;
  }
  if (set.SetName().size() > kMaxNameLength) {
    result.outcome = MakeExeResult::Outcome::kNameTooLong;
    result.message = "Can't Make .EXE for the set " + set.SetName() + ": its name is longer than " +
                     std::to_string(kMaxNameLength) + " characters";
    return result;
  }
  auto copy = MakePatchedCopy(fs, stub_path, result.target, static_cast<std::uint32_t>(count),
                              set.SetName(), &result.detail);
  if (copy) {
    if (const int error = copy->PutInPlace(result.target))
      result.detail = messages::CantRename(copy->Path(), result.target, error);
  }
  if (!result.detail.empty()) {
    result.outcome = MakeExeResult::Outcome::kFailed;
    result.message = messages::CantCreate(result.target);
    return result;
  }
  result.outcome = MakeExeResult::Outcome::kCreated;
  result.message = result.target + " is created!";
  return result;
}

}  // namespace vornalis::exe
