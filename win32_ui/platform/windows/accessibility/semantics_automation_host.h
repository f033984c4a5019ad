#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "accessibility/semantics_snapshot.h"

struct IRawElementProviderSimple;

namespace win32_ui::modern {
class ViewRoot;
struct Event;
}  // namespace win32_ui::modern

namespace win32_ui::platform::windows::accessibility {

using win32_ui::accessibility::SemanticsEvent;
using win32_ui::accessibility::Snapshot;

// Where a surface's UIA events go: the seam through which tests record them (Wine 8 delivers no UIA
// event to any client: UiaClientsAreListening stays false there). Called on the surface's UI thread,
// never with the bridge's mutex held.
class AutomationEventSink {
 public:
  virtual ~AutomationEventSink() = default;
  // Whether any client listens (UiaClientsAreListening); nothing is raised otherwise.
  virtual bool listening() = 0;
  // Raises one event on the provider made for it (the root provider for events on node 0).
  virtual void raise(const SemanticsEvent& event, IRawElementProviderSimple& provider) = 0;
};

// The sink of the real UIA: UiaRaiseAutomationEvent, UiaRaiseAutomationPropertyChangedEvent and
// UiaRaiseStructureChangedEvent, listening as UiaClientsAreListening says.
[[nodiscard]] std::shared_ptr<AutomationEventSink> uia_event_sink();

// Replaces the sink every host of the process raises through (null puts the real UIA back); returns the
// one it replaces. For tests that watch the events of the real program's surfaces.
std::shared_ptr<AutomationEventSink> install_event_sink(std::shared_ptr<AutomationEventSink> sink);

// An action asked of a node by a UIA client, carried to the UI thread.
struct ActionCall {
  std::uint64_t node = 0;  // 0 = the root
  std::uint32_t action = 0;
  double number = 0.0;
  std::wstring text;
  bool result = false;
  // What the snapshot after the action differed by (raised as events on success).
  std::vector<SemanticsEvent> changes;
};

// One surface's bridge state, shared by its host and every provider handed out for it; every field is
// guarded by `mutex`. Providers outlive the surface safely: they hold only this.
struct ProviderState {
  std::mutex mutex;
  HWND window = nullptr;
  DWORD thread = 0;
  modern::ViewRoot* root = nullptr;  // touched on the UI thread only
  bool has_content = false;
  Snapshot snapshot;
  double dpi = 96.0;
  double ui_scale = 1.0;
  double scroll_offset = 0.0;
  bool metrics_set = false;
  std::unordered_map<std::uint64_t, std::shared_ptr<ActionCall>> pending;
  std::uint64_t counter = 0;
  DWORD action_timeout_ms = 5000;
  std::shared_ptr<AutomationEventSink> sink;  // this surface's own, else the process's
  bool dialog = false;  // the root is a dialog window (UIA Window, IsDialog), not a pane

  // Attached and showing a tree.
  [[nodiscard]] bool live() const noexcept { return window != nullptr && has_content; }
};

// How a provider carries an action to the UI thread.
enum class Dispatch {
  // Sent with a bounded wait; the caller learns whether the view did it (set value, range value,
  // expand, collapse, focus).
  synchronous = 0,
  // Posted; the caller returns at once and hears of the effect through the usual events (invoke and
  // toggle, which may run a modal loop: Export's save dialog, the About box).
  posted = 1,
};

// The UI Automation host of one surface: keeps the thread-safe snapshot of the surface's
// semantic nodes, raises UIA events for its changes, answers WM_GETOBJECT with the root provider and
// runs the actions UIA's threads send to the UI thread. Every operation but the provider side runs on
// the surface's UI thread.
class SemanticsAutomationHost {
 public:
  SemanticsAutomationHost();
  ~SemanticsAutomationHost();
  SemanticsAutomationHost(const SemanticsAutomationHost&) = delete;
  SemanticsAutomationHost& operator=(const SemanticsAutomationHost&) = delete;

  // Binds to a live window and its view root, builds the first snapshot (which raises nothing).
  void attach(HWND window, modern::ViewRoot& root);
  // Forgets window, root, snapshot and pending actions and tells UIA to drop the window's providers.
  void detach();
  // Builds a new snapshot now and raises events for its differences.
  void refresh();
  // A change somewhere in the tree's semantics: one refresh is posted, however many changes come before
  // it runs (views notify on every small change, sometimes in the middle of rebuilding).
  void semantics_changed();
  // DPI, UI scale and scroll offset (DIPs); a change after the first call raises a layout invalidation.
  void set_metrics(double dpi, double ui_scale, double scroll_offset);
  // Every event the surface dispatched: an invoke not made through accessibility raises Invoked.
  void event_notice(const modern::Event& event);
  // The window message hook: WM_GETOBJECT for UiaRootObjectId and the action message; WM_ENABLE
  // refreshes the snapshot (nodes of a disabled window report disabled) and passes on; false passes the
  // message on.
  bool handle_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);

  // A new reference to the root provider of this surface (what WM_GETOBJECT hands out).
  [[nodiscard]] IRawElementProviderSimple* root_provider() const;
  [[nodiscard]] const std::shared_ptr<ProviderState>& state() const noexcept { return state_; }
  // This host's own sink in place of the process's (null: the process's again).
  void set_event_sink(std::shared_ptr<AutomationEventSink> sink);
  // Whether the surface's window is a dialog: its root reports control type Window and IsDialog.
  void set_dialog(bool dialog);
  // How long a synchronous action waits for the UI thread (5 s).
  void set_action_timeout(DWORD milliseconds);

  // The registered action message, "win32_ui.SemanticsAutomationHost.Action.v1".
  [[nodiscard]] static UINT action_message();

 private:
  std::shared_ptr<ProviderState> state_;
  bool refresh_posted_ = false;
};

// Carries one action to the UI thread of a surface and runs it there: directly on
// the UI thread, else under a fresh key by the action message, sent with the state's timeout or posted.
// Returns whether the action was delivered and the view did it (for a posted action: whether it was
// posted).
bool dispatch_action(const std::shared_ptr<ProviderState>& state, const std::shared_ptr<ActionCall>& call, Dispatch how);

// Runs an action on the UI thread: the focus action on the root focuses the window; anything else goes
// to the view's perform_action, then a new snapshot is built and its differences stored in the call;
// on success they are raised, and an invoke also raises Invoked on its node.
bool run_action(const std::shared_ptr<ProviderState>& state, ActionCall& call);

// On the UI thread: reads the view root's registry into a new snapshot, swaps it in under the lock and
// returns what changed.
std::vector<SemanticsEvent> rebuild_snapshot(ProviderState& state);

// On the UI thread, without the lock: raises the events through the state's sink when it listens, each
// on a provider made for it.
void raise_events(const std::shared_ptr<ProviderState>& state, const std::vector<SemanticsEvent>& events);

}  // namespace win32_ui::platform::windows::accessibility
