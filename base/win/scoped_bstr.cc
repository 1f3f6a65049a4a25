#include "base/win/scoped_bstr.h"

#include "base/strings/utf_string_conversions.h"

namespace base {
namespace win {

ScopedBstr::ScopedBstr(const std::wstring& text)
    : bstr_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}

ScopedBstr::~ScopedBstr() {
  ::SysFreeString(bstr_);
}

void ScopedBstr::Reset(BSTR bstr) {
  if (bstr != bstr_) {
    ::SysFreeString(bstr_);
    bstr_ = bstr;
  }
}

BSTR ScopedBstr::Release() {
  BSTR bstr = bstr_;
  bstr_ = nullptr;
  return bstr;
}

BSTR* ScopedBstr::Receive() {
  Reset();
  return &bstr_;
}

size_t ScopedBstr::Length() const {
  return ::SysStringLen(bstr_);
}

std::wstring ScopedBstr::ToWide() const {
  return bstr_ ? std::wstring(bstr_, Length()) : std::wstring();
}

std::string ScopedBstr::ToUTF8() const {
  return base::WideToUTF8(ToWide());
}

}  // namespace win
}  // namespace base
