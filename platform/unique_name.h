// Names for new files that no other entry is likely to have: prefix and six letters or digits.
// Callers create the file exclusively and try again on a clash, so a simple generator, seeded
// from the clocks and the process, is enough. Safe to call from several threads.
#pragma once

#include <string>

namespace vornalis::platform {

std::string UniqueName(const std::string& prefix);

}  // namespace vornalis::platform
