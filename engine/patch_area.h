// Where Make .EXE writes into its copy of the stub, and what the stub reads back when it runs
// (the engine reads it too, to know a program made from a set when it meets one):
// the number of stored files as a u32 at kCountOffset, then the set's name at kNameOffset,
// without length or terminator (the stub's zero padding ends it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vornalis::exe {

inline constexpr std::uint32_t kCountOffset = 32824;  // 0x8038
inline constexpr std::uint32_t kNameOffset = 32828;   // 0x803C
// Room for the name: the platform's longest path.
inline constexpr std::uint32_t kMaxNameLength = 260;
// The stub's file is at least this long, its patch area zero bytes that the program never reads.
inline constexpr std::uint32_t kStubMinSize = kNameOffset + kMaxNameLength;
// The stubs beside the programs that make self-assembling programs: the Windows program that
// Make .EXE copies to <set>.exe, and the program for the system the tools run on, which
// make-exe --native copies to <set>.run.
inline constexpr std::string_view kStubFileName = "ext.dll";
inline constexpr std::string_view kNativeStubFileName = "ext-native";
// How the stub's file begins: a program of this system (ELF) or of Windows (MZ).
inline constexpr std::string_view kElfMagic =
    "\x7f"
    "ELF";
inline constexpr std::string_view kWindowsMagic = "MZ";
inline constexpr std::string_view kExeExtension = ".exe";
inline constexpr std::string_view kNativeExtension = ".run";

}  // namespace vornalis::exe
