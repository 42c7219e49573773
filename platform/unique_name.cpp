#include "platform/unique_name.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>

namespace vornalis::platform {

std::string UniqueName(const std::string& prefix) {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::atomic<std::uint64_t> state{
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      (static_cast<std::uint64_t>(std::random_device{}()) << 32)};
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
