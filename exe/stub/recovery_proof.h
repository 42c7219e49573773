// Proves the pieces a self-assembling program is given against the set's recovery files. The
// format has no set identity: another set's piece of the same number, given at the "insert the
// disk" question, has the same head. When recovery files made for the very header the program
// reads lie beside the set, they record each piece's length and MD5, and a piece that does not
// match is refused by name; without them every piece is taken on its head alone.
#pragma once

#include <cstdint>
#include <map>
#include <utility>

#include "engine/rebuild.h"
#include "engine/set_files.h"
#include "platform/file_system.h"
#include "recovery/md5.h"

namespace vornalis::stub {

class RecoveryProof final : public PieceProof {
 public:
  // Reads the recovery files beside the set at paths, if any are the set's (every file they
  // describe is one of its names, case ignored, and their header is the header there now).
  RecoveryProof(platform::FileSystem& fs, const SetPaths& paths);
  // Whether recovery files of the set were found.
  bool active() const { return !pieces_.empty(); }
  Status Prove(std::uint32_t n, platform::File& file, const std::string& path) noexcept override;

 private:
  std::map<std::uint32_t, std::pair<std::uint64_t, recovery::Md5Digest>> pieces_;
};

}  // namespace vornalis::stub
