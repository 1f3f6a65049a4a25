#include "base/message_loop/message_loop.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "base/logging.h"
#include "base/win/wrapped_window_proc.h"

namespace base {

namespace {

constexpr wchar_t kWindowClassName[] = L"TavrinMessageLoopWindow";
// Posted to the loop's window when the incoming queue gained a task.
constexpr UINT kMsgHaveWork = WM_USER + 1;
constexpr UINT_PTR kDelayedWorkTimerId = 1;

thread_local MessageLoop* g_current_loop = nullptr;

struct QueuedTask {
  Location from_here;
  OnceClosure task;
  bool nestable;
};

// Sorted by due time, then by posting order.
using TaskKey = std::pair<TimeTicks, uint64_t>;

// The part of a loop that other threads reach. The loop owns it; task runners
// hold only a weak link, so a post after the loop is gone fails instead of
// touching freed memory.
class IncomingQueue {
 public:
  IncomingQueue(HWND hwnd, DWORD thread_id)
      : hwnd_(hwnd), thread_id_(thread_id) {}

  bool Add(const Location& from_here,
           OnceClosure task,
           TimeDelta delay,
           bool nestable) {
    std::lock_guard<std::mutex> hold(lock_);
    if (!accepting_)
      return false;
    // The due time is taken under the lock so that tasks from different
    // threads keep their posting order.
    TimeTicks due = TimeTicks::Now();
    if (delay > TimeDelta())
      due = due + delay;
    tasks_.emplace(TaskKey(due, next_sequence_++),
                   QueuedTask{from_here, std::move(task), nestable});
    ScheduleWorkLocked();
    return true;
  }

  // Makes sure a "have work" message is on its way to the loop.
  void ScheduleWork() {
    std::lock_guard<std::mutex> hold(lock_);
    ScheduleWorkLocked();
  }

  // Called on the loop's thread when the "have work" message arrives: a post
  // from now on needs a new message.
  void OnHaveWorkMessage() {
    std::lock_guard<std::mutex> hold(lock_);
    have_work_posted_ = false;
  }

  void TakeTasks(std::map<TaskKey, QueuedTask>* into) {
    std::lock_guard<std::mutex> hold(lock_);
    if (into->empty())
      into->swap(tasks_);
    else
      into->merge(tasks_);
    tasks_.clear();
  }

  // Refuses every later post and hands back what is still queued.
  std::map<TaskKey, QueuedTask> Close() {
    std::lock_guard<std::mutex> hold(lock_);
    accepting_ = false;
    hwnd_ = nullptr;
    return std::move(tasks_);
  }

  DWORD thread_id() const { return thread_id_; }

 private:
  void ScheduleWorkLocked() {
    if (have_work_posted_ || !hwnd_)
      return;
    // At most one message is outstanding; the loop takes every queued task
    // when it arrives. Should the post fail (a full message queue), the loop
    // is busy with messages and still looks at the queue on its next pass.
    have_work_posted_ = ::PostMessageW(hwnd_, kMsgHaveWork, 0, 0) != FALSE;
  }

  std::mutex lock_;
  HWND hwnd_;
  const DWORD thread_id_;
  bool accepting_ = true;
  bool have_work_posted_ = false;
  uint64_t next_sequence_ = 0;
  std::map<TaskKey, QueuedTask> tasks_;
};

class LoopTaskRunner : public SingleThreadTaskRunner {
 public:
  explicit LoopTaskRunner(std::weak_ptr<IncomingQueue> incoming)
      : incoming_(std::move(incoming)) {}

  bool PostDelayedTask(const Location& from_here,
                       OnceClosure task,
                       TimeDelta delay) override {
    std::shared_ptr<IncomingQueue> incoming = incoming_.lock();
    return incoming && incoming->Add(from_here, std::move(task), delay, true);
  }

  bool PostNonNestableDelayedTask(const Location& from_here,
                                  OnceClosure task,
                                  TimeDelta delay) override {
    std::shared_ptr<IncomingQueue> incoming = incoming_.lock();
    return incoming && incoming->Add(from_here, std::move(task), delay, false);
  }

  bool RunsTasksOnCurrentThread() const override {
    std::shared_ptr<IncomingQueue> incoming = incoming_.lock();
    return incoming && incoming->thread_id() == ::GetCurrentThreadId();
  }

 private:
  std::weak_ptr<IncomingQueue> incoming_;
};

}  // namespace

class MessageLoop::Impl {
 public:
  Impl();
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
  ~Impl();

  std::shared_ptr<SingleThreadTaskRunner> task_runner() const {
    return task_runner_;
  }

  // Refuses later posts and drops every queued task.
  void Close();

  void Run(bool until_idle);
  void QuitWhenIdle();
  void QuitNow();

 private:
  struct RunState {
    bool quit_now = false;
    bool quit_when_idle = false;
    // Tasks on the stack when this run began; more means a task of this run
    // is executing.
    int task_depth_at_start = 0;
  };

  static LRESULT CALLBACK WindowProc(HWND hwnd,
                                     UINT message,
                                     WPARAM wparam,
                                     LPARAM lparam);

  // Takes one message from the queue and handles it; false when none.
  bool ProcessNextMessage(RunState* state);
  void HandleMessage(const MSG& msg);
  void OnQuitMessage(RunState* state, WPARAM exit_code);
  // Blocks until a message (ours or anyone's) arrives and handles it.
  void WaitForWork(RunState* state);
  // Runs the first task that is due and may run here; false when none.
  bool RunOneReadyTask(bool nested);
  void RunTaskFromForeignLoop();
  void ArmDelayedWorkTimer();

  HWND hwnd_ = nullptr;
  std::shared_ptr<IncomingQueue> incoming_;
  std::shared_ptr<SingleThreadTaskRunner> task_runner_;
  std::map<TaskKey, QueuedTask> work_;
  std::vector<RunState*> runs_;
  int task_depth_ = 0;
};

MessageLoop::Impl::Impl() {
  // Registered once per process, for every thread's loop.
  static const HINSTANCE instance = [] {
    WNDCLASSEXW wc;
    win::InitializeWindowClass(kWindowClassName, &Impl::WindowProc, 0, 0, 0,
                               nullptr, nullptr, nullptr, nullptr, nullptr,
                               &wc);
    if (!::RegisterClassExW(&wc) &&
        ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      PLOG(ERROR) << "Failed to register the message loop window class";
    }
    return wc.hInstance;
  }();
  // A message-only window: never shown, not enumerated, but it receives
  // posted messages and timers on this thread's queue.
  hwnd_ = ::CreateWindowExW(0, kWindowClassName, nullptr, 0, 0, 0, 0, 0,
                            HWND_MESSAGE, nullptr, instance, nullptr);
  CHECK(hwnd_) << "Failed to create the message loop window, error "
               << ::GetLastError();
  ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  incoming_ = std::make_shared<IncomingQueue>(hwnd_, ::GetCurrentThreadId());
  task_runner_ = std::make_shared<LoopTaskRunner>(incoming_);
}

MessageLoop::Impl::~Impl() {
  Close();
  ::KillTimer(hwnd_, kDelayedWorkTimerId);
  ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  ::DestroyWindow(hwnd_);
}

void MessageLoop::Impl::Close() {
  std::map<TaskKey, QueuedTask> dropped = incoming_->Close();
  // Destroying a task may release objects that post again; the queue is
  // closed by now, so those posts fail instead of landing here.
  dropped.clear();
  std::map<TaskKey, QueuedTask> work = std::move(work_);
  work_.clear();
  work.clear();
}

void MessageLoop::Impl::Run(bool until_idle) {
  RunState state;
  state.quit_when_idle = until_idle;
  state.task_depth_at_start = task_depth_;
  runs_.push_back(&state);
  for (;;) {
    bool did_work = ProcessNextMessage(&state);
    if (state.quit_now)
      break;
    did_work |= RunOneReadyTask(runs_.size() > 1);
    if (state.quit_now)
      break;
    if (did_work)
      continue;
    if (state.quit_when_idle)
      break;
    WaitForWork(&state);
    if (state.quit_now)
      break;
  }
  runs_.pop_back();
}

void MessageLoop::Impl::QuitWhenIdle() {
  if (runs_.empty()) {
    LOG(WARNING) << "QuitWhenIdle called while the message loop is not running";
    return;
  }
  runs_.back()->quit_when_idle = true;
}

void MessageLoop::Impl::QuitNow() {
  if (runs_.empty()) {
    LOG(WARNING) << "QuitNow called while the message loop is not running";
    return;
  }
  runs_.back()->quit_now = true;
}

bool MessageLoop::Impl::ProcessNextMessage(RunState* state) {
  MSG msg;
  if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    return false;
  if (msg.message == WM_QUIT)
    OnQuitMessage(state, msg.wParam);
  else
    HandleMessage(msg);
  return true;
}

void MessageLoop::Impl::HandleMessage(const MSG& msg) {
  if (msg.hwnd == hwnd_) {
    // The loop's own messages only wake it; the loop itself then runs the
    // tasks, between messages, never from inside a dispatch.
    if (msg.message == kMsgHaveWork) {
      incoming_->OnHaveWorkMessage();
      return;
    }
    if (msg.message == WM_TIMER && msg.wParam == kDelayedWorkTimerId) {
      ::KillTimer(hwnd_, kDelayedWorkTimerId);
      return;
    }
  }
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
}

void MessageLoop::Impl::OnQuitMessage(RunState* state, WPARAM exit_code) {
  state->quit_now = true;
  // An enclosing run should end as well; leave the message for it.
  if (runs_.size() > 1)
    ::PostQuitMessage(static_cast<int>(exit_code));
}

void MessageLoop::Impl::WaitForWork(RunState* state) {
  ArmDelayedWorkTimer();
  MSG msg;
  BOOL result = ::GetMessageW(&msg, nullptr, 0, 0);
  if (result == 0) {
    OnQuitMessage(state, msg.wParam);
  } else if (result == -1) {
    PLOG(ERROR) << "GetMessage failed";
    ::Sleep(1);
  } else {
    HandleMessage(msg);
  }
}

bool MessageLoop::Impl::RunOneReadyTask(bool nested) {
  incoming_->TakeTasks(&work_);
  const TimeTicks now = TimeTicks::Now();
  for (auto it = work_.begin(); it != work_.end() && it->first.first <= now;
       ++it) {
    // A non-nestable task waits for the outermost run; later tasks may pass
    // it meanwhile.
    if (nested && !it->second.nestable)
      continue;
    OnceClosure task = std::move(it->second.task);
    work_.erase(it);
    ++task_depth_;
    task();
    --task_depth_;
    return true;
  }
  return false;
}

void MessageLoop::Impl::RunTaskFromForeignLoop() {
  // Another message loop (a menu's, a dialog's) dispatched our message, so
  // our own pass is blocked until it ends. Tasks may run here, one per
  // message so that loop stays responsive, but never inside a running task:
  // tasks do not nest.
  if (runs_.empty())
    return;  // Not running: the next Run takes the tasks.
  RunState* state = runs_.back();
  if (task_depth_ != state->task_depth_at_start || state->quit_now)
    return;
  if (RunOneReadyTask(true))
    incoming_->ScheduleWork();
  else
    ArmDelayedWorkTimer();
}

void MessageLoop::Impl::ArmDelayedWorkTimer() {
  if (work_.empty()) {
    ::KillTimer(hwnd_, kDelayedWorkTimerId);
    return;
  }
  const TimeDelta delay = work_.begin()->first.first - TimeTicks::Now();
  // Rounded up so that the timer never fires before the task is due. A delay
  // beyond the timer's range (up to "never", the largest delta) waits as
  // long as a timer can; rounding it would overflow.
  int64_t ms = USER_TIMER_MAXIMUM;
  if (delay < TimeDelta::FromMilliseconds(USER_TIMER_MAXIMUM)) {
    ms = std::max<int64_t>((delay.InMicroseconds() + 999) / 1000,
                           USER_TIMER_MINIMUM);
  }
  ::SetTimer(hwnd_, kDelayedWorkTimerId, static_cast<UINT>(ms), nullptr);
}

// static
LRESULT CALLBACK MessageLoop::Impl::WindowProc(HWND hwnd,
                                               UINT message,
                                               WPARAM wparam,
                                               LPARAM lparam) {
  Impl* self =
      reinterpret_cast<Impl*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self) {
    if (message == kMsgHaveWork) {
      self->incoming_->OnHaveWorkMessage();
      self->RunTaskFromForeignLoop();
      return 0;
    }
    if (message == WM_TIMER && wparam == kDelayedWorkTimerId) {
      ::KillTimer(hwnd, kDelayedWorkTimerId);
      self->RunTaskFromForeignLoop();
      return 0;
    }
  }
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

// MessageLoop ----------------------------------------------------------------

MessageLoop::MessageLoop(Type type) : type_(type) {
  CHECK(!g_current_loop) << "A thread has at most one message loop";
  impl_ = std::make_unique<Impl>();
  g_current_loop = this;
}

MessageLoop::~MessageLoop() {
  // Queued tasks are dropped while current() still answers, as their
  // destruction may look for the loop.
  impl_->Close();
  impl_.reset();
  g_current_loop = nullptr;
}

// static
MessageLoop* MessageLoop::current() {
  return g_current_loop;
}

std::shared_ptr<SingleThreadTaskRunner> MessageLoop::task_runner() const {
  return impl_->task_runner();
}

void MessageLoop::Run() {
  impl_->Run(false);
}

void MessageLoop::RunUntilIdle() {
  impl_->Run(true);
}

void MessageLoop::QuitWhenIdle() {
  impl_->QuitWhenIdle();
}

void MessageLoop::QuitNow() {
  impl_->QuitNow();
}

}  // namespace base
