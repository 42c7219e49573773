// The Windows stub's patch area: a block of zero bytes that the linker puts first in the file
// (windows_stub.cmake), so that file offsets 32824 to 33087, where Make .EXE writes the set's
// file count and name, hold nothing of the program. Nothing reads it in memory; the stub reads
// its patch area from its own file. check_pe_stub.sh checks where it lies.
extern const char kPatchBlock[];
__attribute__((section(".patch"), used)) const char kPatchBlock[33280] = {};
