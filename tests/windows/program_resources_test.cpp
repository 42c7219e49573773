// The resources of every Windows program, read back from the built files beside this test as
// Windows reads them: the version resource (product, version, description, file name); the
// manifest, which must make an activation context in which the common controls are of version 6
// and must ask for per-monitor DPI awareness; and the icons of the program and of piece files.
#ifndef UNICODE
#define UNICODE  // the resource types as wide names (RT_MANIFEST, RT_GROUP_ICON, RT_ICON)
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "vornalis/version.h"
#include "windows_programs.h"

namespace vornalis::testing {
void PrintTo(const WindowsProgram& program, std::ostream* out) { *out << program.file; }
}  // namespace vornalis::testing

namespace {

using vornalis::testing::kProductName;
using vornalis::testing::kWindowsPrograms;
using vornalis::testing::WindowsProgram;

std::wstring Widened(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring BesideThisTest(std::string_view name) {
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, length);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + Widened(name);
}

// The program's file loaded for its resources only.
class ProgramResources {
 public:
  explicit ProgramResources(const std::wstring& path)
      : module_(LoadLibraryExW(path.c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  ~ProgramResources() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  ProgramResources(const ProgramResources&) = delete;
  ProgramResources& operator=(const ProgramResources&) = delete;

  bool Loaded() const { return module_ != nullptr; }
  // The bytes of one resource; empty when there is none.
  std::string_view Bytes(const wchar_t* type, const wchar_t* name) const {
    HRSRC found = FindResourceW(module_, name, type);
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(module_, found);
    return {static_cast<const char*>(LockResource(loaded)), SizeofResource(module_, found)};
  }

 private:
  HMODULE module_;
};

class WindowsProgramTest : public ::testing::TestWithParam<WindowsProgram> {
 protected:
  std::wstring Path() const { return BesideThisTest(GetParam().file); }
};

TEST_P(WindowsProgramTest, VersionResourceNamesTheProductItsVersionAndTheProgram) {
  const std::wstring path = Path();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u) << "no version resource in " << GetParam().file;
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  char numbers[32];
  std::snprintf(numbers, sizeof numbers, "%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
                LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS));
  EXPECT_STREQ(numbers, vornalis::kVersion);
  EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  // The texts, in the language the translation table names.
  struct Translation {
    WORD language, code_page;
  }* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, sizeof *translation);
  wchar_t block[64];
  std::swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translation->language,
                translation->code_page);
  const auto text = [&](const wchar_t* key) {
    wchar_t* value = nullptr;
    UINT chars = 0;
    const std::wstring query = std::wstring(block) + key;
    if (!VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &chars)) {
      return std::wstring(L"(none)");
    }
    return std::wstring(value, wcsnlen(value, chars));
  };
  EXPECT_EQ(text(L"ProductName"), Widened(kProductName));
  EXPECT_EQ(text(L"ProductVersion"), Widened(vornalis::kVersion));
  EXPECT_EQ(text(L"FileVersion"), Widened(vornalis::kVersion));
  EXPECT_EQ(text(L"FileDescription"), Widened(GetParam().description));
  EXPECT_EQ(text(L"OriginalFilename"), Widened(GetParam().file));
}

TEST_P(WindowsProgramTest, ManifestBringsCommonControls6AndPerMonitorDpiAwareness) {
  const std::wstring path = Path();
  ACTCTXW context{};
  context.cbSize = sizeof context;
  context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  context.lpSource = path.c_str();
  context.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
  HANDLE made = CreateActCtxW(&context);
  ASSERT_NE(made, INVALID_HANDLE_VALUE) << "Windows refuses the manifest of " << GetParam().file
                                        << " (error " << GetLastError() << ")";
  ULONG_PTR cookie = 0;
  ASSERT_TRUE(ActivateActCtx(made, &cookie));
  // In the program's context, the common controls loaded are those of the assembly the manifest
  // names, version 6 (Windows keeps it in a folder named after it, and so does Wine, whose copy
  // reports version 5 from DllGetVersion).
  HMODULE controls = LoadLibraryW(L"comctl32.dll");
  ASSERT_NE(controls, nullptr);
  wchar_t loaded[MAX_PATH];
  std::wstring folder(loaded, GetModuleFileNameW(controls, loaded, MAX_PATH));
  for (wchar_t& c : folder) c = static_cast<wchar_t>(std::towlower(c));
  EXPECT_NE(folder.find(L"\\winsxs\\x86_microsoft.windows.common-controls_6595b64144ccf1df_6.0."),
            std::wstring::npos)
      << "comctl32.dll came from elsewhere";
  FreeLibrary(controls);
  DeactivateActCtx(0, cookie);
  ReleaseActCtx(made);

  // The DPI settings, which Windows reads when the program starts.
  ProgramResources resources(path);
  ASSERT_TRUE(resources.Loaded());
  const std::string manifest(resources.Bytes(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID));
  EXPECT_NE(manifest.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/"
                          "WindowsSettings\">true/pm</dpiAware>"),
            std::string::npos)
      << manifest;
  EXPECT_NE(manifest.find("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/"
                          "WindowsSettings\">PerMonitorV2, PerMonitor</dpiAwareness>"),
            std::string::npos)
      << manifest;
}

TEST_P(WindowsProgramTest, CarriesTheProgramsIconAndThePieceFilesIcon) {
  ProgramResources resources(Path());
  ASSERT_TRUE(resources.Loaded());
  for (const int id : {vornalis::testing::kProgramIconId, vornalis::testing::kSetIconId}) {
    // An icon group: a header of three 16-bit words, then 14 bytes per picture.
    const std::string_view group = resources.Bytes(RT_GROUP_ICON, MAKEINTRESOURCEW(id));
    ASSERT_GE(group.size(), 6u) << "no icon " << id;
    WORD header[3];
    std::memcpy(header, group.data(), sizeof header);
    ASSERT_EQ(header[1], 1) << "icon " << id << " is not an icon";
    ASSERT_EQ(group.size(), 6u + 14u * header[2]);
    std::set<int> sizes;
    for (WORD i = 0; i < header[2]; ++i) {
      const unsigned char width = static_cast<unsigned char>(group[6 + 14 * i]);
      sizes.insert(width == 0 ? 256 : width);
      WORD picture = 0;
      std::memcpy(&picture, group.data() + 6 + 14 * i + 12, sizeof picture);
      EXPECT_FALSE(resources.Bytes(RT_ICON, MAKEINTRESOURCEW(picture)).empty());
    }
    EXPECT_EQ(sizes, (std::set<int>{32, 64})) << "icon " << id;
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, WindowsProgramTest, ::testing::ValuesIn(kWindowsPrograms),
                         [](const ::testing::TestParamInfo<WindowsProgram>& program) {
                           std::string name(program.param.file);
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
