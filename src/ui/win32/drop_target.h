#pragma once
// The OLE drop target of a list view that accepts files from the shell.
#include <windows.h>
// windows.h first: the other system headers need its types.
#include <ole2.h>
#include <shlobj.h>

namespace tvx::ui::win32 {

class ChildView;

// Owned by the list's view, which revokes it before the list goes; the
// reference count only serves OLE's bookkeeping.
class FileDropTarget final : public IDropTarget {
 public:
  explicit FileDropTarget(ChildView& view);
  ~FileDropTarget();
  FileDropTarget(const FileDropTarget&) = delete;
  FileDropTarget& operator=(const FileDropTarget&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL pt, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override;

 private:
  DWORD Effect(DWORD allowed) const;
  ChildView& view_;
  LONG refs_ = 1;
  bool accept_ = false;
  IDropTargetHelper* helper_ = nullptr;  // the shell's drag image; may be missing
};

}  // namespace tvx::ui::win32
