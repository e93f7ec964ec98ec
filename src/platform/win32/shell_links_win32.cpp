// Shortcut (.lnk) files through the shell's link object.
#include "platform/win32/win32_platform.h"

// These need <windows.h>, which the header brings, included first.
#include <shlobj.h>
#include <shobjidl.h>

#include <cwchar>

#include "platform/error.h"
#include "platform/win32/scoped.h"
#include "platform/win32/wide.h"

namespace tvx::win32 {
namespace {

// The path as the file interface wants it. A path that does not fit in
// MAX_PATH characters is refused rather than saved or loaded under a cut name.
bool FitsFileInterface(const std::wstring& path) { return path.size() < MAX_PATH; }

std::string UpToNul(const wchar_t* buffer, size_t size) {
  return Narrow(std::wstring_view(buffer, wcsnlen(buffer, size)));
}

}  // namespace

void Win32ShellLinks::Write(const std::string& linkPath, const ShortcutFields& fields, bool setIcon, bool remember) {
  // Initialises COM for this thread for one operation; harmless when the
  // thread is already initialised (the call then only counts up, and down).
  ScopedComApartment com;
  // Interfaces are declared after the apartment so they are released before it ends.
  ComPtr<IShellLinkW> link;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IShellLinkW,
                                link.PutVoid());
  if (FAILED(hr)) throw Error(SystemErrorText(hr));
  ComPtr<IPersistFile> file;
  hr = link->QueryInterface(IID_IPersistFile, file.PutVoid());
  if (hr == E_NOINTERFACE) throw Error("Interface not supported");
  if (FAILED(hr)) throw Error(SystemErrorText(hr));

  link->SetPath(Widen(fields.target).c_str());
  if (setIcon) link->SetIconLocation(Widen(fields.iconFile).c_str(), fields.iconIndex);
  link->SetWorkingDirectory(Widen(fields.workingFolder).c_str());
  link->SetArguments(Widen(fields.arguments).c_str());
  if (fields.hotkey != 0) link->SetHotkey(fields.hotkey);

  const std::wstring widePath = Widen(linkPath);
  // A path the save cannot take is a failed save, like one the system refuses.
  if (!FitsFileInterface(widePath))
    throw ShortcutSaveFailed(SystemErrorText(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE)));
  hr = file->Save(widePath.c_str(), remember ? TRUE : FALSE);
  if (FAILED(hr)) throw ShortcutSaveFailed(SystemErrorText(hr));
}

ShortcutTarget Win32ShellLinks::Read(const std::string& linkPath) {
  ShortcutTarget result;
  ScopedComApartment com;
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())))
    return result;
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) return result;

  const std::wstring widePath = Widen(linkPath);
  if (!FitsFileInterface(widePath)) return result;
  // A link that cannot be loaded reads as empty; it is never resolved.
  if (FAILED(file->Load(widePath.c_str(), STGM_READ))) return result;

  wchar_t target[MAX_PATH] = {};
  WIN32_FIND_DATAW found{};
  link->GetPath(target, MAX_PATH, &found, SLGP_UNCPRIORITY);
  wchar_t arguments[MAX_PATH] = {};
  link->GetArguments(arguments, MAX_PATH);
  result.target = UpToNul(target, MAX_PATH);
  // "?" is never part of a file name: a system that kept only the code page's
  // form of the path replaced the characters it lacks with it. The item list
  // of the link keeps the whole name.
  if (result.target.find('?') != std::string::npos) {
    ITEMIDLIST* raw = nullptr;
    if (SUCCEEDED(link->GetIDList(&raw)) && raw) {
      ScopedCoTaskMemory items(raw);
      wchar_t whole[MAX_PATH] = {};
      if (SHGetPathFromIDListW(static_cast<ITEMIDLIST*>(items.Get()), whole)) result.target = UpToNul(whole, MAX_PATH);
    }
  }
  result.arguments = UpToNul(arguments, MAX_PATH);
  WORD hotkey = 0;
  if (SUCCEEDED(link->GetHotkey(&hotkey))) result.hotkey = hotkey;
  return result;
}

}  // namespace tvx::win32
