#pragma once
// The few Windows Runtime interfaces the Windows 11 menu's package is
// registered through (Windows.Management.Deployment.PackageManager), and
// appmodel.h's PackageId. MinGW-w64 has no header for them, so they are
// declared here, each with only the methods up to the last one called, in
// their vtable order. Their IDs, from published sources:
//   IPackageManager          Wine's include/windows.management.deployment.idl
//   IUriRuntimeClassFactory  Wine's include/windows.foundation.idl
//   IAsyncInfo               Wine's include/asyncinfo.idl (MinGW-w64's asyncinfo.h)
//   IPackageManager9, IAddPackageOptions
//                            Windows.Foundation.UniversalApiContract.winmd of
//                            the Windows SDK (contract 10.0), whose Guid
//                            attributes Microsoft's API reference lists; Wine's
//                            IDL names IPackageManager9 without its ID.
#include <windows.h>
#include <inspectable.h>

namespace keepsnap {

const IID kPackageManagerInterface = {0x9A7D4B65, 0x5E8F, 0x4FC7, {0xA2, 0xE5, 0x7F, 0x69, 0x25, 0xCB, 0x8B, 0x53}};
const IID kPackageManager9Interface = {0x1AA79035, 0xCC71, 0x4B2E, {0x80, 0xA6, 0xC7, 0x04, 0x1D, 0x85, 0x79, 0xA7}};
const IID kAddPackageOptionsInterface = {0x05CEE018, 0xF68F, 0x422B, {0x95, 0xA4, 0x66, 0x67, 0x9E, 0xC7, 0x7F, 0xC0}};
const IID kUriFactoryInterface = {0x44A9796F, 0x723E, 0x4FDF, {0xA2, 0x18, 0x03, 0x3E, 0x75, 0xB0, 0xC0, 0x84}};
const IID kAsyncInfoInterface = {0x00000036, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// A Windows.Foundation.Uri, an IAsyncOperationWithProgress and a
// PackageVolume are only handed on here: IInspectable is all they need be.
struct IPackageManager : public IInspectable {
  virtual HRESULT STDMETHODCALLTYPE AddPackageAsync(IInspectable*, IInspectable*, UINT32, IInspectable**) = 0;
  virtual HRESULT STDMETHODCALLTYPE UpdatePackageAsync(IInspectable*, IInspectable*, UINT32, IInspectable**) = 0;
  virtual HRESULT STDMETHODCALLTYPE RemovePackageAsync(HSTRING fullName, IInspectable** operation) = 0;
};
struct IPackageManager9 : public IInspectable {
  virtual HRESULT STDMETHODCALLTYPE FindProvisionedPackages(IInspectable**) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddPackageByUriAsync(IInspectable* uri, IInspectable* options,
                                                         IInspectable** operation) = 0;
};
struct IAddPackageOptions : public IInspectable {
  virtual HRESULT STDMETHODCALLTYPE get_DependencyPackageUris(IInspectable**) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TargetVolume(IInspectable**) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_TargetVolume(IInspectable*) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_OptionalPackageFamilyNames(IInspectable**) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_OptionalPackageUris(IInspectable**) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_RelatedPackageUris(IInspectable**) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ExternalLocationUri(IInspectable**) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ExternalLocationUri(IInspectable* uri) = 0;
};
struct IUriRuntimeClassFactory : public IInspectable {
  virtual HRESULT STDMETHODCALLTYPE CreateUri(HSTRING text, IInspectable** uri) = 0;
};
enum AsyncState { kStarted = 0, kCompleted = 1, kCanceled = 2, kError = 3 };
struct IAsyncInfo : public IInspectable {
  virtual HRESULT STDMETHODCALLTYPE get_Id(UINT32*) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Status(int* status) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ErrorCode(HRESULT* error) = 0;
};

// A package's identity, as Windows forms its full name from it (Windows 8
// and later), declared as appmodel.h has it.
struct PackageId {
  UINT32 reserved;
  UINT32 processorArchitecture;
  UINT64 version;  // major, minor, build, revision: 16 bits each, major highest
  PWSTR name;
  PWSTR publisher;
  PWSTR resourceId;
  PWSTR publisherId;
};

}  // namespace keepsnap
