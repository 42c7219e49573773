#include "platform/unique_name.h"

#include <atomic>
#include <cstdint>
#include <ctime>

namespace vornalis::platform {

std::string UniqueName(const std::string& prefix) {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  // Seeded from the time, the processor time used so far and where the system placed this
  // program in memory, which differs between processes. (The C library's clocks, not
  // std::chrono's, which would bring the C++ library's exception support into the stub.)
  static std::atomic<std::uint64_t> state{
      (static_cast<std::uint64_t>(std::time(nullptr)) << 32) ^
      static_cast<std::uint64_t>(std::clock()) ^
      (static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&state)) << 12)};
  // Each call takes its own step of the sequence, whichever thread makes it.
  std::uint64_t x = state.fetch_add(0x9E3779B97F4A7C15ull) + 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  x ^= x >> 31;
  std::string name = prefix;
  for (int i = 0; i < 6; ++i) {
    name += kLetters[x % (sizeof(kLetters) - 1)];
    x /= sizeof(kLetters) - 1;
  }
  return name;
}

}  // namespace vornalis::platform
