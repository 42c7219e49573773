#include "engine/set_files.h"

#include <cerrno>

#include <array>
#include <vector>

#include "engine/format.h"
#include "engine/messages.h"
#include "platform/endian.h"
#include "platform/path.h"

namespace vornalis {
namespace {

// Reads the first bytes of path into head; returns how many could be read.
Result<std::size_t> ReadHead(platform::FileSystem& fs, const std::string& path,
                             std::array<char, 8>* head) {
  auto file = fs.Open(path, platform::OpenMode::kRead);
  if (!file.ok()) return file.status();
  return file->Read(*head);
}

bool HasMagic(const std::array<char, 8>& head, std::size_t length, std::string_view magic) {
  return length >= 4 && std::string_view(head.data(), 4) == magic;
}

// A header's head, of either form.
bool HasHeaderMagic(const std::array<char, 8>& head, std::size_t length) {
  return length >= 4 && format::IsHeaderMagic(std::string_view(head.data(), 4));
}

Status Invalid(const std::string& path) {
  return Status::Error(Status::Code::kFormat, path, messages::InvalidPiece(path));
}

}  // namespace

std::string SetPaths::Piece(std::uint32_t number) const {
  return base + std::to_string(number) + extension;
}

std::uint32_t ParsePieceNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 10 || digits[0] == '0') return 0;
  std::uint64_t n = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return n > 0xFFFFFFFFull ? 0 : static_cast<std::uint32_t>(n);
}

std::uint32_t PieceNumberOf(const SetPaths& set, std::string_view file_name) {
  const std::string name = SetNameOf(set.base);
  const std::string& ext = set.extension;
  if (file_name.size() <= name.size() + ext.size() || file_name.substr(0, name.size()) != name ||
      file_name.substr(file_name.size() - ext.size()) != ext)
    return 0;
  return ParsePieceNumber(
      file_name.substr(name.size(), file_name.size() - name.size() - ext.size()));
}

// Whether text is ".pec" in any mix of case.
static bool IsExtension(std::string_view text) {
  if (text.size() != format::kExtension.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if ((text[i] | 0x20) != format::kExtension[i]) return false;
  return true;
}

SetNameMatcher::SetNameMatcher(const SetPaths& paths, Fold fold)
    : fold_(fold),
      name_(fold(SetNameOf(paths.base))),
      extension_(fold(paths.extension)),
      exact_name_(SetNameOf(paths.base)),
      exact_extension_(paths.extension) {}

SetNameMatcher::SetNameMatcher(const SetPaths& paths, Fold fold,
                               const std::vector<platform::DirEntry>& folder,
                               bool folder_ignores_case)
    : SetNameMatcher(paths, fold) {
  folder_known_ = !folder_ignores_case;
  if (!folder_known_) return;
  for (const platform::DirEntry& entry : folder)
    if (FoldedNumber(entry.name)) listed_.insert(entry.name);
}

std::optional<std::uint32_t> SetNameMatcher::FoldedNumber(std::string_view file_name) const {
  const std::string name = fold_(file_name);
  if (name.size() < name_.size() + extension_.size() || name.compare(0, name_.size(), name_) != 0 ||
      name.compare(name.size() - extension_.size(), extension_.size(), extension_) != 0)
    return std::nullopt;
  const std::string_view digits =
      std::string_view(name).substr(name_.size(), name.size() - name_.size() - extension_.size());
  if (digits.empty()) return 0;
  const std::uint32_t n = ParsePieceNumber(digits);
  if (n == 0) return std::nullopt;
  return n;
}

std::string SetNameMatcher::ExactName(std::uint32_t number) const {
  return exact_name_ + (number == 0 ? std::string() : std::to_string(number)) + exact_extension_;
}

bool SetNameMatcher::OtherSetsName(std::string_view file_name, std::uint32_t number) const {
  if (listed_.contains(file_name)) return true;
  // The header of the set whose piece file_name would be: the name without the piece's number
  // before its extension.
  const std::string digits = number == 0 ? std::string() : std::to_string(number);
  const std::size_t extension = exact_extension_.size();
  if (file_name.size() < extension + digits.size()) return false;
  const std::string_view stem = file_name.substr(0, file_name.size() - extension);
  if (!stem.ends_with(digits)) return false;
  const std::string header = std::string(stem.substr(0, stem.size() - digits.size())) +
                             std::string(file_name.substr(stem.size()));
  return header != ExactName(0) && listed_.contains(header);
}

std::optional<std::uint32_t> SetNameMatcher::Of(std::string_view file_name) const {
  const std::optional<std::uint32_t> number = FoldedNumber(file_name);
  if (!number || !folder_known_ || file_name == ExactName(*number)) return number;
  if (OtherSetsName(file_name, *number)) return std::nullopt;
  return number;
}

std::string FoldAscii(std::string_view text) {
  std::string folded(text);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return folded;
}

std::string BasePathOf(std::string_view path) {
  const std::size_t ext = format::kExtension.size();
  if (path.size() > ext && IsExtension(path.substr(path.size() - ext))) path.remove_suffix(ext);
  return std::string(path);
}

SetPaths FindSetPaths(platform::FileSystem& fs, const std::string& base_path) {
  SetPaths paths{base_path};
  if (fs.Exists(paths.Header())) return paths;
  // Another spelling of the extension, if the folder holds one.
  const std::string folder = platform::FolderOf(base_path);
  const std::string name = SetNameOf(base_path);
  const auto entries = fs.ListDirectory(folder.empty() ? "." : folder);
  if (!entries.ok()) return paths;
  for (const platform::DirEntry& entry : *entries)
    if (entry.name.size() == name.size() + format::kExtension.size() &&
        entry.name.compare(0, name.size(), name) == 0 &&
        IsExtension(std::string_view(entry.name).substr(name.size())))
      return SetPaths{base_path, entry.name.substr(name.size())};
  return paths;
}

std::string HeaderPath(std::string_view base_path) {
  return std::string(base_path) + std::string(format::kExtension);
}

std::string PiecePath(std::string_view base_path, std::uint32_t number) {
  return std::string(base_path) + std::to_string(number) + std::string(format::kExtension);
}

std::string SetNameOf(std::string_view base_path) { return platform::FileNameOf(base_path); }

std::string TempPrefix(std::string_view base_path) {
  return std::string(format::kTempPrefix) + SetNameOf(base_path) + "~";
}

Result<SetPaths> IdentifySetFile(const std::string& path, platform::FileSystem& fs) {
  std::array<char, 8> head{};
  const Result<std::size_t> length = ReadHead(fs, path, &head);
  if (!length.ok()) return messages::OpenFailed(length.status());
  // The extension is taken as the chosen file spells it (none, for a header copied without
  // it), and the set's other files are looked for with the same spelling.
  const std::string stem = BasePathOf(path);
  const std::string extension = path.substr(stem.size());
  if (HasHeaderMagic(head, *length)) return SetPaths{stem, extension};
  // A piece's name is the base path, its number as its head gives it, and the extension.
  const std::string number = HasMagic(head, *length, format::kPieceMagic) && *length >= 8
                                 ? std::to_string(ReadU32(head.data() + 4))
                                 : std::string();
  const std::string name = platform::FileNameOf(stem);
  if (number.empty() || name.size() <= number.size() ||
      name.compare(name.size() - number.size(), number.size(), number) != 0)
    return Invalid(path);
  const SetPaths paths{stem.substr(0, stem.size() - number.size()), extension};
  const std::string header = paths.Header();
  std::array<char, 8> header_head{};
  const Result<std::size_t> header_length = ReadHead(fs, header, &header_head);
  if (!header_length.ok()) return messages::OpenFailed(header_length.status());
  if (!HasHeaderMagic(header_head, *header_length)) return Invalid(header);
  return paths;
}

Result<std::unique_ptr<platform::Lock>> LockSet(platform::FileSystem& fs, const SetPaths& paths) {
  Result<std::unique_ptr<platform::Lock>> lock = fs.LockFile(paths.Lock());
  if (lock.ok()) return lock;
  const std::string header = paths.Header();
  if (lock.error() == EWOULDBLOCK)
    return Status::Error(Status::Code::kInUse, header, messages::SetInUse(header));
  if (lock.error() == platform::kNotALockFile) return messages::InTheWay(paths.Lock());
  return messages::CreateFailed(lock.status());
}

}  // namespace vornalis
