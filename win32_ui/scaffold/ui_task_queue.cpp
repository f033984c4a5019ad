#include "scaffold/ui_task_queue.h"

#include <windows.h>

#include <deque>
#include <mutex>
#include <utility>

namespace win32_ui::scaffold {

namespace {

constexpr wchar_t queue_class[] = L"Win32UiTaskQueue";
constexpr UINT run_tasks = WM_APP + 0x51;

}  // namespace

struct UiTaskQueue::Poster::State {
  std::mutex mutex;
  std::deque<std::function<void()>> tasks;
  HWND window = nullptr;   // null once the queue is gone
  bool wake_posted = false;  // one wake-up message covers every task queued before it is handled

  // Runs the queued tasks one at a time, each taken out of the queue before it runs, so a task
  // that pumps messages (a modal dialog) leaves the queue consistent for the ones run inside it.
  void drain() {
    {
      const std::lock_guard lock(mutex);
      wake_posted = false;
    }
    for (;;) {
      std::function<void()> task;
      {
        const std::lock_guard lock(mutex);
        if (tasks.empty() || window == nullptr) return;
        task = std::move(tasks.front());
        tasks.pop_front();
      }
      try {
        task();
      } catch (...) {
        // A failing task must not unwind into the system's dispatcher, nor stop the ones after it.
      }
    }
  }
};

namespace {

LRESULT CALLBACK queue_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  if (message == run_tasks) {
    // The state lives while the window does: the queue destroys the window before letting go of it.
    if (auto* state = reinterpret_cast<UiTaskQueue::Poster::State*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
      try {
        state->drain();
      } catch (...) {
        // Nothing unwinds into the system's dispatcher (a lock that failed); the next post wakes it.
      }
    }
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

ATOM register_queue_class() {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &queue_proc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = queue_class;
  return RegisterClassExW(&window_class);
}

}  // namespace

bool UiTaskQueue::Poster::post(std::function<void()> task) const {
  if (!state_ || !task) return false;
  const std::lock_guard lock(state_->mutex);
  if (state_->window == nullptr) return false;
  state_->tasks.push_back(std::move(task));
  if (!state_->wake_posted) {
    state_->wake_posted = PostMessageW(state_->window, run_tasks, 0, 0) != FALSE;
    if (!state_->wake_posted) {
      state_->tasks.pop_back();
      return false;
    }
  }
  return true;
}

UiTaskQueue::UiTaskQueue() {
  static const ATOM atom = register_queue_class();
  poster_.state_ = std::make_shared<Poster::State>();
  if (atom == 0) return;
  // A message-only window: it never shows, takes no input and is not enumerated with the top-level
  // windows.
  const HWND window = CreateWindowExW(0, queue_class, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) return;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(poster_.state_.get()));
  const std::lock_guard lock(poster_.state_->mutex);
  poster_.state_->window = window;
}

UiTaskQueue::~UiTaskQueue() {
  HWND window = nullptr;
  std::deque<std::function<void()>> dropped;
  {
    const std::lock_guard lock(poster_.state_->mutex);
    window = std::exchange(poster_.state_->window, nullptr);
    dropped.swap(poster_.state_->tasks);
  }
  // Destroyed outside the lock: the tasks' captures may hold things whose destructors post.
  if (window != nullptr) DestroyWindow(window);
}

bool UiTaskQueue::ok() const {
  const std::lock_guard lock(poster_.state_->mutex);
  return poster_.state_->window != nullptr;
}

}  // namespace win32_ui::scaffold
