#include "scaffold/taskbar_progress.h"

#include <shobjidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <cmath>

namespace win32_ui::scaffold {
namespace {

TBPFLAG flag_of(TaskbarState state) noexcept {
  switch (state) {
    case TaskbarState::indeterminate: return TBPF_INDETERMINATE;
    case TaskbarState::normal: return TBPF_NORMAL;
    case TaskbarState::error: return TBPF_ERROR;
    case TaskbarState::paused: return TBPF_PAUSED;
    case TaskbarState::none: break;
  }
  return TBPF_NOPROGRESS;
}

}  // namespace

struct TaskbarProgress::Shell {
  Microsoft::WRL::ComPtr<ITaskbarList3> list;
};

TaskbarProgress::TaskbarProgress(HWND window) : window_(window), shell_(std::make_unique<Shell>()) {
  // The calling thread's apartment is the window's; the object is the shell's own.
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&shell_->list))) ||
      FAILED(shell_->list->HrInit())) {
    shell_->list.Reset();
  }
}

TaskbarProgress::~TaskbarProgress() {
  if (state_ != TaskbarState::none) show(TaskbarState::none);
}

bool TaskbarProgress::available() const noexcept { return shell_->list != nullptr; }

void TaskbarProgress::show(TaskbarState state, double done) {
  state_ = state;
  if (!shell_->list || window_ == nullptr) return;
  // The value first: setting it on a button showing nothing would switch it to normal.
  if (state != TaskbarState::none && state != TaskbarState::indeterminate) {
    const double clamped = std::isfinite(done) ? std::clamp(done, 0.0, 1.0) : 0.0;
    constexpr ULONGLONG total = 1000;
    shell_->list->SetProgressValue(window_, static_cast<ULONGLONG>(std::lround(clamped * total)), total);
  }
  shell_->list->SetProgressState(window_, flag_of(state));
}

}  // namespace win32_ui::scaffold
