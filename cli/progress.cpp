#include "cli/progress.h"

#include <cstdio>

#include "cli/shown_name.h"
#include "engine/size_text.h"
#include "platform/console.h"

namespace vornalis::cli {
namespace {

std::string Rate(std::uint64_t bytes, double seconds) {
  if (seconds <= 0) return "";
  const double rate = static_cast<double>(bytes) / seconds;
  char text[32];
  if (rate >= 1048576)
    std::snprintf(text, sizeof text, "%.1f MB/s", rate / 1048576);
  else
    std::snprintf(text, sizeof text, "%.0f KB/s", rate / 1024);
  return text;
}

}  // namespace

ProgressLine::ProgressLine(bool quiet)
    : enabled_(!quiet && platform::IsTerminal(platform::Stream::kError)),
      start_(std::chrono::steady_clock::now()),
      last_(start_) {}

ProgressLine::~ProgressLine() { Finish(); }

void ProgressLine::Update(int percent, const std::string& name, std::uint64_t bytes) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  // A few updates a second are enough to read, and keep the terminal out of the way.
  if (shown_ && percent < 100 && now - last_ < std::chrono::milliseconds(100)) return;
  last_ = now;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const std::string escaped = EscapeControls(name);
  std::string shown_name =
      escaped.size() > 40 ? "..." + escaped.substr(escaped.size() - 37) : escaped;
  std::fprintf(stderr, "\r\033[K%3d%%  %-40s  %s", percent, shown_name.c_str(),
               Rate(bytes, seconds).c_str());
  std::fflush(stderr);
  shown_ = true;
}

void ProgressLine::Finish() {
  if (!shown_) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  shown_ = false;
}

}  // namespace vornalis::cli
