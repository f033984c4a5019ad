#include "platform/windows/accessibility/provider_answer.h"

#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

#include "platform/windows/accessibility/uia_api.h"
#include "platform/windows/gdi_handle.h"

namespace win32_ui::platform::windows::accessibility {

namespace {

// One answer, shared by the window's thread and the thread that calls into UIA; whichever lets go last
// frees it, so a window thread that gave up leaves nothing dangling.
struct Answer {
  HWND window = nullptr;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  IRawElementProviderSimple* provider = nullptr;  // one reference, released by the calling thread
  ReturnProviderFunction function = nullptr;
  LRESULT result = 0;
  KernelHandle done;
};

std::atomic<ReturnProviderFunction>& installed_function() {
  static std::atomic<ReturnProviderFunction> function{nullptr};
  return function;
}

// Set while a call into UIA is under way: at most one thread is ever left stuck in UIA's core, and a
// window does not wait again for a core that has not come back.
std::atomic<bool>& call_under_way() {
  static std::atomic<bool> busy{false};
  return busy;
}

// Keeps the process's multithreaded apartment for the rest of the process's life, from the first
// answer on. UIA's core makes the MTA on threads of its own (its provider thread, the RPC threads that
// serve clients) and lets it go again when the last node is released. Wine 8 then tears the apartment
// down at the end of the RPC call that released it, on that very RPC thread, and waits there for the
// calls on the node's interface to end, its own among them: the thread deadlocks holding COM's
// interface registration lock, the client waits for good, and every later marshal in the process
// (the next WM_GETOBJECT answer among them) blocks behind it. An apartment that never empties is never
// torn down. CoIncrementMTAUsage is Windows 8's, resolved at run time; the usage is never given back.
void keep_multithreaded_apartment() {
  static const bool kept = [] {
    using Increment = HRESULT(WINAPI*)(CO_MTA_USAGE_COOKIE*);
    HMODULE combase = GetModuleHandleW(L"combase.dll");
    if (combase == nullptr) combase = LoadLibraryW(L"combase.dll");
    if (combase == nullptr) return false;
    const auto increment = reinterpret_cast<Increment>(reinterpret_cast<void*>(GetProcAddress(combase, "CoIncrementMTAUsage")));
    CO_MTA_USAGE_COOKIE cookie = nullptr;
    return increment != nullptr && SUCCEEDED(increment(&cookie));
  }();
  static_cast<void>(kept);
}

void call_uia(const std::shared_ptr<Answer>& answer) noexcept {
  // UIA's core marshals the provider for other processes; the thread needs an apartment for that.
  {
    const ComApartment apartment(COINIT_MULTITHREADED);
    answer->result = answer->function(answer->window, answer->wparam, answer->lparam, answer->provider);
    answer->provider->Release();
    answer->provider = nullptr;
  }
  call_under_way().store(false);
  SetEvent(answer->done.get());
}

// Waits for the event up to the timeout while serving the messages other threads send to this one
// (what a thread blocked in SendMessage does too), never posted ones: nothing runs out of order.
bool wait_serving_sent_messages(HANDLE event, DWORD timeout_ms) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now >= end ? 0 : static_cast<DWORD>(end - now);
    const DWORD woke = MsgWaitForMultipleObjectsEx(1, &event, left, QS_SENDMESSAGE, 0);
    if (woke == WAIT_OBJECT_0) return true;
    if (woke != WAIT_OBJECT_0 + 1) return false;  // timed out or failed
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace

ReturnProviderFunction install_provider_return(ReturnProviderFunction function) {
  return installed_function().exchange(function);
}

LRESULT answer_with_provider(HWND window, WPARAM wparam, LPARAM lparam, IRawElementProviderSimple& provider,
                             DWORD timeout_ms) {
  keep_multithreaded_apartment();
  ReturnProviderFunction function = installed_function().load();
  if (function == nullptr) function = uia_api().return_raw_element_provider;
  if (function == nullptr) return 0;
  // Windows' own core is called on the window's thread, as its documentation asks; the bounded call
  // on a thread of its own is for Wine 8's core, the one seen stalling for good.
  if (!running_under_wine()) return function(window, wparam, lparam, &provider);
  auto answer = std::make_shared<Answer>();
  answer->done.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (answer->done == nullptr) return 0;
  if (call_under_way().exchange(true)) return 0;  // an earlier answer is still stuck in UIA's core
  answer->window = window;
  answer->wparam = wparam;
  answer->lparam = lparam;
  answer->function = function;
  answer->provider = &provider;
  provider.AddRef();
  try {
    std::thread(call_uia, answer).detach();
  } catch (const std::system_error&) {
    provider.Release();
    call_under_way().store(false);
    return 0;
  }
  if (!wait_serving_sent_messages(answer->done.get(), timeout_ms)) return 0;
  return answer->result;
}

}  // namespace win32_ui::platform::windows::accessibility
