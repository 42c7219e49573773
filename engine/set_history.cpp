#include "engine/set_history.h"

#include <algorithm>

#include "engine/messages.h"
#include "platform/endian.h"
#include "platform/path.h"
#include "platform/temp_file.h"

namespace vornalis {
namespace {

namespace par2 = recovery::par2;

constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kStepSize = 32;  // MD5, length, kept, and 4 bytes kept free
constexpr std::uint64_t kMostFileSize = par2::kHeaderSize + 12 +
                                        kStepSize * std::uint64_t{kMostRecordedAdds} +
                                        16 * std::uint64_t{kMostRetired};

std::string Encode(const SetHistory& history) {
  std::string body;
  AppendU32(&body, kVersion);
  AppendU32(&body, static_cast<std::uint32_t>(history.adds.size()));
  for (const SetHistory::Step& step : history.adds) {
    body += recovery::DigestBytes(step.header.md5);
    AppendU64(&body, step.header.length);
    AppendU32(&body, step.kept);
    AppendU32(&body, 0);
  }
  AppendU32(&body, static_cast<std::uint32_t>(history.retired.size()));
  for (const recovery::Md5Digest& id : history.retired) body += recovery::DigestBytes(id);
  return body;
}

std::optional<SetHistory> Decode(std::string_view body) {
  if (body.size() < 8 || ReadU32(body.data()) != kVersion) return std::nullopt;
  const std::uint32_t adds = ReadU32(body.data() + 4);
  if (adds > kMostRecordedAdds || body.size() < 12 + kStepSize * std::uint64_t{adds})
    return std::nullopt;
  SetHistory history;
  for (std::uint32_t i = 0; i < adds; ++i) {
    const char* step = body.data() + 8 + kStepSize * i;
    history.adds.push_back({{ReadU64(step + 16), recovery::DigestAt(step)}, ReadU32(step + 24)});
  }
  const char* rest = body.data() + 8 + kStepSize * adds;
  const std::uint32_t retired = ReadU32(rest);
  if (retired > kMostRetired ||
      body.size() < 12 + kStepSize * std::uint64_t{adds} + 16 * std::uint64_t{retired})
    return std::nullopt;
  for (std::uint32_t i = 0; i < retired; ++i)
    history.retired.push_back(recovery::DigestAt(rest + 4 + 16 * i));
  return history;
}

std::optional<SetHistory> HistoryIn(platform::File& file, std::uint64_t size) {
  std::optional<SetHistory> found;
  if (size <= kMostFileSize)
    par2::ReadPacketsOfType(file, size, par2::kHistoryType,
                            [&found](const par2::Id&, std::string_view body) {
                              found = Decode(body);
                              return false;
                            });
  return found;
}

// The history in the file at path; nothing when it is no plain file of this user that holds one.
std::optional<SetHistory> ReadHistoryAt(platform::FileSystem& fs, const std::string& path) {
  const Result<platform::FileInfo> info = fs.Inspect(path);
  if (!info.ok() || info->kind != platform::FileInfo::Kind::kRegular ||
      info->owner != platform::CurrentUser())
    return std::nullopt;
  auto file = fs.Open(path, platform::OpenMode::kRead);
  if (!file.ok()) return std::nullopt;
  return HistoryIn(*file, info->size);
}

}  // namespace

std::string HistoryPath(const SetPaths& paths) {
  const bool capitals = std::any_of(paths.extension.begin(), paths.extension.end(),
                                    [](char c) { return c >= 'A' && c <= 'Z'; });
  return paths.base + (capitals ? ".HISTORY.PAR2" : ".history.par2");
}

SetHistory ReadHistory(platform::FileSystem& fs, const SetPaths& paths) {
  return ReadHistoryAt(fs, HistoryPath(paths)).value_or(SetHistory{});
}

Status WriteHistory(platform::FileSystem& fs, const SetPaths& paths, const SetHistory& history) {
  const std::string path = HistoryPath(paths);
  const bool ours = ReadHistoryAt(fs, path).has_value();
  if (!ours && fs.Inspect(path).ok()) return messages::InTheWay(path);
  if (history.empty()) {
    if (ours) (void)fs.Remove(path);
    return Status::Ok();
  }
  const std::string body = Encode(history);
  const par2::Id id = recovery::Md5::Of(std::span<const char>(body.data(), body.size()));
  auto temp =
      platform::TempFile::Create(fs, platform::FolderOf(paths.base), TempPrefix(paths.base));
  if (!temp.ok()) return messages::CreateFailed(temp.status().For(path));
  if (Status written = temp->file().Write(par2::MakePacket(id, par2::kHistoryType, body));
      !written.ok())
    return messages::WriteFailed(written.For(path));
  if (Status placed = temp->Commit(path, true); !placed.ok())
    return messages::WriteFailed(placed.For(path));
  return Status::Ok();
}

SetHistory WithAdd(SetHistory history, const FileIdentity& before, const FileIdentity& after,
                   std::uint32_t kept) {
  std::vector<SetHistory::Step>& adds = history.adds;
  // The adds recorded lead to the header this one starts from, or they tell nothing of it.
  if (adds.empty() || adds.back().header != before) adds = {{before, 0}};
  adds.push_back({after, kept});
  if (adds.size() > kMostRecordedAdds) {
    adds[2].kept = std::min(adds[2].kept, adds[1].kept);
    adds.erase(adds.begin() + 1);
  }
  return history;
}

bool IsHistoryFile(platform::File& file, std::uint64_t size) {
  return HistoryIn(file, size).has_value();
}

std::optional<std::uint32_t> PiecesKeptSince(const SetHistory& history,
                                             const FileIdentity& protected_header,
                                             const FileIdentity& now) {
  const std::vector<SetHistory::Step>& steps = history.adds;
  // The latest step that made the header now, then back through the adds before it to the one
  // that started from the header protected.
  std::size_t last = steps.size();
  while (last > 0 && steps[last - 1].header != now) --last;
  if (last < 2) return std::nullopt;
  std::uint32_t kept = steps[last - 1].kept;
  for (std::size_t i = last - 1; i-- > 0;) {
    if (steps[i].header == protected_header) return kept;
    kept = std::min(kept, steps[i].kept);
  }
  return std::nullopt;
}

recovery::Md5Digest ContentId(const par2::RecoverySet& set) {
  std::string bytes;
  AppendU64(&bytes, set.slice_size);
  for (const par2::Id& id : set.file_ids) {
    bytes += recovery::DigestBytes(id);
    const auto file = set.files.find(id);
    if (file == set.files.end()) continue;
    AppendU64(&bytes, file->second.length);
    bytes += recovery::DigestBytes(file->second.hash);
  }
  return recovery::Md5::Of(std::span<const char>(bytes.data(), bytes.size()));
}

}  // namespace vornalis
