#include <gtest/gtest.h>

#include "engine/piece_size.h"

namespace vornalis {
namespace {

TEST(PieceSizeTest, UnitsAndPresetsGiveTheirByteCounts) {
  EXPECT_EQ(*CustomPieceSize(200, SizeUnit::kKB), 204800u);
  EXPECT_EQ(*CustomPieceSize(3, SizeUnit::kMB), 3145728u);
  EXPECT_EQ(*CustomPieceSize(20, SizeUnit::kBytes), 20u);
  EXPECT_EQ(*CustomPieceSize(4095, SizeUnit::kMB), 4293918720u);
  // Would wrap to 0 on 32 bits; too small to hold the header.
  EXPECT_EQ(CustomPieceSize(4096, SizeUnit::kMB).status().message,
            "Piece size 4096MB is too large: a piece must be below 4 GB");
  EXPECT_FALSE(CustomPieceSize(4194304, SizeUnit::kKB).ok());
  EXPECT_FALSE(CustomPieceSize(19, SizeUnit::kBytes).ok());
  EXPECT_EQ(PresetPieceSize(0), 1474560u);
  EXPECT_EQ(PresetPieceSize(1), 737280u);
  EXPECT_EQ(PresetPieceSize(7), 1474560u);
}

TEST(PieceSizeTest, TypedSizesAreReadOrRefused) {
  const std::vector<std::pair<const char*, std::uint32_t>> good = {
      {"1.44MB", 1474560}, {"1.44mb", 1474560}, {"720KB", 737280}, {"200KB", 204800},
      {"200 kb", 204800},  {"3MB", 3145728},    {"1000", 1000},    {"20 bytes", 20},
  };
  for (const auto& [text, size] : good) {
    const Result<std::uint32_t> parsed = ParsePieceSize(text);
    EXPECT_TRUE(parsed.ok() && *parsed == size) << text << ": " << parsed.status().message;
  }
  for (const char* text :
       {"", "KB", "1.5MB", "-3KB", "12 GB", "99999999999", "8", "19 bytes", "0KB", "4096MB"}) {
    const Result<std::uint32_t> parsed = ParsePieceSize(text);
    EXPECT_FALSE(parsed.ok()) << text;
    EXPECT_FALSE(parsed.status().message.empty()) << text;
  }
}

TEST(PieceSizeTest, TheSizeChoiceAndTheCommandLineReadANumberAlike) {
  const std::pair<const char*, const char*> cases[] = {
      {"200", ""},
      {" +12 ", ""},
      {"2147483647", ""},
      {"2147483648", "'2147483648' is not a valid integer value"},
      {"", "'' is not a valid integer value"},
      {"1.5", "'1.5' is not a valid integer value"},
      {"0", "Must not be zero"},
      {"-5", "Must not be zero"},
  };
  for (const auto& [text, message] : cases) {
    EXPECT_EQ(CheckSizeNumber(text).status().message, message) << text;
    // The command line says the same of the number before a unit.
    const auto size = ParsePieceSize(std::string(text) + " bytes");
    const std::string& error = size.status().message;
    EXPECT_EQ(size.ok() || error.find("too small") != std::string::npos, *message == '\0')
        << text << ": " << error;
    EXPECT_TRUE(*message == '\0' || error.find(message) != std::string::npos) << error;
  }
}

}  // namespace
}  // namespace vornalis
