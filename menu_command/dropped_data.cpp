// The selection as the server reads it: CF_HDROP in one block of global
// memory, handed out as a fresh copy on each GetData, since the receiver
// frees what it gets.
#include "menu_command/dropped_data.h"

#include <shlobj.h>

#include "core/dropped_files.h"
#include "menu_command/dll_module.h"
#include "win32/com_object.h"

namespace keepsnap {

namespace {

bool IsDroppedNames(const FORMATETC* format) {
  return format != nullptr && format->cfFormat == CF_HDROP && format->dwAspect == DVASPECT_CONTENT &&
         (format->tymed & TYMED_HGLOBAL) != 0;
}

class DroppedData : public ComObject<DllModuleCount, IDataObject> {
 public:
  DroppedData(HGLOBAL block, SIZE_T size) : block_(block), size_(size) {}
  ~DroppedData() override { GlobalFree(block_); }

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (medium == nullptr) return E_POINTER;
    if (!IsDroppedNames(format)) return DV_E_FORMATETC;
    HGLOBAL copy = GlobalAlloc(GMEM_FIXED, size_);
    if (copy == nullptr) return E_OUTOFMEMORY;
    CopyMemory(copy, block_, size_);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = copy;  // the receiver's to free
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    return IsDroppedNames(format) ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    if (out != nullptr) out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return SHCreateStdEnumFmtEtc(1, &format, out);
  }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 private:
  const HGLOBAL block_;  // this object's own
  const SIZE_T size_;
};

}  // namespace

IDataObject* MakeDroppedData(const wchar_t* const* names, size_t count) {
  // Windows' wide text is UTF-16.
  const char16_t* const* units = reinterpret_cast<const char16_t* const*>(names);
  const SIZE_T size = WriteDroppedNames(units, count, nullptr);
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, size);
  if (block == nullptr) return nullptr;
  WriteDroppedNames(units, count, static_cast<unsigned char*>(block));
  DroppedData* data = new DroppedData(block, size);
  if (data == nullptr) GlobalFree(block);
  return data;
}

}  // namespace keepsnap
