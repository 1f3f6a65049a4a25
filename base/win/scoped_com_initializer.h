#ifndef BASE_WIN_SCOPED_COM_INITIALIZER_H_
#define BASE_WIN_SCOPED_COM_INITIALIZER_H_

#include <objbase.h>

namespace base {
namespace win {

// Enters a COM apartment for the current thread for its lifetime and leaves
// it again, but only when entering succeeded (S_FALSE, "already in this
// apartment", counts as success and is balanced too).
class ScopedComInitializer {
 public:
  enum SelectMTA { kMTA };

  // A single-threaded apartment, as windows and OLE controls need.
  ScopedComInitializer();
  // The multithreaded apartment.
  explicit ScopedComInitializer(SelectMTA);
  ScopedComInitializer(const ScopedComInitializer&) = delete;
  ScopedComInitializer& operator=(const ScopedComInitializer&) = delete;
  ~ScopedComInitializer();

  bool Succeeded() const { return SUCCEEDED(hr_); }
  HRESULT hr() const { return hr_; }

 private:
  HRESULT hr_;
};

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_SCOPED_COM_INITIALIZER_H_
