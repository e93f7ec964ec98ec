// The real command manager window on the real platform, driven with messages:
// editing, launching into the recorder, shortcuts, the HTML page and a drop.
#include <windows.h>
// After windows.h, which they build on.
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "context/context.h"
#include "manager/TVX_CmdMgr.h"
#include "platform/error.h"
#include "platform/win32/win32_platform.h"
#include "shell/shortcuts.h"
#include "store/profile_file.h"
#include "store/schema.h"
#include "support/fake_platform.h"
#include "support/shell_link_reader.h"
#include "support/win32_driver.h"
#include "ui/win32/win32_ui.h"

namespace tvx::test {
namespace {

std::string Text(HWND hwnd) {
  char buffer[1024] = {};
  GetWindowTextA(hwnd, buffer, sizeof buffer);
  return buffer;
}

using test::LinkDetails;

LinkDetails Inspect(const std::string& linkPath) { return test::ReadShellLink(linkPath); }

// The smallest data object a shell drop carries: a CF_HDROP list of paths.
class FileListData final : public IDataObject {
 public:
  explicit FileListData(const std::vector<std::string>& paths) {
    std::string list;
    for (const std::string& p : paths) list += p + '\0';
    list += '\0';
    block_ = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size());
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block_));
    drop->pFiles = sizeof(DROPFILES);
    memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
    GlobalUnlock(block_);
  }
  ~FileListData() { GlobalFree(block_); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IDataObject) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the test's stack
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
    SIZE_T size = GlobalSize(block_);
    HGLOBAL copy = GlobalAlloc(GHND, size);
    memcpy(GlobalLock(copy), GlobalLock(block_), size);
    GlobalUnlock(copy);
    GlobalUnlock(block_);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = copy;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    return format && format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 private:
  HGLOBAL block_ = nullptr;
  ULONG refs_ = 1;
};

class ManagerWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    platform.Get().system.InitializeCom();
    folder = dir.Path();
    desktop = platform.Get().files.SpecialFolder(kCsidlDesktop).value_or("");
  }
  void WriteData(const std::string& bytes) { WriteFileBytes(ctx.DataFile(), bytes); }
  std::string Value(const std::string& name) {
    store::ProfileFile file(ctx.DataFile());
    return file.ReadString(store::kCommandSection, name);
  }
  int RowCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }
  void SelectOnly(HWND list, int index) {
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED;
    state.state = 0;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    state.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&state));
  }
  void SetEdit(HWND edit, const std::string& text) {
    SetWindowTextA(edit, text.c_str());  // EN_CHANGE brings it into the model
    ui.ProcessMessages();
  }
  void Click(HWND button) { SendMessageA(button, BM_CLICK, 0, 0); }

  win32::Win32Platform platform;
  ui::Win32Ui ui;
  TempDir dir;
  std::string folder, desktop;
  Context ctx{platform.Get(), ui, dir.Path()};
};

TEST_F(ManagerWin32Test, AddSelectReplaceRemoveAndLaunchThroughTheWindow) {
  const std::string recorder = ModuleFolder() + "recorder.exe";
  const std::string record = folder + "record.txt";
  SetEnvironmentVariableA("TVX_RECORD", record.c_str());
  WriteData("[Command]\r\nrec=" + recorder + "|-x hello\r\nb=b.exe|\r\n");
  manager::TtvxCM cm(ctx);
  auto window = ui.Open(cm);
  ui.ProcessMessages();
  HWND list = ui::Win32Ui::HandleOf(cm.lvCmd);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(RowCount(list), 2);  // read when the window became active

  SetEdit(ui::Win32Ui::HandleOf(cm.txtName), "my app");
  SetEdit(ui::Win32Ui::HandleOf(cm.txtParam), "C:\\Tools\\a.exe");
  Click(ui::Win32Ui::HandleOf(cm.cmdAdd));
  EXPECT_EQ(Value("my-app"), "C:\\Tools\\a.exe|");
  EXPECT_EQ(Text(ui::Win32Ui::HandleOf(cm.txtName)), "my-app");
  ASSERT_EQ(RowCount(list), 3);

  // Selecting "b" (rows: b, my-app, rec) fills the boxes; Replace renames it.
  SelectOnly(list, 0);
  EXPECT_EQ(Text(ui::Win32Ui::HandleOf(cm.txtName)), "b");
  EXPECT_EQ(Text(ui::Win32Ui::HandleOf(cm.txtParam)), "b.exe");
  SetEdit(ui::Win32Ui::HandleOf(cm.txtName), "c");
  Click(ui::Win32Ui::HandleOf(cm.cmdReplace));
  EXPECT_EQ(Value("b"), "");
  EXPECT_EQ(Value("c"), "b.exe|");

  // Delete in the list removes the selected command.
  SelectOnly(list, 0);
  ASSERT_EQ(cm.lvCmd.Cell(0, 0), "c");
  SendMessageA(list, WM_KEYUP, VK_DELETE, 0xC0000001);
  EXPECT_EQ(Value("c"), "");
  EXPECT_EQ(RowCount(list), 2);

  // A double click launches the command into the recorder, the window stays.
  int rec = cm.lvCmd.Cell(0, 0) == "rec" ? 0 : 1;
  SelectOnly(list, rec);
  NMITEMACTIVATE activate{};
  activate.hdr.hwndFrom = list;
  activate.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list));
  activate.hdr.code = NM_DBLCLK;
  activate.iItem = rec;
  SendMessageA(GetParent(list), WM_NOTIFY, activate.hdr.idFrom, reinterpret_cast<LPARAM>(&activate));
  std::string recorded;
  for (int i = 0; i < 500 && recorded.find('\n') == std::string::npos; ++i) {
    Sleep(20);
    recorded = ReadFileBytes(record);
  }
  EXPECT_NE(recorded.find("-x hello\t"), std::string::npos) << recorded;
  EXPECT_NE(recorded.find("\t" + ModuleFolder().substr(0, ModuleFolder().size() - 1)), std::string::npos) << recorded;
  EXPECT_TRUE(IsWindow(ui::Win32Ui::HandleOf(cm)));
}

TEST_F(ManagerWin32Test, ShortcutsAreWrittenAndReadBackThroughTheShellLinkObject) {
  ASSERT_FALSE(desktop.empty());
  const std::string target = folder + "tvxprobe.exe";
  WriteFileBytes(target, "MZ");
  CreateDirectoryA((folder + "Reports").c_str(), nullptr);
  WriteData("[Command]\r\nprobe=" + target + "|-a -b\r\nrep=" + folder + "Reports|\r\n");
  const std::string probeLink = desktop + "\\tvxprobe.lnk";
  const std::string repLink = desktop + "\\Reports.lnk";
  {
    manager::TtvxCM cm(ctx);
    auto window = ui.Open(cm);
    ui.ProcessMessages();
    cm.lvCmd.SetSelected(0, true);
    cm.lvCmd.SetSelected(1, true);
    Click(ui::Win32Ui::HandleOf(cm.BitBtn1));
    LinkDetails plain = Inspect(probeLink);
    EXPECT_EQ(plain.target, target);
    EXPECT_EQ(plain.arguments, "-a -b");
    EXPECT_EQ(plain.workingFolder, folder);
    EXPECT_EQ(plain.iconFile, target);
    EXPECT_EQ(plain.iconIndex, 0);
    ShortcutTarget read = shell::ReadShortcut(platform.Get(), probeLink);
    EXPECT_EQ(read.target, target);
    EXPECT_EQ(read.arguments, "-a -b");

    // "R" down: the program with /l and the command name; a folder gets the folder icon.
    cm.chkRelative.SetDown(true);
    Click(ui::Win32Ui::HandleOf(cm.BitBtn1));
    LinkDetails relative = Inspect(repLink);
    EXPECT_EQ(relative.target, folder + "tvx.exe");
    EXPECT_EQ(relative.arguments, "/l rep");
    EXPECT_EQ(relative.workingFolder, "");
    EXPECT_EQ(relative.iconFile, "C:\\Windows\\system32\\shell32.dll");
    EXPECT_EQ(relative.iconIndex, 3);
  }
  DeleteFileA(probeLink.c_str());
  DeleteFileA(repLink.c_str());
}

TEST_F(ManagerWin32Test, SaveListWritesThePageOnTheDesktop) {
  ASSERT_FALSE(desktop.empty());
  WriteData("[Command]\r\nb=b.exe|\r\na=C:\\a&b.exe|\r\n");
  const std::string page = desktop + "\\TVX Command List.htm";
  {
    manager::TtvxCM cm(ctx);
    auto window = ui.Open(cm);
    ui.ProcessMessages();
    Click(ui::Win32Ui::HandleOf(cm.sBitBtn2));
  }
  std::string bytes = ReadFileBytes(page);
  EXPECT_EQ(bytes, manager::CommandListHtml({{"a", "C:\\a&b.exe|"}, {"b", "b.exe|"}}));
  EXPECT_NE(bytes.find("<center>a</center></td><td width=\"60%\"><div style=\"padding-left:5px\">C:\\a&amp;b.exe|"),
            std::string::npos);
  DeleteFileA(page.c_str());
}

// Windows refuses to replace a read-only file by rename; Wine would not.
TEST_F(ManagerWin32Test, SaveListOverAReadOnlyPageIsRefusedAndThePageKept) {
  ASSERT_FALSE(desktop.empty());
  WriteData("[Command]\r\na=a.exe|\r\n");
  const std::string page = desktop + "\\TVX Command List.htm";
  WriteFileBytes(page, "mine");
  ASSERT_TRUE(SetFileAttributesA(page.c_str(), FILE_ATTRIBUTE_READONLY));
  std::string message = "(no error)";
  {
    manager::TtvxCM cm(ctx);
    auto window = ui.Open(cm);
    ui.ProcessMessages();
    try {
      cm.sBitBtn2Click();
    } catch (const Error& e) {
      message = e.what();
    }
  }
  EXPECT_EQ(message.rfind("Cannot create file \"" + page + "\". ", 0), 0u) << message;
  EXPECT_EQ(ReadFileBytes(page), "mine");
  SetFileAttributesA(page.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(page.c_str());
}

TEST_F(ManagerWin32Test, FilesDroppedOnTheListAreNamedAndStored) {
  const std::string file = folder + "dropped.txt";
  WriteFileBytes(file, "x");
  manager::TtvxCM cm(ctx);
  auto window = ui.Open(cm);
  ui.ProcessMessages();
  HWND list = ui::Win32Ui::HandleOf(cm.lvCmd);
  IDropTarget* target = ui::Win32Ui::DropTargetOf(cm.lvCmd);
  ASSERT_NE(target, nullptr) << "the list accepts files but has no drop target";

  // Files come from another program: some other window is active when they
  // are dropped. The input box still belongs to the manager and blocks it.
  HWND manager = ui::Win32Ui::HandleOf(cm);
  HWND other = CreateWindowExA(0, "STATIC", "Elsewhere", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr,
                               nullptr);
  SetActiveWindow(other);
  HWND boxOwner = nullptr;
  bool managerEnabled = true;
  // The input box appears for the dropped path; the user types a name.
  std::string prompt;
  WhenShown([&] {
    HWND box = FindWindowA("#32770", "Add New Item");
    if (!box || !IsWindowVisible(box)) return false;
    boxOwner = GetWindow(box, GW_OWNER);
    managerEnabled = IsWindowEnabled(manager) != FALSE;
    prompt = Text(GetDlgItem(box, 10));
    SetWindowTextA(GetDlgItem(box, 11), "my file");
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return true;
  });
  FileListData data({file});
  RECT r;
  GetWindowRect(list, &r);
  POINTL pt{r.left + 20, r.top + 40};
  DWORD effect = DROPEFFECT_COPY;
  ASSERT_EQ(target->DragEnter(&data, MK_LBUTTON, pt, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  effect = DROPEFFECT_COPY;
  ASSERT_EQ(target->Drop(&data, MK_LBUTTON, pt, &effect), S_OK);
  for (int i = 0; i < 100 && Value("my-file").empty(); ++i) {
    ui.ProcessMessages();
    Sleep(10);
  }
  EXPECT_EQ(Value("my-file"), file + "|");
  EXPECT_NE(prompt.find(file), std::string::npos) << prompt;
  EXPECT_EQ(RowCount(list), 1);
  EXPECT_EQ(boxOwner, manager);
  EXPECT_FALSE(managerEnabled);
  DestroyWindow(other);
}

}  // namespace
}  // namespace tvx::test
