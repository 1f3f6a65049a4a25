#ifndef BASE_TEST_SCOPED_ENVIRONMENT_VARIABLE_OVERRIDE_H_
#define BASE_TEST_SCOPED_ENVIRONMENT_VARIABLE_OVERRIDE_H_

#include <windows.h>

#include <string>

namespace base {

// Gives the environment variable |name| of this process, which the
// processes it starts inherit, the value |value| while it exists, and gives
// it back its earlier value, or none, when it goes.
class ScopedEnvironmentVariableOverride {
 public:
  ScopedEnvironmentVariableOverride(const std::wstring& name,
                                    const std::wstring& value)
      : name_(name) {
    const DWORD size = ::GetEnvironmentVariableW(name_.c_str(), nullptr, 0);
    if (size) {
      earlier_.resize(size);
      earlier_.resize(
          ::GetEnvironmentVariableW(name_.c_str(), earlier_.data(), size));
      had_value_ = true;
    }
    succeeded_ = ::SetEnvironmentVariableW(name_.c_str(), value.c_str());
  }
  ScopedEnvironmentVariableOverride(const ScopedEnvironmentVariableOverride&) =
      delete;
  ScopedEnvironmentVariableOverride& operator=(
      const ScopedEnvironmentVariableOverride&) = delete;
  ~ScopedEnvironmentVariableOverride() {
    ::SetEnvironmentVariableW(name_.c_str(),
                              had_value_ ? earlier_.c_str() : nullptr);
  }

  bool Succeeded() const { return succeeded_; }

 private:
  const std::wstring name_;
  std::wstring earlier_;
  bool had_value_ = false;
  bool succeeded_ = false;
};

}  // namespace base

#endif  // BASE_TEST_SCOPED_ENVIRONMENT_VARIABLE_OVERRIDE_H_
