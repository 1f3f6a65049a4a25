#include "desktop/windows/tavrin/browser_window/browser_storage.h"

BrowserStorage::BrowserStorage() = default;
BrowserStorage::~BrowserStorage() = default;

STDMETHODIMP BrowserStorage::QueryInterface(REFIID riid, void** object) {
  if (!object)
    return E_POINTER;
  if (riid == IID_IStorage) {
    *object = static_cast<IStorage*>(this);
    AddRef();
    return S_OK;
  }
  return IUnknownImpl::QueryInterface(riid, object);
}

STDMETHODIMP BrowserStorage::CreateStream(const OLECHAR*,
                                          DWORD,
                                          DWORD,
                                          DWORD,
                                          IStream**) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserStorage::OpenStream(const OLECHAR*,
                                        void*,
                                        DWORD,
                                        DWORD,
                                        IStream**) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserStorage::CreateStorage(const OLECHAR*,
                                           DWORD,
                                           DWORD,
                                           DWORD,
                                           IStorage**) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserStorage::OpenStorage(const OLECHAR*,
                                         IStorage*,
                                         DWORD,
                                         SNB,
                                         DWORD,
                                         IStorage**) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserStorage::CopyTo(DWORD, const IID*, SNB, IStorage*) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserStorage::MoveElementTo(const OLECHAR*,
                                           IStorage*,
                                           const OLECHAR*,
                                           DWORD) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserStorage::Commit(DWORD) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserStorage::Revert() {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserStorage::EnumElements(DWORD, void*, DWORD, IEnumSTATSTG**) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserStorage::DestroyElement(const OLECHAR*) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserStorage::RenameElement(const OLECHAR*, const OLECHAR*) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserStorage::SetElementTimes(const OLECHAR*,
                                             const FILETIME*,
                                             const FILETIME*,
                                             const FILETIME*) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserStorage::SetClass(REFCLSID) {
  return S_OK;
}
STDMETHODIMP BrowserStorage::SetStateBits(DWORD, DWORD) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserStorage::Stat(STATSTG*, DWORD) {
  return E_NOTIMPL;
}
