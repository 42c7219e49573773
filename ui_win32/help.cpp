#include "ui_win32/help.h"

#include <htmlhelp.h>

#include <bit>
#include <string>

#include "desktop/texts.h"
#include "platform/file_system.h"
#include "platform/path.h"
#include "platform/win32_path.h"
#include "ui_win32/message_boxes.h"

namespace vornalis::win32 {
namespace {

constexpr char kHelpFile[] = "Vornalis.chm";
constexpr wchar_t kViewer[] = L"hhctrl.ocx";
constexpr char kContentsTopic[] = "::/index.html";
constexpr char kUsingHelpTopic[] = "::/using-help.html";

// HtmlHelpW of the system's viewer, loaded when the help is first asked for (the program
// starts without it) and kept until the program ends.
using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
HtmlHelpFunction html_help = nullptr;

HtmlHelpFunction LoadViewer() {
  if (html_help == nullptr) {
    if (HMODULE viewer = ::LoadLibraryW(kViewer))
      html_help = std::bit_cast<HtmlHelpFunction>(::GetProcAddress(viewer, "HtmlHelpW"));
  }
  return html_help;
}

}  // namespace

void OpenHelp(HWND owner, bool how_to_use) {
  const std::string file = platform::FolderOf(platform::ProgramPath()) + kHelpFile;
  if (!platform::RealFileSystem().IsRegularFile(file)) {
    ShowError(owner, desktop::texts::HelpFileMissing(desktop::texts::Shown(file)));
    return;
  }
  const HtmlHelpFunction viewer = LoadViewer();
  if (viewer == nullptr) {
    ShowError(owner, desktop::texts::HelpViewerMissing(platform::Narrow(kViewer)));
    return;
  }
  const std::string topic = file + (how_to_use ? kUsingHelpTopic : kContentsTopic);
  viewer(owner, platform::Wide(topic).c_str(), HH_DISPLAY_TOPIC, 0);
}

void CloseHelp() {
  if (html_help != nullptr) html_help(nullptr, nullptr, HH_CLOSE_ALL, 0);
}

}  // namespace vornalis::win32
