// The real TVX.exe in a folder whose name no single code page holds
// (Cyrillic, CJK, accented Latin): commands with such names, parameters,
// registry values and environment variables reach the recorder whole.
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace tvx::e2e {
namespace {

// "tvx Проекты 大阪 café"
const std::string kFolderName =
    "tvx \xD0\x9F\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82\xD1\x8B \xE5\xA4\xA7\xE9\x98\xAA caf\xC3\xA9";
const std::string kProject = "\xD0\xBF\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82";  // "проект"
const std::string kSignal =
    "se\xC3\xB1"
    "al \xD0\x96";  // "señal Ж"

std::wstring W(const std::string& utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

// The parameters the recorder was started with, after its own path.
std::string ParamsOf(const Recorded& r) {
  std::string line = r.commandLine;
  auto pos = line.find("recorder.exe");
  std::string rest = pos == std::string::npos ? line : line.substr(pos + 12);
  if (!rest.empty() && rest[0] == '"') rest.erase(0, 1);
  while (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
  return rest;
}

TEST(UnicodeStart, NamesPathsRegistryAndEnvironmentOutsideTheCodePageLaunch) {
  Sandbox box(kFolderName);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\TavrixE2E \u042E", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  const std::wstring target = W(box.Recorder());
  RegSetValueExW(key, L"\u041F\u0443\u0442\u044C", 0, REG_SZ, reinterpret_cast<const BYTE*>(target.c_str()),
                 static_cast<DWORD>((target.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  Sandbox::SetEnv("TVX_E2E_DIR", box.Folder().substr(0, box.Folder().size() - 1));
  Sandbox::SetEnv("TVX_E2E_ARG", "\xE4\xBB\x8E\xE7\x8E\xAF\xE5\xA2\x83");  // "从环境"

  // A UTF-8 data file without a mark (what the program writes for such names).
  box.WriteData("[Command]\r\n" + kProject + "=" + box.Recorder() + "|" + kSignal +
                "\r\nreg=HKCU>>Software\\TavrixE2E \xD0\xAE>>\xD0\x9F\xD1\x83\xD1\x82\xD1\x8C|reg\r\n"
                "env=%TVX_E2E_DIR%\\recorder.exe|%TVX_E2E_ARG%\r\n");
  EXPECT_EQ(box.Run("/l " + kProject + " reg env"), 0);
  std::vector<Recorded> records = box.WaitForRecords(3);
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\TavrixE2E \u042E");
  ASSERT_EQ(records.size(), 3u);
  std::vector<std::string> params;
  for (const auto& r : records) {
    params.push_back(ParamsOf(r));
    EXPECT_NE(r.commandLine.find(box.Folder() + "recorder.exe"), std::string::npos) << r.commandLine;
    std::string dir = r.directory;
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    EXPECT_EQ(dir, box.Folder());
  }
  std::sort(params.begin(), params.end());
  EXPECT_EQ(params, (std::vector<std::string>{"reg", kSignal, "\xE4\xBB\x8E\xE7\x8E\xAF\xE5\xA2\x83"}));
}

// The child windows of a window, in order.
std::vector<HWND> Children(HWND parent, const wchar_t* cls) {
  std::vector<HWND> found;
  for (HWND h = nullptr; (h = FindWindowExW(parent, h, cls, nullptr)) != nullptr;) found.push_back(h);
  return found;
}

TEST(UnicodeStart, SetCommandWithAPathInSuchAFolderStoresACommandThatLaunches) {
  Sandbox box(kFolderName);
  box.WriteData("[Command]\r\n");
  HANDLE process = box.Start("/setcmd \"" + box.Recorder() + "\"");
  ASSERT_NE(process, nullptr);
  HWND dialog = WaitForWindow("Set TVX Command", GetProcessId(process));
  ASSERT_NE(dialog, nullptr) << "the Set Command dialog did not appear";
  // An ANSI window's texts could not hold this path.
  if (!IsWindowUnicode(dialog)) TerminateProcess(process, 0);
  ASSERT_TRUE(IsWindowUnicode(dialog)) << "the Set Command dialog is not a Unicode window";
  // The location came in from the command line; the empty edit is the name.
  HWND name = nullptr;
  for (HWND edit : Children(dialog, L"Edit"))
    if (GetWindowTextLengthW(edit) == 0) name = edit;
  ASSERT_NE(name, nullptr);
  SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(W(kProject).c_str()));
  HWND set = FindWindowExW(dialog, nullptr, L"Button", L"Set");
  ASSERT_NE(set, nullptr);
  SendMessageW(set, BM_CLICK, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process, 15000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(process);
  EXPECT_NE(box.ReadData().find(kProject + "=" + box.Recorder()), std::string::npos) << box.ReadData();

  EXPECT_EQ(box.Run("/l " + kProject), 0);
  std::vector<Recorded> records = box.WaitForRecords(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NE(records[0].commandLine.find(box.Folder() + "recorder.exe"), std::string::npos);
}

}  // namespace
}  // namespace tvx::e2e
