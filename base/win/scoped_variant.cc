#include "base/win/scoped_variant.h"

#include "base/strings/utf_string_conversions.h"

namespace base {
namespace win {

ScopedVariant::ScopedVariant() {
  ::VariantInit(&var_);
}

ScopedVariant::ScopedVariant(const std::wstring& text) {
  ::VariantInit(&var_);
  SetString(text);
}

ScopedVariant::ScopedVariant(long value, VARTYPE vt) {
  ::VariantInit(&var_);
  if (vt == VT_BOOL)
    SetBool(value != 0);
  else
    SetInt(value);
}

ScopedVariant::~ScopedVariant() {
  ::VariantClear(&var_);
}

void ScopedVariant::Reset(const VARIANT& var) {
  if (&var != &var_) {
    ::VariantClear(&var_);
    var_ = var;
  }
}

void ScopedVariant::Reset() {
  ::VariantClear(&var_);
}

VARIANT ScopedVariant::Release() {
  VARIANT var = var_;
  V_VT(&var_) = VT_EMPTY;
  return var;
}

VARIANT* ScopedVariant::Receive() {
  ::VariantClear(&var_);
  return &var_;
}

bool ScopedVariant::SetString(const std::wstring& text) {
  ::VariantClear(&var_);
  BSTR bstr = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!bstr)
    return false;
  V_VT(&var_) = VT_BSTR;
  V_BSTR(&var_) = bstr;
  return true;
}

void ScopedVariant::SetInt(long value) {
  ::VariantClear(&var_);
  V_VT(&var_) = VT_I4;
  V_I4(&var_) = value;
}

void ScopedVariant::SetBool(bool value) {
  ::VariantClear(&var_);
  V_VT(&var_) = VT_BOOL;
  V_BOOL(&var_) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

bool ScopedVariant::ToWide(std::wstring* text) const {
  // The system turns VT_EMPTY into an empty string, which would make a value
  // that is not there look like one that is.
  if (V_VT(&var_) == VT_EMPTY)
    return false;
  VARIANT converted;
  ::VariantInit(&converted);
  if (FAILED(::VariantChangeType(&converted, const_cast<VARIANT*>(&var_), 0,
                                 VT_BSTR)))
    return false;
  BSTR bstr = V_BSTR(&converted);
  *text = bstr ? std::wstring(bstr, ::SysStringLen(bstr)) : std::wstring();
  ::VariantClear(&converted);
  return true;
}

bool ScopedVariant::ToUTF8(std::string* text) const {
  std::wstring wide;
  if (!ToWide(&wide))
    return false;
  *text = base::WideToUTF8(wide);
  return true;
}

}  // namespace win
}  // namespace base
