// Driving another process's windows the way a user would, from outside: finding its windows by
// title, typing into and clicking their controls, and reading what its list view and status bar
// show. Messages that need a buffer (a list row, a status panel, a folder to select) carry it
// through memory taken in the other process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vornalis::testing {

// A program started with a command line and a current folder; ended (WM_CLOSE, then killed) when
// destroyed.
class RemoteProgram {
 public:
  RemoteProgram(const std::wstring& program, const std::wstring& arguments,
                const std::wstring& folder);
  ~RemoteProgram();
  RemoteProgram(const RemoteProgram&) = delete;
  RemoteProgram& operator=(const RemoteProgram&) = delete;

  bool started() const { return process_ != nullptr; }
  // A visible top-level window of the program with exactly this title; null after the wait.
  HWND WaitWindow(const std::wstring& title, DWORD milliseconds = 30000) const;
  // The title of its visible top-level windows, for messages.
  std::wstring Titles() const;
  // The program's exit code once it ends within the wait, or STILL_ACTIVE.
  DWORD WaitEnd(DWORD milliseconds = 30000);

  // Buffers in the program's memory.
  std::vector<std::wstring> ListColumn(HWND list, int column) const;
  std::wstring StatusPanel(HWND status, int panel) const;
  // Selects a folder in a folder browser (BFFM_SETSELECTIONW with its path).
  void SelectFolder(HWND browser, const std::wstring& folder) const;

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// Runs a program to its end (two minutes at most); its exit code, else kNotStarted.
inline constexpr DWORD kNotStarted = 1000;
DWORD RunToEnd(const std::wstring& program, const std::wstring& arguments,
               const std::wstring& folder);

// The first child (at any depth) with this control id.
HWND Child(HWND parent, int id);
// The first child (at any depth) of this window class.
HWND ChildOfClass(HWND parent, const std::wstring& window_class);
std::wstring TextOf(HWND window);
// Every static text of a dialog, joined by newlines (a message box's text).
std::wstring StaticTexts(HWND dialog);
void SetText(HWND control, const std::wstring& text);
// Presses a dialog's button by its id, as a click would, without waiting for what it starts.
void Press(HWND dialog, int id);

}  // namespace vornalis::testing
