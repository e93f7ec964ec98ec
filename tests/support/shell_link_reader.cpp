#ifdef _WIN32
#include "support/shell_link_reader.h"

#include <windows.h>
// after windows.h, which it needs
#include <shlobj.h>

namespace tvx::test {

LinkDetails ReadShellLink(const std::string& linkPath) {
  LinkDetails d;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return d;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(file->Load(wide, STGM_READ))) {
      char buffer[MAX_PATH] = {};
      link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH);
      d.target = buffer;
      link->GetArguments(buffer, MAX_PATH);
      d.arguments = buffer;
      link->GetWorkingDirectory(buffer, MAX_PATH);
      d.workingFolder = buffer;
      link->GetIconLocation(buffer, MAX_PATH, &d.iconIndex);
      d.iconFile = buffer;
      WORD hotkey = 0;
      if (SUCCEEDED(link->GetHotkey(&hotkey))) d.hotkey = hotkey;
    }
    file->Release();
  }
  link->Release();
  return d;
}

}  // namespace tvx::test
#endif
