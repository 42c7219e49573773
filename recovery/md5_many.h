// MD5 of many messages of one length at once: recovery files hash every slice of the files they
// cover, and slices are all the slice size long. With AVX2 eight messages go through the rounds
// side by side, one in each 32-bit lane; elsewhere (and for what is left over) one at a time.
// The digests are those Md5 gives.
#pragma once

#include <cstddef>

#include "recovery/md5.h"

namespace vornalis::recovery {

// out[i] = MD5 of the length bytes at data[i], for i < count.
void Md5Many(const char* const* data, std::size_t count, std::size_t length, Md5Digest* out);

}  // namespace vornalis::recovery
