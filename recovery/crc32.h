// CRC-32 as Ethernet, zip and PAR 2.0 compute it (polynomial 0xEDB88320, reflected, starting
// from and finished with all bits set).
#pragma once

#include <cstdint>
#include <span>

namespace vornalis::recovery {

// The CRC of data, continued from crc (the CRC of what came before, 0 for nothing).
std::uint32_t Crc32(std::span<const char> data, std::uint32_t crc = 0);

}  // namespace vornalis::recovery
