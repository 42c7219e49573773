// Asking the user for a piece that is not beside the set, as sets travel on several floppies or
// sticks: "Insert the disk with backup3.pec, or give the folder that holds it; Enter to retry,
// S to skip the files in it". Enter looks in the set's folder again (the disk was changed), a
// folder typed is looked in, S gives the piece up so that only its files fail. A file found
// that is not the piece (another set's, by its head or by the set's recovery files) is named,
// with why, before the question is asked again. Used only when
// the program can ask: on a terminal, or in a console window of its own.
#pragma once

#include <cstdint>
#include <string>

#include "engine/rebuild.h"

namespace vornalis::stub {

class DiskPrompt final : public PieceLocator {
 public:
  std::string Locate(std::uint32_t n, const std::string& path,
                     const std::string& refusal) noexcept override;
};

// Whether the user can be asked: input and messages on a terminal or console.
bool CanAsk();

}  // namespace vornalis::stub
