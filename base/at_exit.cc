#include "base/at_exit.h"

#include <atomic>
#include <utility>

namespace base {

namespace {

// The innermost live manager. Managers live on the stack and nest strictly,
// so a plain chain through |next_manager_| is enough.
std::atomic<AtExitManager*> g_top_manager{nullptr};

// Runs callbacks last registered first, one at a time, so that one
// registered by a running callback (a singleton's destructor touching another
// singleton) is the next to run.
void RunCallbacks(std::mutex* lock,
                  std::vector<AtExitManager::Callback>* stack) {
  while (true) {
    AtExitManager::Callback callback;
    {
      std::lock_guard<std::mutex> hold(*lock);
      if (stack->empty())
        return;
      callback = std::move(stack->back());
      stack->pop_back();
    }
    callback();
  }
}

}  // namespace

AtExitManager::AtExitManager() : next_manager_(g_top_manager.load()) {
  g_top_manager.store(this);
}

AtExitManager::~AtExitManager() {
  RunCallbacks(&lock_, &stack_);
  g_top_manager.store(next_manager_);
}

// static
bool AtExitManager::RegisterCallback(Callback callback) {
  AtExitManager* manager = g_top_manager.load();
  if (!manager || !callback)
    return false;
  std::lock_guard<std::mutex> hold(manager->lock_);
  manager->stack_.push_back(std::move(callback));
  return true;
}

// static
void AtExitManager::ProcessCallbacksNow() {
  AtExitManager* manager = g_top_manager.load();
  if (manager)
    RunCallbacks(&manager->lock_, &manager->stack_);
}

}  // namespace base
