// vornalis.exe driven from outside as a user drives it: started on a set, with the start-up jobs
// of its command line, and through its menus and the system's dialogs (New with a typed size,
// Add, Add Folder, Assemble into a folder it creates, a break-off answered "No", Make .EXE,
// About, the help, Close); a set whose names Windows reserves assembled at the start. What it shows
// is read from its own windows; what it stores and rebuilds from the disk. Runs under Wine on an X
// server (tests/windows/face_test.sh), never among the plain tests.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "desktop/commands.h"
#include "tests/ui_win32/remote_window.h"
#include "ui_win32/resource.h"

namespace vornalis::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kFileNameBox = 0x47c;  // the Explorer-style file dialogs' name box (cmb13)
constexpr int kOldFileNameBox = 0x480;

fs::path ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path();
}

std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& file, std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + seed * 7) >> 3);
  std::ofstream(file, std::ios::binary) << bytes;
}

bool SameFile(const fs::path& a, const fs::path& b) {
  return fs::exists(a) && fs::exists(b) && Contents(a) == Contents(b);
}

// Whether every file below `from` is in `to` with the same bytes.
bool SameTree(const fs::path& from, const fs::path& to) {
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(from)) {
    if (!entry.is_regular_file()) continue;
    const fs::path copy = to / fs::relative(entry.path(), from);
    if (!fs::exists(copy) || Contents(copy) != Contents(entry.path())) return false;
  }
  return true;
}

template <typename Predicate>
bool Eventually(Predicate predicate, int seconds = 30) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!predicate()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

int CommandId(desktop::Command command) { return IDM_COMMAND_BASE + static_cast<int>(command); }

class FaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    work_ = fs::path(temp) / (L"vornalis-face-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                              std::to_wstring(::GetTickCount64()));
    fs::create_directories(work_ / L"src" / L"docs");
    WriteFile(work_ / L"src" / L"f1.bin", 30000, 1);
    WriteFile(work_ / L"src" / L"f2.bin", 60000, 2);
    WriteFile(work_ / L"src" / L"docs" / L"a.txt", 3, 3);
    WriteFile(work_ / L"src" / L"docs" / L"b.txt", 90000, 4);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(work_, ignored);
  }

  // The set "set" of the src folder, on pieces of `piece` bytes, made by the CLI.
  void MakeSet(const std::wstring& name, const fs::path& source, unsigned piece) {
    RunCli(L"create -q --size " + std::to_wstring(piece) + L" \"" + (work_ / name).wstring() +
           L"\" \"" + source.wstring() + L"\"");
  }
  DWORD RunCli(const std::wstring& arguments) {
    return RunToEnd((ProgramFolder() / L"vornalis-cli.exe").wstring(), arguments, work_.wstring());
  }
  std::wstring Quoted(const fs::path& path) { return L"\"" + path.wstring() + L"\""; }

  std::unique_ptr<RemoteProgram> Start(const std::wstring& arguments) {
    auto program = std::make_unique<RemoteProgram>((ProgramFolder() / L"vornalis.exe").wstring(),
                                                   arguments, work_.wstring());
    EXPECT_TRUE(program->started());
    return program;
  }
  // A message box of this title that shows; its text. Pressed with `answer` afterwards.
  std::wstring Answer(RemoteProgram& program, const std::wstring& title, int answer) {
    HWND box = program.WaitWindow(title);
    if (box == nullptr) return L"no window " + title + L" among " + program.Titles();
    const std::wstring text = StaticTexts(box);
    Press(box, answer);
    return text;
  }
  void Command(HWND main, desktop::Command command) {
    ::PostMessageW(main, WM_COMMAND, CommandId(command), 0);
  }
  void TypeFileName(HWND dialog, const std::wstring& names) {
    HWND box = Child(dialog, kFileNameBox);
    if (box == nullptr) box = Child(dialog, kOldFileNameBox);
    ASSERT_NE(box, nullptr);
    SetText(box, names);
  }

  fs::path work_;
};

TEST_F(FaceTest, AStartedSetIsListedWithItsTotalsAndTheStartUpJobsAddAndAssemble) {
  MakeSet(L"set", work_ / L"src", 50000);
  {
    auto program = Start(Quoted(work_ / L"set.pec"));
    HWND main = program->WaitWindow(L"set-Dorvelin");
    ASSERT_NE(main, nullptr) << program->Titles();
    HWND list = Child(main, IDC_LIST);
    EXPECT_EQ(program->ListColumn(list, 0),
              (std::vector<std::wstring>{L"a.txt", L"b.txt", L"f1.bin", L"f2.bin"}));
    EXPECT_EQ(program->ListColumn(list, 2),
              (std::vector<std::wstring>{L"3", L"90000", L"30000", L"60000"}));
    EXPECT_EQ(program->ListColumn(list, 3)[0], L"src\\docs\\");
    HWND status = Child(main, IDC_STATUS);
    EXPECT_EQ(program->StatusPanel(status, 1), L"Total 4 files, 175 KB");
    EXPECT_EQ(program->WaitEnd(0), STILL_ACTIVE);
  }
  // "set.pec /e out": the set rebuilt into a new folder at the start.
  {
    auto program = Start(Quoted(work_ / L"set.pec") + L" /e " + Quoted(work_ / L"out"));
    EXPECT_TRUE(Eventually([&] {
      return fs::exists(work_ / L"out" / L"src") &&
             SameTree(work_ / L"src", work_ / L"out" / L"src");
    })) << program->Titles();
    EXPECT_NE(program->WaitWindow(L"set-Dorvelin"), nullptr) << program->Titles();
  }
  // "made.pec /f list": the files of the list stored in a new set, at the size chosen.
  std::ofstream(work_ / L"files.lst", std::ios::binary)
      << (work_ / L"src" / L"f1.bin").string() << "\r\n"
      << (work_ / L"src" / L"docs" / L"b.txt").string() << "\r\n";
  {
    auto program = Start(Quoted(work_ / L"made.pec") + L" /f " + Quoted(work_ / L"files.lst"));
    HWND size = program->WaitWindow(L"Choose piece size");
    ASSERT_NE(size, nullptr) << program->Titles();
    Press(size, IDOK);
    HWND main = program->WaitWindow(L"made-Dorvelin");
    ASSERT_NE(main, nullptr) << program->Titles();
    ASSERT_TRUE(
        Eventually([&] { return program->ListColumn(Child(main, IDC_LIST), 0).size() == 2; }));
    // The user's session ends (log off): the set is closed properly before the system ends the
    // program, which leaves no lock behind.
    EXPECT_TRUE(::SendMessageW(main, WM_QUERYENDSESSION, 0, 0));
    ::SendMessageW(main, WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(fs::exists(work_ / L"made.pec.lock"));
  }
  EXPECT_EQ(RunCli(L"extract -q " + Quoted(work_ / L"made.pec") + L" " + Quoted(work_ / L"made")),
            0u);
  EXPECT_TRUE(SameFile(work_ / L"made" / L"f1.bin", work_ / L"src" / L"f1.bin"));
  EXPECT_TRUE(SameFile(work_ / L"made" / L"docs" / L"b.txt", work_ / L"src" / L"docs" / L"b.txt"));
}

TEST_F(FaceTest, NewAddAddFolderAndAssembleThroughTheSystemsDialogs) {
  auto program = Start(L"");
  HWND main = program->WaitWindow(L"Dorvelin");
  ASSERT_NE(main, nullptr) << program->Titles();

  // New, with a size typed into the panel under the save dialog.
  Command(main, desktop::Command::kNew);
  HWND save = program->WaitWindow(L"Save As");
  ASSERT_NE(save, nullptr) << program->Titles();
  TypeFileName(save, (work_ / L"new.pec").wstring());
  ::SendMessageW(Child(save, IDC_CUSTOM), BM_CLICK, 0, 0);
  SetText(Child(save, IDC_SIZE_VALUE), L"40000");
  ::SendMessageW(Child(save, IDC_UNIT), CB_SETCURSEL, 0, 0);  // bytes
  Press(save, IDOK);
  ASSERT_NE(program->WaitWindow(L"new-Dorvelin"), nullptr) << program->Titles();

  // Add: two files typed into the open dialog, which starts in the program's folder.
  Command(main, desktop::Command::kAdd);
  HWND add = program->WaitWindow(L"Open");
  ASSERT_NE(add, nullptr) << program->Titles();
  TypeFileName(add, (work_ / L"src").wstring());  // a folder typed is opened
  Press(add, IDOK);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  TypeFileName(add, L"\"f1.bin\" \"f2.bin\"");
  Press(add, IDOK);
  HWND list = Child(main, IDC_LIST);
  ASSERT_TRUE(Eventually([&] { return program->ListColumn(list, 0).size() == 2; }))
      << program->Titles();

  // Add Folder: the folder selected in the browser.
  Command(main, desktop::Command::kAddFolder);
  HWND browser = program->WaitWindow(L"Add Folder");
  ASSERT_NE(browser, nullptr) << program->Titles();
  program->SelectFolder(browser, (work_ / L"src" / L"docs").wstring());
  Press(browser, IDOK);
  ASSERT_TRUE(Eventually([&] { return program->ListColumn(list, 0).size() == 4; }))
      << program->Titles();
  EXPECT_EQ(program->StatusPanel(Child(main, IDC_STATUS), 1), L"Total 4 files, 175 KB");
  // Stored means on the disk: another program reads the set while this one holds it open.
  EXPECT_EQ(RunCli(L"verify -q " + Quoted(work_ / L"new.pec")), 0u);

  // Assemble into a folder that does not exist yet: typed into the panel, created on "Yes".
  Command(main, desktop::Command::kAssemble);
  HWND folder = program->WaitWindow(L"Choose Folder Dialog");
  ASSERT_NE(folder, nullptr) << program->Titles();
  SetText(Child(folder, IDC_FOLDER), (work_ / L"rebuilt").wstring());
  Press(folder, IDOK);
  EXPECT_NE(Answer(*program, L"Warning", IDYES).find(L"doesn't exist, do you want to create it?"),
            std::wstring::npos);
  EXPECT_TRUE(Eventually([&] {
    return fs::exists(work_ / L"rebuilt" / L"docs" / L"b.txt") &&
           Contents(work_ / L"rebuilt" / L"docs" / L"b.txt") ==
               Contents(work_ / L"src" / L"docs" / L"b.txt") &&
           Contents(work_ / L"rebuilt" / L"f2.bin") == Contents(work_ / L"src" / L"f2.bin");
  })) << program->Titles();
  EXPECT_TRUE(SameFile(work_ / L"rebuilt" / L"f1.bin", work_ / L"src" / L"f1.bin"));
  EXPECT_TRUE(
      SameFile(work_ / L"rebuilt" / L"docs" / L"a.txt", work_ / L"src" / L"docs" / L"a.txt"));
  ASSERT_NE(program->WaitWindow(L"new-Dorvelin"), nullptr) << program->Titles();

  // Make .EXE: the program beside the set, told in an information box.
  Command(main, desktop::Command::kMakeExe);
  const std::wstring made = Answer(*program, L"Information", IDOK);
  EXPECT_NE(made.find(L"new.exe"), std::wstring::npos) << made;
  // The made program rebuilds the set beside it into the folder it is given.
  EXPECT_EQ(RunToEnd((work_ / L"new.exe").wstring(), Quoted(work_ / L"from-exe"), work_.wstring()),
            0u);
  EXPECT_TRUE(SameFile(work_ / L"from-exe" / L"f1.bin", work_ / L"src" / L"f1.bin"));
  EXPECT_TRUE(
      SameFile(work_ / L"from-exe" / L"docs" / L"b.txt", work_ / L"src" / L"docs" / L"b.txt"));

  // About, closed with its button.
  Command(main, desktop::Command::kHelpAbout);
  HWND about = program->WaitWindow(L"About Vornalis");
  ASSERT_NE(about, nullptr) << program->Titles();
  EXPECT_NE(StaticTexts(about).find(L"Version"), std::wstring::npos) << StaticTexts(about);
  Press(about, IDOK);
  EXPECT_TRUE(Eventually([&] { return program->WaitWindow(L"About Vornalis", 0) == nullptr; }));

  // F1's command opens the compiled help beside the program, in a window of the program's own.
  Command(main, desktop::Command::kHelpContents);
  HWND help = program->WaitWindow(L"Vornalis Help");
  ASSERT_NE(help, nullptr) << program->Titles();
  ::PostMessageW(help, WM_CLOSE, 0, 0);
  EXPECT_TRUE(Eventually([&] { return program->WaitWindow(L"Vornalis Help", 0) == nullptr; }));

  // Close empties the list and the totals and leaves the caption.
  ASSERT_TRUE(Eventually([&] { return ::IsWindowEnabled(main) != FALSE; }));
  Command(main, desktop::Command::kClose);
  EXPECT_TRUE(Eventually([&] { return program->ListColumn(list, 0).empty(); }));
  EXPECT_EQ(program->StatusPanel(Child(main, IDC_STATUS), 1), L"Total 0 files, 0 bytes");
  EXPECT_EQ(TextOf(main), L"new-Dorvelin");
}

// A set of one piece kept whole in its header, written byte by byte as the format lays it out:
// files whose names Windows reserves cannot be made here to be stored.
void WriteOnePieceSet(const fs::path& header,
                      const std::vector<std::pair<std::string, std::string>>& files) {
  const auto u32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  const auto u16 = [](std::size_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8)};
  };
  std::string tail, records;
  for (const auto& [name, content] : files) {
    records += u32(1) + u32(static_cast<std::uint32_t>(8 + tail.size())) +
               u32(static_cast<std::uint32_t>(content.size())) + u16(0) + u16(name.size()) + name;
    tail += content;
  }
  std::ofstream(header, std::ios::binary)
      << "QBXR" << u32(0) << u32(100000) << u32(1) << u32(static_cast<std::uint32_t>(tail.size()))
      << tail << u32(static_cast<std::uint32_t>(records.size())) << records << u32(0xFFFFFFFFu);
}

// The names in a folder, as the system lists them, sorted.
std::vector<std::wstring> Names(const fs::path& folder) {
  std::vector<std::wstring> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().wstring());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(FaceTest, NamesWindowsReservesAreAssembledUnderNamesItAcceptsAndListedAsErrors) {
  WriteOnePieceSet(work_ / L"reserved.pec", {{"aux.c", "device"},
                                             {"_aux.c", "underscore"},
                                             {"nul.txt", "null"},
                                             {"com1.log", "port"},
                                             {"name.", "dot"},
                                             {"plain.txt", "plain"}});
  auto program = Start(Quoted(work_ / L"reserved.pec") + L" /e " + Quoted(work_ / L"out"));
  HWND errors = program->WaitWindow(L"Error");
  ASSERT_NE(errors, nullptr) << program->Titles();
  const std::wstring listed = TextOf(Child(errors, IDC_ERRORS));
  for (const wchar_t* said :
       {L"aux.c was rebuilt as __aux.c: Windows reserves that name",
        L"nul.txt was rebuilt as _nul.txt: Windows reserves that name",
        L"com1.log was rebuilt as _com1.log: Windows reserves that name",
        L"name. was rebuilt as name_: Windows does not keep a dot or a space at the end of a name",
        L"4 error(s) occured."})
    EXPECT_NE(listed.find(said), std::wstring::npos) << said << " not in " << listed;
  Press(errors, IDOK);
  EXPECT_EQ(Names(work_ / L"out"),
            (std::vector<std::wstring>{L"__aux.c", L"_aux.c", L"_com1.log", L"_nul.txt", L"name_",
                                       L"plain.txt"}));
  EXPECT_EQ(Contents(work_ / L"out" / L"__aux.c"), "device");
  EXPECT_EQ(Contents(work_ / L"out" / L"_aux.c"), "underscore");
  EXPECT_EQ(Contents(work_ / L"out" / L"name_"), "dot");
  EXPECT_NE(program->WaitWindow(L"reserved-Dorvelin"), nullptr) << program->Titles();
}

TEST_F(FaceTest, AKeyPressDuringAssembleAsksAndNoStopsWithTheFilesRebuiltSoFarWhole) {
  fs::create_directories(work_ / L"many");
  constexpr int kFiles = 60;
  for (int i = 0; i < kFiles; ++i)
    WriteFile(work_ / L"many" / (L"f" + std::to_wstring(100 + i) + L".bin"), 400000, i);
  MakeSet(L"big", work_ / L"many", 1457664);
  auto program = Start(Quoted(work_ / L"big.pec"));
  HWND main = program->WaitWindow(L"big-Dorvelin");
  ASSERT_NE(main, nullptr) << program->Titles();
  Command(main, desktop::Command::kAssemble);
  HWND folder = program->WaitWindow(L"Choose Folder Dialog");
  ASSERT_NE(folder, nullptr) << program->Titles();
  SetText(Child(folder, IDC_FOLDER), (work_ / L"out").wstring());
  Press(folder, IDOK);
  Answer(*program, L"Warning", IDYES);
  ASSERT_TRUE(Eventually([&] { return fs::exists(work_ / L"out" / L"many" / L"f100.bin"); }));
  HWND list = Child(main, IDC_LIST);
  ::PostMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
  const std::wstring question = Answer(*program, L"Warning", IDNO);
  EXPECT_EQ(question, L"Assembling interrupted, continue?");
  ASSERT_NE(program->WaitWindow(L"big-Dorvelin"), nullptr) << program->Titles();
  int rebuilt = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(work_ / L"out" / L"many")) {
    ++rebuilt;
    EXPECT_TRUE(SameFile(entry.path(), work_ / L"many" / entry.path().filename())) << entry.path();
  }
  EXPECT_GT(rebuilt, 0);
  EXPECT_LT(rebuilt, kFiles);
  EXPECT_EQ(program->WaitEnd(0), STILL_ACTIVE);
}

}  // namespace
}  // namespace vornalis::testing
