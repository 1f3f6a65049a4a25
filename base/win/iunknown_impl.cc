#include "base/win/iunknown_impl.h"

namespace base {
namespace win {

IUnknownImpl::~IUnknownImpl() = default;

ULONG IUnknownImpl::AddRef() {
  return ++ref_count_;
}

ULONG IUnknownImpl::Release() {
  ULONG count = --ref_count_;
  if (count == 0)
    delete this;
  return count;
}

HRESULT IUnknownImpl::QueryInterface(REFIID riid, void** object) {
  if (!object)
    return E_POINTER;
  if (riid == IID_IUnknown) {
    *object = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

}  // namespace win
}  // namespace base
