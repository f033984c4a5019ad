#include "platform/windows/accessibility/semantics_automation_host.h"

#include <oleauto.h>

#include <cmath>
#include <utility>

#include "modern/tree/input_events.h"
#include "modern/tree/view.h"
#include "modern/tree/view_root.h"
#include "platform/windows/accessibility/provider.h"
#include "platform/windows/accessibility/provider_answer.h"
#include "platform/windows/accessibility/uia_api.h"

namespace win32_ui::platform::windows::accessibility {

namespace core = win32_ui::accessibility;
namespace uia = win32_ui::accessibility::uia;

namespace {

// The real UIA's events.
class UiaEventSink final : public AutomationEventSink {
 public:
  bool listening() override {
    const UiaApi& api = uia_api();
    return api.clients_are_listening != nullptr && api.clients_are_listening() != FALSE;
  }

  void raise(const SemanticsEvent& event, IRawElementProviderSimple& provider) override {
    const UiaApi& api = uia_api();
    switch (event.kind) {
      case SemanticsEvent::Kind::property_changed: {
        if (api.raise_property_changed_event == nullptr) return;
        VARIANT before = to_variant(event.old_value);
        VARIANT after = to_variant(event.new_value);
        api.raise_property_changed_event(&provider, event.property, before, after);
        VariantClear(&before);
        VariantClear(&after);
        return;
      }
      case SemanticsEvent::Kind::structure_changed:
        if (api.raise_structure_changed_event != nullptr) {
          api.raise_structure_changed_event(&provider, uia::children_invalidated, nullptr, 0);
        }
        return;
      case SemanticsEvent::Kind::layout_invalidated:
        if (api.raise_automation_event != nullptr) api.raise_automation_event(&provider, uia::layout_invalidated_event);
        return;
      case SemanticsEvent::Kind::focus_changed:
        if (api.raise_automation_event != nullptr) api.raise_automation_event(&provider, uia::focus_changed_event);
        return;
      case SemanticsEvent::Kind::invoked:
        if (api.raise_automation_event != nullptr) api.raise_automation_event(&provider, uia::invoked_event);
        return;
      case SemanticsEvent::Kind::element_selected:
        if (api.raise_automation_event != nullptr) api.raise_automation_event(&provider, uia::element_selected_event);
        return;
    }
  }
};

std::mutex& sink_mutex() {
  static std::mutex mutex;
  return mutex;
}

std::shared_ptr<AutomationEventSink>& installed_sink() {
  static std::shared_ptr<AutomationEventSink> sink;
  return sink;
}

std::shared_ptr<AutomationEventSink> process_sink() {
  std::lock_guard lock(sink_mutex());
  if (installed_sink() != nullptr) return installed_sink();
  return uia_event_sink();
}

// How long the window's thread waits for UIA's core to take the root provider: far longer than it
// takes (milliseconds), short enough that a stalled core costs a user a moment, not the program.
constexpr DWORD provider_answer_timeout_ms = 3000;

// A key for one pending call: the state's counter mixed with the state's identity, so that a key meant
// for one surface never names a call of another.
std::uint64_t next_key(ProviderState& state) {
  const auto identity = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&state));
  for (;;) {
    const std::uint64_t key = (identity * 0x9E3779B97F4A7C15ull) ^ ++state.counter;
    if (key != 0 && state.pending.count(key) == 0) return key;
  }
}

// Owns one reference to a provider made for the occasion.
class ProviderReference {
 public:
  explicit ProviderReference(Provider* provider) noexcept : provider_(provider) {}
  ~ProviderReference() { provider_->Release(); }
  ProviderReference(const ProviderReference&) = delete;
  ProviderReference& operator=(const ProviderReference&) = delete;
  [[nodiscard]] IRawElementProviderSimple& simple() const noexcept { return *provider_; }

 private:
  Provider* provider_;
};

bool window_holds_focus(HWND window) {
  HWND focus = GetFocus();
  return focus != nullptr && (focus == window || IsChild(window, focus));
}

}  // namespace

std::shared_ptr<AutomationEventSink> uia_event_sink() {
  static const std::shared_ptr<AutomationEventSink> sink = std::make_shared<UiaEventSink>();
  return sink;
}

std::shared_ptr<AutomationEventSink> install_event_sink(std::shared_ptr<AutomationEventSink> sink) {
  std::lock_guard lock(sink_mutex());
  std::swap(installed_sink(), sink);
  return sink;
}

// --- the snapshot and its events

std::vector<SemanticsEvent> rebuild_snapshot(ProviderState& state) {
  modern::ViewRoot* root = nullptr;
  HWND window = nullptr;
  {
    std::lock_guard lock(state.mutex);
    root = state.root;
    window = state.window;
  }
  if (root == nullptr) return {};
  // Views are read without the lock: describing them may send messages to hosted controls.
  Snapshot snapshot = core::make_snapshot(root->semantic_nodes(), window == nullptr || IsWindowEnabled(window) != FALSE);
  const bool content = root->root() != nullptr;
  std::lock_guard lock(state.mutex);
  if (state.root != root) return {};
  std::vector<SemanticsEvent> events = core::differences(state.snapshot, snapshot);
  state.snapshot = std::move(snapshot);
  state.has_content = content;
  return events;
}

void raise_events(const std::shared_ptr<ProviderState>& state, const std::vector<SemanticsEvent>& events) {
  if (events.empty()) return;
  std::shared_ptr<AutomationEventSink> sink;
  {
    std::lock_guard lock(state->mutex);
    sink = state->sink;
  }
  if (sink == nullptr) sink = process_sink();
  if (!sink->listening()) return;
  for (const SemanticsEvent& event : events) {
    const ProviderReference provider(make_provider(state, event.node));
    sink->raise(event, provider.simple());
  }
}

// --- actions

bool run_action(const std::shared_ptr<ProviderState>& state, ActionCall& call) {
  HWND window = nullptr;
  modern::ViewRoot* root = nullptr;
  {
    std::lock_guard lock(state->mutex);
    window = state->window;
    root = state->root;
  }
  if (window == nullptr || root == nullptr || !IsWindowEnabled(window)) return false;
  if (call.node == 0) {
    if (call.action != modern::semantics_action_focus) return false;
    if (!window_holds_focus(window)) ::SetFocus(window);
    return window_holds_focus(window);
  }
  modern::View* view = root->semantic_view(call.node);
  if (view == nullptr) return false;
  modern::ActionRequest request;
  request.action = call.action;
  request.numeric_value = call.number;
  request.text_value = call.text;
  // The view may run a modal loop here (an invoke that opens a dialog); the window, its root and the
  // view may all be gone when it returns, so nothing read before is used after.
  const bool done = view->perform_action(request);
  call.changes = rebuild_snapshot(*state);
  std::vector<SemanticsEvent> events = call.changes;
  if (done && call.action == modern::semantics_action_invoke) {
    events.push_back(SemanticsEvent{SemanticsEvent::Kind::invoked, call.node, 0, {}, {}});
  }
  // What changed is raised even when the view refused: the snapshot has taken it in and no later
  // refresh would report it again.
  raise_events(state, events);
  return done;
}

bool dispatch_action(const std::shared_ptr<ProviderState>& state, const std::shared_ptr<ActionCall>& call, Dispatch how) {
  HWND window = nullptr;
  DWORD thread = 0;
  DWORD timeout = 0;
  std::uint64_t key = 0;
  {
    std::lock_guard lock(state->mutex);
    window = state->window;
    thread = state->thread;
    timeout = state->action_timeout_ms;
    if (window == nullptr) return false;
    if (how == Dispatch::synchronous && thread == GetCurrentThreadId()) {
      key = 0;
    } else {
      key = next_key(*state);
      state->pending.emplace(key, call);
    }
  }
  if (key == 0) {
    call->result = run_action(state, *call);
    return call->result;
  }
  const UINT message = SemanticsAutomationHost::action_message();
  if (how == Dispatch::posted) {
    if (PostMessageW(window, message, static_cast<WPARAM>(key), 0)) return true;
    std::lock_guard lock(state->mutex);
    state->pending.erase(key);
    return false;
  }
  // The lock is free while the UI thread works: it needs it to read the registry into the snapshot.
  DWORD_PTR answer = 0;
  const LRESULT delivered = SendMessageTimeoutW(window, message, static_cast<WPARAM>(key), 0,
                                                SMTO_BLOCK | SMTO_ABORTIFHUNG, timeout, &answer);
  {
    std::lock_guard lock(state->mutex);
    state->pending.erase(key);
  }
  return delivered != 0 && answer != 0;
}

// --- the host

SemanticsAutomationHost::SemanticsAutomationHost() : state_(std::make_shared<ProviderState>()) {}

SemanticsAutomationHost::~SemanticsAutomationHost() { detach(); }

UINT SemanticsAutomationHost::action_message() {
  static const UINT message = RegisterWindowMessageW(L"win32_ui.SemanticsAutomationHost.Action.v1");
  return message;
}

void SemanticsAutomationHost::attach(HWND window, modern::ViewRoot& root) {
  detach();
  if (window == nullptr || !IsWindow(window)) return;
  {
    std::lock_guard lock(state_->mutex);
    state_->window = window;
    state_->thread = GetWindowThreadProcessId(window, nullptr);
    state_->root = &root;
    state_->snapshot = Snapshot{};
  }
  refresh_posted_ = false;
  rebuild_snapshot(*state_);  // the first snapshot has nothing to compare with
}

void SemanticsAutomationHost::detach() {
  HWND window = nullptr;
  {
    std::lock_guard lock(state_->mutex);
    window = state_->window;
    state_->window = nullptr;
    state_->thread = 0;
    state_->root = nullptr;
    state_->has_content = false;
    state_->snapshot = Snapshot{};
    state_->pending.clear();
    state_->metrics_set = false;
  }
  refresh_posted_ = false;
  const UiaApi& api = uia_api();
  if (window != nullptr && api.return_raw_element_provider != nullptr) {
    api.return_raw_element_provider(window, 0, 0, nullptr);
  }
}

void SemanticsAutomationHost::set_dialog(bool dialog) {
  std::lock_guard lock(state_->mutex);
  state_->dialog = dialog;
}

void SemanticsAutomationHost::refresh() { raise_events(state_, rebuild_snapshot(*state_)); }

void SemanticsAutomationHost::semantics_changed() {
  if (refresh_posted_) return;
  HWND window = nullptr;
  {
    std::lock_guard lock(state_->mutex);
    window = state_->window;
  }
  if (window == nullptr) return;
  refresh_posted_ = PostMessageW(window, action_message(), 0, 0) != FALSE;
}

void SemanticsAutomationHost::set_metrics(double dpi, double ui_scale, double scroll_offset) {
  core::ScreenGeometry wanted;
  wanted.dpi = dpi;
  wanted.ui_scale = ui_scale;
  wanted.scroll_offset = scroll_offset;
  wanted = core::normalized(wanted);
  bool changed = false;
  {
    std::lock_guard lock(state_->mutex);
    changed = state_->metrics_set && (state_->dpi != wanted.dpi || state_->ui_scale != wanted.ui_scale ||
                                      state_->scroll_offset != wanted.scroll_offset);
    state_->dpi = wanted.dpi;
    state_->ui_scale = wanted.ui_scale;
    state_->scroll_offset = wanted.scroll_offset;
    state_->metrics_set = true;
    if (!state_->live()) changed = false;
  }
  if (changed) raise_events(state_, {SemanticsEvent{SemanticsEvent::Kind::layout_invalidated, 0, 0, {}, {}}});
}

void SemanticsAutomationHost::event_notice(const modern::Event& event) {
  if (event.kind != modern::EventKind::invoked || event.origin == modern::InputOrigin::programmatic ||
      event.source == nullptr) {
    return;
  }
  const std::uint64_t id = event.source->id();
  {
    std::lock_guard lock(state_->mutex);
    if (!state_->live() || state_->snapshot.find(id) == nullptr) return;
  }
  raise_events(state_, {SemanticsEvent{SemanticsEvent::Kind::invoked, id, 0, {}, {}}});
}

bool SemanticsAutomationHost::handle_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  if (message == WM_ENABLE) {
    // A modal dialog took the window or gave it back: every node's IsEnabled follows at once.
    refresh();
    return false;
  }
  if (message == WM_GETOBJECT) {
    // The object id travels in the low 32 bits (sign- or zero-extended by whoever sent it).
    if (static_cast<LONG>(static_cast<DWORD>(lparam)) != uia_root_object_id) return false;
    const UiaApi& api = uia_api();
    HWND window = nullptr;
    {
      std::lock_guard lock(state_->mutex);
      window = state_->window;
    }
    if (window == nullptr || api.return_raw_element_provider == nullptr) return false;
    const ProviderReference provider(make_provider(state_, 0));
    result = answer_with_provider(window, wparam, lparam, provider.simple(), provider_answer_timeout_ms);
    return true;
  }
  if (message != action_message()) return false;
  const auto key = static_cast<std::uint64_t>(wparam);
  result = 0;
  if (key == 0) {  // the refresh semantics_changed posted
    refresh_posted_ = false;
    refresh();
    return true;
  }
  std::shared_ptr<ActionCall> call;
  {
    std::lock_guard lock(state_->mutex);
    const auto found = state_->pending.find(key);
    if (found == state_->pending.end()) return true;  // unknown (or timed out): false
    call = found->second;
    state_->pending.erase(found);
  }
  call->result = run_action(state_, *call);
  result = call->result ? 1 : 0;
  return true;
}

IRawElementProviderSimple* SemanticsAutomationHost::root_provider() const {
  return static_cast<IRawElementProviderSimple*>(make_provider(state_, 0));
}

void SemanticsAutomationHost::set_event_sink(std::shared_ptr<AutomationEventSink> sink) {
  std::lock_guard lock(state_->mutex);
  state_->sink = std::move(sink);
}

void SemanticsAutomationHost::set_action_timeout(DWORD milliseconds) {
  std::lock_guard lock(state_->mutex);
  state_->action_timeout_ms = milliseconds;
}

}  // namespace win32_ui::platform::windows::accessibility
