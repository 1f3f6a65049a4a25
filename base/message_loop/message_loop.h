#ifndef BASE_MESSAGE_LOOP_MESSAGE_LOOP_H_
#define BASE_MESSAGE_LOOP_MESSAGE_LOOP_H_

#include <memory>

#include "base/task_runner.h"

namespace base {

// A task loop on the thread's Win32 message queue, so that windows, timers
// and posted tasks are served by one loop. At most one per thread.
class MessageLoop {
 public:
  enum Type { TYPE_DEFAULT, TYPE_UI };

  explicit MessageLoop(Type type = TYPE_DEFAULT);
  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;
  // Tasks still queued are dropped; the task runner refuses tasks from then
  // on.
  ~MessageLoop();

  // The loop of the calling thread, or null.
  static MessageLoop* current();

  Type type() const { return type_; }
  std::shared_ptr<SingleThreadTaskRunner> task_runner() const;

  // Runs tasks and messages until QuitWhenIdle or QuitNow.
  void Run();
  // Runs every ready task and message, including those they post, and
  // returns when nothing ready is left. Delayed tasks not yet due stay.
  void RunUntilIdle();
  // Makes Run return once no ready task or message is left.
  void QuitWhenIdle();
  // Makes Run return after the current task.
  void QuitNow();

  class Impl;

 private:
  Type type_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_LOOP_H_
