#include "modern/tree/dispatch_scope.h"

#include <utility>
#include <vector>

#include "modern/tree/view.h"

namespace win32_ui::modern {
namespace {

struct RetiredViews {
  int depth = 0;
  std::vector<std::unique_ptr<View>> views;
};

RetiredViews& retired() {
  thread_local RetiredViews state;
  return state;
}

}  // namespace

DispatchScope::DispatchScope() noexcept { ++retired().depth; }

DispatchScope::~DispatchScope() {
  RetiredViews& state = retired();
  if (--state.depth > 0) return;
  // A destructor may retire more views (through animation callbacks): keep the depth raised while
  // draining so that they join the list instead of being destroyed inside the loop.
  ++state.depth;
  while (!state.views.empty()) {
    std::vector<std::unique_ptr<View>> batch = std::move(state.views);
    state.views.clear();
    batch.clear();
  }
  --state.depth;
}

bool DispatchScope::active() noexcept { return retired().depth > 0; }

void DispatchScope::retire(std::unique_ptr<View> view) {
  if (view == nullptr) return;
  RetiredViews& state = retired();
  if (state.depth == 0) {
    view.reset();
    return;
  }
  state.views.push_back(std::move(view));
}

}  // namespace win32_ui::modern
