#ifndef BASE_MEMORY_SINGLETON_H_
#define BASE_MEMORY_SINGLETON_H_

#include <mutex>

#include "base/at_exit.h"

namespace base {

// A process-wide instance of |Type|, created on first use (one creator wins
// a race, the others wait) and deleted by the at-exit manager, after which a
// later get() creates a fresh instance. |Type| befriends Singleton<Type> to
// keep its constructor private.
template <typename Type>
class Singleton {
 public:
  static Type* get() {
    std::lock_guard<std::mutex> hold(lock());
    if (!instance()) {
      instance() = new Type();
      AtExitManager::RegisterCallback(&Singleton::Delete);
    }
    return instance();
  }

 private:
  static void Delete() {
    Type* doomed;
    {
      std::lock_guard<std::mutex> hold(lock());
      doomed = instance();
      instance() = nullptr;
    }
    delete doomed;
  }
  static Type*& instance() {
    static Type* value = nullptr;
    return value;
  }
  static std::mutex& lock() {
    static std::mutex value;
    return value;
  }
};

}  // namespace base

#endif  // BASE_MEMORY_SINGLETON_H_
