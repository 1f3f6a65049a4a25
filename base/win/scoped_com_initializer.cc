#include "base/win/scoped_com_initializer.h"

namespace base {
namespace win {

ScopedComInitializer::ScopedComInitializer()
    : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}

ScopedComInitializer::ScopedComInitializer(SelectMTA)
    : hr_(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}

ScopedComInitializer::~ScopedComInitializer() {
  if (SUCCEEDED(hr_))
    ::CoUninitialize();
}

}  // namespace win
}  // namespace base
