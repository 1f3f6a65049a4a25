#ifndef BASE_WIN_SCOPED_BSTR_H_
#define BASE_WIN_SCOPED_BSTR_H_

#include <windows.h>

#include <oleauto.h>

#include <string>

namespace base {
namespace win {

// Owns one BSTR and frees it with SysFreeString. A null BSTR is the empty
// string to COM, and so it is here.
class ScopedBstr {
 public:
  ScopedBstr() = default;
  // Allocates a copy of |text| (embedded NULs kept); Get() stays null when
  // the allocation fails.
  explicit ScopedBstr(const std::wstring& text);
  ScopedBstr(const ScopedBstr&) = delete;
  ScopedBstr& operator=(const ScopedBstr&) = delete;
  ~ScopedBstr();

  BSTR Get() const { return bstr_; }
  // Frees the current string and takes ownership of |bstr|.
  void Reset(BSTR bstr = nullptr);
  // Hands the string over to the caller, who must free it.
  BSTR Release();
  // For out-parameters: frees the current string and returns the slot.
  BSTR* Receive();

  // The length in characters, without the terminator.
  size_t Length() const;
  std::wstring ToWide() const;
  std::string ToUTF8() const;

 private:
  BSTR bstr_ = nullptr;
};

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_SCOPED_BSTR_H_
