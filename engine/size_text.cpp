#include "engine/size_text.h"

namespace vornalis {

std::string SizeText(std::uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " bytes";
  if (bytes < 1048576) return std::to_string(bytes / 1024) + " KB";
  return std::to_string(bytes / 1048576) + " MB";
}

std::string TotalsText(std::uint32_t count, std::uint64_t bytes) {
  return "Total " + std::to_string(count) + " files, " + SizeText(bytes);
}

std::string SelectionText(std::int32_t count, std::uint64_t bytes) {
  return "Selected " + std::to_string(count) + " files, " + SizeText(bytes);
}

}  // namespace vornalis
