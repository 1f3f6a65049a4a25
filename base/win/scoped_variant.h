#ifndef BASE_WIN_SCOPED_VARIANT_H_
#define BASE_WIN_SCOPED_VARIANT_H_

#include <windows.h>

#include <oleauto.h>

#include <string>

namespace base {
namespace win {

// Owns one VARIANT and clears it with VariantClear, which frees a BSTR and
// releases an interface it holds. Starts as VT_EMPTY.
class ScopedVariant {
 public:
  ScopedVariant();
  // A VT_BSTR copy of |text|; VT_EMPTY when the allocation fails.
  explicit ScopedVariant(const std::wstring& text);
  // VT_I4 (or VT_BOOL when |vt| says so; the value is then
  // VARIANT_TRUE or VARIANT_FALSE).
  explicit ScopedVariant(long value, VARTYPE vt = VT_I4);
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  ~ScopedVariant();

  VARTYPE type() const { return V_VT(&var_); }
  const VARIANT& Get() const { return var_; }
  // For in-parameters that the callee only reads.
  VARIANT* AsInput() const { return const_cast<VARIANT*>(&var_); }

  // Clears the current value and takes ownership of |var| (a shallow copy:
  // the caller must not clear |var| afterwards).
  void Reset(const VARIANT& var);
  void Reset();
  // Hands the value to the caller, who must clear it; this one is empty then.
  VARIANT Release();
  // For out-parameters: clears the current value and returns the slot.
  VARIANT* Receive();

  // Replace the value; a string that cannot be allocated leaves VT_EMPTY and
  // returns false.
  bool SetString(const std::wstring& text);
  void SetInt(long value);
  void SetBool(bool value);

  // The value converted to text (VariantChangeType to VT_BSTR); false when
  // it has none, as VT_EMPTY, VT_NULL and objects do not convert.
  bool ToWide(std::wstring* text) const;
  bool ToUTF8(std::string* text) const;

 private:
  VARIANT var_;
};

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_SCOPED_VARIANT_H_
