#pragma once

#include <windows.h>

struct IRawElementProviderSimple;

namespace win32_ui::platform::windows::accessibility {

// What hands UIA a provider in answer to WM_GETOBJECT: UiaReturnRawElementProvider's signature.
using ReturnProviderFunction = LRESULT(WINAPI*)(HWND, WPARAM, LPARAM, IRawElementProviderSimple*);

// Answers one WM_GETOBJECT for UiaRootObjectId with `provider`; under Wine without letting UIA's core
// hold the window's thread. UiaReturnRawElementProvider does not return before UIA's core has registered and
// marshalled the provider, and that core can stall for good: Wine 8 sends to its provider thread,
// which waits on COM's interface registration while an RPC thread, releasing a client's node, holds it
// and waits for calls that never end. The UI thread would then serve only sent messages, ignoring the
// mouse, the keyboard and posted WM_CLOSE. So the call runs on a thread of its own while the window's
// thread waits at most `timeout_ms`, serving sent messages meanwhile as SendMessage would. Without an
// answer in time, or while an earlier answer is still stuck, the window answers 0 (no provider; the
// client sees the window as a plain one) and the late answer, if it ever comes, is dropped. The first
// answer also keeps the process's multithreaded apartment alive for good, which keeps Wine's stall from
// happening at all (see provider_answer.cpp).
LRESULT answer_with_provider(HWND window, WPARAM wparam, LPARAM lparam, IRawElementProviderSimple& provider,
                             DWORD timeout_ms);

// Replaces the function answers go through (null: UiaReturnRawElementProvider again) and returns the
// one it replaces. For tests that stand in for a stalled UIA core.
ReturnProviderFunction install_provider_return(ReturnProviderFunction function);

}  // namespace win32_ui::platform::windows::accessibility
