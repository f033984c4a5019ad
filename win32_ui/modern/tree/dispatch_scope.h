#pragma once

#include <memory>

namespace win32_ui::modern {

class View;

// Marks input or event delivery in progress on this thread. Routing code holds plain pointers to the
// views it walks, and any handler may clear a group (a language change rebuilds the whole content),
// so views removed while a scope is open are only destroyed when the outermost scope closes; until
// then they are detached from their parent and host, and routing skips them.
class DispatchScope {
 public:
  DispatchScope() noexcept;
  ~DispatchScope();
  DispatchScope(const DispatchScope&) = delete;
  DispatchScope& operator=(const DispatchScope&) = delete;

  // Whether any delivery is in progress on this thread.
  [[nodiscard]] static bool active() noexcept;

  // Destroys a removed view now, or when the outermost scope closes if one is open.
  static void retire(std::unique_ptr<View> view);
};

}  // namespace win32_ui::modern
