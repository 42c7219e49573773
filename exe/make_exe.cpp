#include "exe/make_exe.h"

#include "engine/leftovers.h"
#include "engine/messages.h"
#include "engine/name_bytes.h"
#include "engine/patch_area.h"
#include "engine/set_files.h"
#include "platform/endian.h"
#include "platform/path.h"
#include "platform/temp_file.h"

namespace vornalis::exe {
namespace {

// On Windows the native program is the Windows one.
bool IsWindowsKind(StubKind kind) { return kind == StubKind::kWindows || platform::kWindows; }

// Copies the stub into a new file beside target and patches it; returns it finished and ready
// to take target's name, or the failure of the file that failed.
Result<std::unique_ptr<platform::TempFile>> MakePatchedCopy(platform::FileSystem& fs,
                                                            const std::string& stub_path,
                                                            const std::string& target,
                                                            std::uint32_t count,
                                                            const std::string& name) {
  auto stub = fs.Open(stub_path, platform::OpenMode::kRead);
  if (!stub.ok()) return stub.status();
  const Result<std::uint64_t> size = stub->Size();
  if (!size.ok()) return size.status();
  // A copy that a Make .EXE which died left behind goes first.
  const std::string folder = platform::FolderOf(target);
  const std::string prefix = TempPrefix(target.substr(0, target.size() - kExeExtension.size()));
  static_assert(kExeExtension.size() == kNativeExtension.size());
  RemoveLeftoverTemporaries(fs, folder, prefix, {kElfMagic, kWindowsMagic});
  auto copy = platform::TempFile::Create(fs, folder, prefix);
  if (!copy.ok()) return copy.status().For(target);
  std::string patch;
  AppendU32(&patch, count);
  patch += name;
  std::vector<char> buffer(1 << 16);
  Status step = fs.Copy(*stub, copy->file(), *size, buffer);
  if (step.ok()) step = copy->file().Seek(kCountOffset);
  if (step.ok()) step = copy->file().Write(patch);
  if (step.ok()) step = copy->Finish(false);
  if (step.ok()) step = fs.CopyPermissions(stub_path, copy->Path());
  if (!step.ok()) return step.path == stub_path ? step : step.For(target);
  return copy;
}

}  // namespace

std::string StubBeside(const std::string& program_path, StubKind kind) {
  return platform::FolderOf(program_path) +
         std::string(IsWindowsKind(kind) ? kStubFileName : kNativeStubFileName);
}

Result<std::string> MakeExe(const PieceSet& set, const std::string& stub_path, StubKind kind,
                            platform::FileSystem& fs) {
  const std::string target =
      set.BasePath() + std::string(IsWindowsKind(kind) ? kExeExtension : kNativeExtension);
  std::uint32_t total = 0;
  const int count = set.GetTotals(total);
  if (count == 0)
    return Status::Error(Status::Code::kRefused, target, std::string(messages::kExeWithoutFiles));
  // The patch area holds the name as a set stores names, so either system's stub reads it.
  const std::string name = StoredNameBytes(set.SetName());
  if (name.size() > kMaxNameLength)
    return Status::Error(Status::Code::kRefused, target,
                         messages::ExeNameTooLong(set.SetName(), kMaxNameLength));
  auto copy = MakePatchedCopy(fs, stub_path, target, static_cast<std::uint32_t>(count), name);
  Status made = copy.ok() ? copy->PutInPlace(target) : copy.status();
  if (!made.ok() && made.path == stub_path)
    return messages::Said(
        made, messages::StubUnreadable(target, stub_path, platform::ErrorText(made.error)));
  if (!made.ok()) return messages::Said(made, messages::CantCreate(target));
  return target;
}

}  // namespace vornalis::exe
