#ifndef DESKTOP_WINDOWS_TAVRIN_BROWSER_WINDOW_BROWSER_STORAGE_H_
#define DESKTOP_WINDOWS_TAVRIN_BROWSER_WINDOW_BROWSER_STORAGE_H_

#include <windows.h>

#include <objidl.h>

#include "base/win/iunknown_impl.h"

// The storage handed to the browser control at creation. The control keeps
// nothing in it: only SetClass succeeds, everything else is E_NOTIMPL. (A
// null storage is not an option: some systems crash on it.)
class BrowserStorage : public base::win::IUnknownImpl, public IStorage {
 public:
  BrowserStorage();

  IUNKNOWN_IMPL_FORWARD()
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;

  // IStorage:
  STDMETHODIMP CreateStream(const OLECHAR* name,
                            DWORD mode,
                            DWORD reserved1,
                            DWORD reserved2,
                            IStream** stream) override;
  STDMETHODIMP OpenStream(const OLECHAR* name,
                          void* reserved1,
                          DWORD mode,
                          DWORD reserved2,
                          IStream** stream) override;
  STDMETHODIMP CreateStorage(const OLECHAR* name,
                             DWORD mode,
                             DWORD reserved1,
                             DWORD reserved2,
                             IStorage** storage) override;
  STDMETHODIMP OpenStorage(const OLECHAR* name,
                           IStorage* priority,
                           DWORD mode,
                           SNB exclude,
                           DWORD reserved,
                           IStorage** storage) override;
  STDMETHODIMP CopyTo(DWORD exclude_count,
                      const IID* exclude_iids,
                      SNB exclude,
                      IStorage* destination) override;
  STDMETHODIMP MoveElementTo(const OLECHAR* name,
                             IStorage* destination,
                             const OLECHAR* new_name,
                             DWORD flags) override;
  STDMETHODIMP Commit(DWORD flags) override;
  STDMETHODIMP Revert() override;
  STDMETHODIMP EnumElements(DWORD reserved1,
                            void* reserved2,
                            DWORD reserved3,
                            IEnumSTATSTG** elements) override;
  STDMETHODIMP DestroyElement(const OLECHAR* name) override;
  STDMETHODIMP RenameElement(const OLECHAR* old_name,
                             const OLECHAR* new_name) override;
  STDMETHODIMP SetElementTimes(const OLECHAR* name,
                               const FILETIME* creation,
                               const FILETIME* access,
                               const FILETIME* modification) override;
  STDMETHODIMP SetClass(REFCLSID clsid) override;
  STDMETHODIMP SetStateBits(DWORD bits, DWORD mask) override;
  STDMETHODIMP Stat(STATSTG* stat, DWORD flags) override;

 private:
  ~BrowserStorage() override;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_BROWSER_WINDOW_BROWSER_STORAGE_H_
