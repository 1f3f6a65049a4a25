#ifndef BASE_AT_EXIT_H_
#define BASE_AT_EXIT_H_

#include <functional>
#include <mutex>
#include <vector>

namespace base {

// Runs registered callbacks, last registered first, when it is destroyed.
// One manager lives on the stack of the program's entry point; lazily created
// singletons register their deletion with it so that they die in reverse
// order of creation. Managers may nest (tests); the innermost one is active.
class AtExitManager {
 public:
  using Callback = std::function<void()>;

  AtExitManager();
  AtExitManager(const AtExitManager&) = delete;
  AtExitManager& operator=(const AtExitManager&) = delete;
  ~AtExitManager();

  // Registers |callback| with the active manager. Returns false (and drops
  // the callback) when no manager exists.
  static bool RegisterCallback(Callback callback);

  // Runs and clears the callbacks of the active manager now.
  static void ProcessCallbacksNow();

 private:
  std::mutex lock_;
  std::vector<Callback> stack_;
  AtExitManager* next_manager_;
};

}  // namespace base

#endif  // BASE_AT_EXIT_H_
