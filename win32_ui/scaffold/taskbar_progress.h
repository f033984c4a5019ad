#pragma once

#include <memory>

#include <windows.h>

namespace win32_ui::scaffold {

// What the taskbar button of a window shows of a long task.
enum class TaskbarState {
  none,           // nothing: the plain button
  indeterminate,  // busy, with no figure
  normal,         // a figure, in the system's colour
  error,          // the figure in red: the task failed
  paused,         // the figure in yellow: the task is stopping
};

// The progress a window's taskbar button shows. Made and used on the window's thread; where the
// shell offers no taskbar (a server core, an old shell) every call does nothing.
class TaskbarProgress {
 public:
  explicit TaskbarProgress(HWND window);
  // Clears what the button shows.
  ~TaskbarProgress();
  TaskbarProgress(const TaskbarProgress&) = delete;
  TaskbarProgress& operator=(const TaskbarProgress&) = delete;

  // `done` from 0 to 1; ignored for none and indeterminate.
  void show(TaskbarState state, double done = 0.0);
  [[nodiscard]] TaskbarState state() const noexcept { return state_; }
  // Whether the shell's taskbar answered.
  [[nodiscard]] bool available() const noexcept;

 private:
  struct Shell;
  HWND window_;
  std::unique_ptr<Shell> shell_;
  TaskbarState state_ = TaskbarState::none;
};

}  // namespace win32_ui::scaffold
