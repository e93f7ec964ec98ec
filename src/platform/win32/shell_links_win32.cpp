// Shortcut (.lnk) files through the shell's link object.
#include "platform/win32/win32_platform.h"

// These need <windows.h>, which the header brings, included first.
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>

#include "platform/error.h"

namespace tvx::win32 {
namespace {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (p_) p_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T* operator->() const { return p_; }
  T* Get() const { return p_; }
  void** Out() { return reinterpret_cast<void**>(&p_); }

 private:
  T* p_ = nullptr;
};

// Initialises COM for this thread for one operation; harmless when the thread
// is already initialised (the call then only counts up, and down again).
class ComScope {
 public:
  ComScope() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComScope() {
    if (initialized_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialized_;
};

// The path as the file interface wants it. A path that does not fit in
// MAX_PATH characters is refused rather than saved or loaded under a cut name.
bool ToWide(const std::string& path, DWORD flags, WCHAR (&wide)[MAX_PATH]) {
  wide[0] = L'\0';
  return MultiByteToWideChar(CP_ACP, flags, path.c_str(), -1, wide, MAX_PATH) != 0;
}

std::string UpToNul(const char* buffer, size_t size) { return std::string(buffer, strnlen(buffer, size)); }

}  // namespace

void Win32ShellLinks::Write(const std::string& linkPath, const ShortcutFields& fields, bool setIcon, bool remember) {
  ComScope com;
  // Interfaces are declared after the scope so they are released before COM ends.
  ComPtr<IShellLinkA> link;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IShellLinkA,
                                link.Out());
  if (FAILED(hr)) throw Error(SystemErrorText(hr));
  ComPtr<IPersistFile> file;
  hr = link->QueryInterface(IID_IPersistFile, file.Out());
  if (hr == E_NOINTERFACE) throw Error("Interface not supported");
  if (FAILED(hr)) throw Error(SystemErrorText(hr));

  link->SetPath(fields.target.c_str());
  if (setIcon) link->SetIconLocation(fields.iconFile.c_str(), fields.iconIndex);
  link->SetWorkingDirectory(fields.workingFolder.c_str());
  link->SetArguments(fields.arguments.c_str());

  WCHAR widePath[MAX_PATH];
  // A path the save cannot take is a failed save, like one the system refuses.
  if (!ToWide(linkPath, 0, widePath))
    throw ShortcutSaveFailed(SystemErrorText(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE)));
  hr = file->Save(widePath, remember ? TRUE : FALSE);
  if (FAILED(hr)) throw ShortcutSaveFailed(SystemErrorText(hr));
}

ShortcutTarget Win32ShellLinks::Read(const std::string& linkPath) {
  ShortcutTarget result;
  ComScope com;
  ComPtr<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.Out())))
    return result;
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.Out()))) return result;

  WCHAR widePath[MAX_PATH];
  if (!ToWide(linkPath, MB_PRECOMPOSED, widePath)) return result;
  // A link that cannot be loaded reads as empty; it is never resolved.
  if (FAILED(file->Load(widePath, STGM_READ))) return result;

  char target[MAX_PATH] = {};
  WIN32_FIND_DATAA found{};
  link->GetPath(target, MAX_PATH, &found, SLGP_UNCPRIORITY);
  char arguments[MAX_PATH] = {};
  link->GetArguments(arguments, MAX_PATH);
  result.target = UpToNul(target, MAX_PATH);
  result.arguments = UpToNul(arguments, MAX_PATH);
  return result;
}

}  // namespace tvx::win32
