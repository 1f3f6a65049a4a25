#ifndef BASE_WIN_IUNKNOWN_IMPL_H_
#define BASE_WIN_IUNKNOWN_IMPL_H_

#include <unknwn.h>

#include <atomic>

namespace base {
namespace win {

// The one way a COM object of ours counts its references.
//
// The count starts at 0: the creator hands the new object to a
// Microsoft::WRL::ComPtr (or calls AddRef) before anything else can reach it.
// When the count falls back to 0 the object deletes itself. QueryInterface
// answers IID_IUnknown only; a derived class answers its own interfaces and
// passes every other IID on to this one:
//
//   STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
//     if (riid == IID_IDispatch) {
//       *object = static_cast<IDispatch*>(this);
//       AddRef();
//       return S_OK;
//     }
//     return IUnknownImpl::QueryInterface(riid, object);
//   }
//
// A class with several COM bases disambiguates IUnknown by forwarding its
// three IUnknown methods to IUnknownImpl's (IUNKNOWN_IMPL_FORWARD below).
class IUnknownImpl : public IUnknown {
 public:
  IUnknownImpl(const IUnknownImpl&) = delete;
  IUnknownImpl& operator=(const IUnknownImpl&) = delete;

  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;

 protected:
  IUnknownImpl() = default;
  // Only Release deletes the object.
  virtual ~IUnknownImpl();

 private:
  std::atomic<ULONG> ref_count_{0};
};

}  // namespace win
}  // namespace base

// For classes that derive from IUnknownImpl and from further COM interfaces:
// every interface's IUnknown methods end up in the one counter.
#define IUNKNOWN_IMPL_FORWARD()                \
  STDMETHODIMP_(ULONG) AddRef() override {     \
    return base::win::IUnknownImpl::AddRef();  \
  }                                            \
  STDMETHODIMP_(ULONG) Release() override {    \
    return base::win::IUnknownImpl::Release(); \
  }

#endif  // BASE_WIN_IUNKNOWN_IMPL_H_
