// The executable's resources: the pictures its windows load by name, its icon,
// manifest and version. Read from the built TVX.exe beside the test folder.
#include <gtest/gtest.h>
#include <string>

#include "platform/win32/win32_platform.h"

namespace tvx::win32 {
namespace {

class Module {
 public:
  explicit Module(const char* path)
      : handle_(LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  ~Module() {
    if (handle_) FreeLibrary(handle_);
  }
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;
  HMODULE Get() const { return handle_; }

 private:
  HMODULE handle_;
};

TEST(ResourcesTest, PicturesIconManifestAndVersionAreBuiltIn) {
  const char* exe = "..\\TVX.exe";
  Module module(exe);
  ASSERT_NE(module.Get(), nullptr) << "TVX.exe is not beside the test folder";

  for (const char* name : {"IMG_HOME", "IMG_ABOUT", "IMG_SUPPORT", "IMG_MORE", "IMG_LAUNCH"}) {
    for (int size : {16, 32}) {
      HANDLE icon = LoadImageA(module.Get(), name, IMAGE_ICON, size, size, 0);
      EXPECT_NE(icon, nullptr) << name << " at " << size;
      ICONINFO info{};
      if (icon && GetIconInfo(static_cast<HICON>(icon), &info)) {
        BITMAP bitmap{};
        GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size) << name;
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
      }
      if (icon) DestroyIcon(static_cast<HICON>(icon));
    }
  }
  EXPECT_NE(FindResourceA(module.Get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14)), nullptr);  // icon group 1
  EXPECT_NE(FindResourceA(module.Get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)), nullptr);  // manifest
  EXPECT_NE(FindResourceA(module.Get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16)), nullptr);  // version
}

}  // namespace
}  // namespace tvx::win32
