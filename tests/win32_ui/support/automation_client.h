#pragma once

// A UI Automation client for tests inside the program's own process: it calls the bridge's providers
// through their COM interfaces, exactly as UIA does, from a thread that is not the UI thread, while the
// UI thread keeps pumping messages. Elements are found by walking IRawElementProviderFragment::Navigate
// from the root provider.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows/accessibility/uia_api.h"

namespace automation_client {

// An owned COM reference.
template <typename T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* adopted) : p_(adopted) {}
  Ref(const Ref& other) : p_(other.p_) {
    if (p_ != nullptr) p_->AddRef();
  }
  Ref& operator=(Ref other) {
    std::swap(p_, other.p_);
    return *this;
  }
  ~Ref() {
    if (p_ != nullptr) p_->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** put() {
    *this = Ref();
    return &p_;
  }

 private:
  T* p_ = nullptr;
};

// One element: a fragment provider.
class Element {
 public:
  Element() = default;
  explicit Element(Ref<IRawElementProviderFragment> fragment) : fragment_(std::move(fragment)) {}
  // Takes the root provider the surface hands out (adopting its reference).
  [[nodiscard]] static Element from_simple(IRawElementProviderSimple* adopted);

  explicit operator bool() const { return static_cast<bool>(fragment_); }
  [[nodiscard]] IRawElementProviderFragment* fragment() const { return fragment_.get(); }
  [[nodiscard]] Ref<IRawElementProviderSimple> simple() const;

  // A property, with the HRESULT of the call.
  [[nodiscard]] HRESULT property(int id, VARIANT& value) const;
  [[nodiscard]] std::wstring text(int id) const;  // VT_BSTR, else empty
  [[nodiscard]] std::optional<int> integer(int id) const;
  [[nodiscard]] std::optional<bool> flag(int id) const;
  [[nodiscard]] std::wstring name() const { return text(30005); }
  [[nodiscard]] std::wstring class_name() const { return text(30012); }
  [[nodiscard]] std::wstring automation_id() const { return text(30011); }
  [[nodiscard]] int control_type() const { return integer(30003).value_or(0); }
  [[nodiscard]] bool enabled() const { return flag(30010).value_or(false); }

  [[nodiscard]] Element navigate(int direction) const;
  [[nodiscard]] Element parent() const { return navigate(0); }
  [[nodiscard]] std::vector<Element> children() const;
  // The first element of the subtree (itself included) in tree order that satisfies the test.
  [[nodiscard]] Element find(const std::function<bool(const Element&)>& test) const;
  [[nodiscard]] Element find_id(const std::wstring& automation_id) const;
  [[nodiscard]] Element find_named(const std::wstring& class_name, const std::wstring& name) const;
  [[nodiscard]] UiaRect bounds() const;

  // A pattern interface, through GetPatternProvider as UIA asks for it.
  template <typename T>
  [[nodiscard]] Ref<T> pattern(int pattern_id) const {
    Ref<T> out;
    Ref<IRawElementProviderSimple> s = simple();
    if (!s) return out;
    Ref<IUnknown> unknown;
    if (FAILED(s->GetPatternProvider(pattern_id, unknown.put())) || !unknown) return out;
    unknown->QueryInterface(__uuidof(T), reinterpret_cast<void**>(out.put()));
    return out;
  }

 private:
  Ref<IRawElementProviderFragment> fragment_;
};

// Runs `work` on a new thread (COM initialised for it) while this thread pumps messages; returns false
// when it did not finish within the time.
bool on_client_thread(const std::function<void()>& work, int timeout_milliseconds = 20000);

// Milliseconds one call took.
template <typename F>
double timed(F&& call) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  call();
  QueryPerformanceCounter(&end);
  return static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Whether the process runs under Wine.
[[nodiscard]] bool under_wine();

}  // namespace automation_client
