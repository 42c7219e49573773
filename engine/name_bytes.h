// The bytes a set stores for a name (a file's name, its folder, the set's name in a
// self-assembling program's patch area), so that sets cross between systems byte for byte.
//
// Sets were first written by Windows programs in the ANSI code page; inside this program names
// are UTF-8. A name is stored in code page 1252 when every character has a byte there and those
// bytes do not happen to form valid UTF-8 (which would read back as another name); otherwise it
// is stored in UTF-8. Stored bytes read back as UTF-8 when they are valid UTF-8, else as code
// page 1252 (platform::DecodeText). So "café.txt" is stored as caf E9 .txt by every writer, a
// Japanese name stays UTF-8, and sets written in UTF-8 by earlier versions read as before.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vornalis {

// The bytes to store for name (UTF-8). Bytes that are not UTF-8 are stored as they are.
std::string StoredNameBytes(std::string_view name);
// StoredNameBytes(name).size(), without making the bytes for a name in ASCII.
std::size_t StoredNameSize(std::string_view name);
// The name (UTF-8) that stored bytes stand for.
std::string NameFromStored(std::string_view bytes);

}  // namespace vornalis
