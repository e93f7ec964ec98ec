#include "ui/win32/drop_target.h"

#include <shellapi.h>

#include <string>
#include <vector>

#include "ui/win32/child_view.h"
#include "ui/win32/win32_ui.h"

namespace tvx::ui::win32 {

namespace {
FORMATETC HDropFormat() { return FORMATETC{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }
}  // namespace

FileDropTarget::FileDropTarget(ChildView& view) : view_(view) {
  void* helper = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER, IID_IDropTargetHelper, &helper)))
    helper_ = static_cast<IDropTargetHelper*>(helper);
}

FileDropTarget::~FileDropTarget() {
  if (helper_) helper_->Release();
}

HRESULT FileDropTarget::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
    *object = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG FileDropTarget::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
ULONG FileDropTarget::Release() { return static_cast<ULONG>(InterlockedDecrement(&refs_)); }

DWORD FileDropTarget::Effect(DWORD allowed) const {
  return accept_ && (allowed & DROPEFFECT_COPY) && view_.Model().Enabled() ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

HRESULT FileDropTarget::DragEnter(IDataObject* data, DWORD, POINTL pt, DWORD* effect) {
  FORMATETC format = HDropFormat();
  accept_ = data && data->QueryGetData(&format) == S_OK;
  *effect = Effect(*effect);
  POINT p{pt.x, pt.y};
  if (helper_) helper_->DragEnter(view_.Handle(), data, &p, *effect);
  return S_OK;
}

HRESULT FileDropTarget::DragOver(DWORD, POINTL pt, DWORD* effect) {
  *effect = Effect(*effect);
  POINT p{pt.x, pt.y};
  if (helper_) helper_->DragOver(&p, *effect);
  return S_OK;
}

HRESULT FileDropTarget::DragLeave() {
  if (helper_) helper_->DragLeave();
  accept_ = false;
  return S_OK;
}

HRESULT FileDropTarget::Drop(IDataObject* data, DWORD, POINTL pt, DWORD* effect) {
  *effect = Effect(*effect);
  POINT p{pt.x, pt.y};
  if (helper_) helper_->Drop(data, &p, *effect);
  if (*effect == DROPEFFECT_NONE || !data) return S_OK;
  FORMATETC format = HDropFormat();
  STGMEDIUM medium{};
  if (data->GetData(&format, &medium) != S_OK) return S_OK;
  std::vector<std::string> paths;
  if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal)
    paths = Win32Ui::PathsFromDrop(static_cast<HDROP>(medium.hGlobal));
  ReleaseStgMedium(&medium);
  // The handler asks questions in modal boxes: it runs after the drag source
  // got its answer, so the source program is not held up meanwhile.
  if (!paths.empty()) {
    view_.QueueDrop(paths);
  }
  return S_OK;
}

}  // namespace tvx::ui::win32
