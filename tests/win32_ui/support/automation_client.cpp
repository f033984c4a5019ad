#include "automation_client.h"

#include <objbase.h>
#include <oleauto.h>

#include <atomic>
#include <thread>

#include "desktop.h"

namespace automation_client {

Element Element::from_simple(IRawElementProviderSimple* adopted) {
  Ref<IRawElementProviderSimple> simple(adopted);
  Ref<IRawElementProviderFragment> fragment;
  if (simple) simple->QueryInterface(__uuidof(IRawElementProviderFragment), reinterpret_cast<void**>(fragment.put()));
  return Element(fragment);
}

Ref<IRawElementProviderSimple> Element::simple() const {
  Ref<IRawElementProviderSimple> out;
  if (fragment_) fragment_->QueryInterface(__uuidof(IRawElementProviderSimple), reinterpret_cast<void**>(out.put()));
  return out;
}

HRESULT Element::property(int id, VARIANT& value) const {
  VariantInit(&value);
  Ref<IRawElementProviderSimple> s = simple();
  if (!s) return E_POINTER;
  return s->GetPropertyValue(id, &value);
}

std::wstring Element::text(int id) const {
  VARIANT v;
  if (FAILED(property(id, v)) || v.vt != VT_BSTR) {
    VariantClear(&v);
    return {};
  }
  std::wstring out(v.bstrVal, SysStringLen(v.bstrVal));
  VariantClear(&v);
  return out;
}

std::optional<int> Element::integer(int id) const {
  VARIANT v;
  if (FAILED(property(id, v)) || v.vt != VT_I4) {
    VariantClear(&v);
    return std::nullopt;
  }
  return v.lVal;
}

std::optional<bool> Element::flag(int id) const {
  VARIANT v;
  if (FAILED(property(id, v)) || v.vt != VT_BOOL) {
    VariantClear(&v);
    return std::nullopt;
  }
  return v.boolVal != VARIANT_FALSE;
}

Element Element::navigate(int direction) const {
  Ref<IRawElementProviderFragment> next;
  if (fragment_) fragment_->Navigate(static_cast<enum NavigateDirection>(direction), next.put());
  return Element(next);
}

std::vector<Element> Element::children() const {
  std::vector<Element> out;
  for (Element child = navigate(3); child; child = child.navigate(1)) {
    out.push_back(child);
    if (out.size() > 2000) break;
  }
  return out;
}

Element Element::find(const std::function<bool(const Element&)>& test) const {
  if (!*this) return {};
  if (test(*this)) return *this;
  for (const Element& child : children()) {
    if (Element found = child.find(test)) return found;
  }
  return {};
}

Element Element::find_id(const std::wstring& automation_id) const {
  return find([&](const Element& e) { return e.automation_id() == automation_id; });
}

Element Element::find_named(const std::wstring& class_name, const std::wstring& name) const {
  return find([&](const Element& e) { return e.class_name() == class_name && e.name() == name; });
}

UiaRect Element::bounds() const {
  UiaRect rect{0, 0, 0, 0};
  if (fragment_) fragment_->get_BoundingRectangle(&rect);
  return rect;
}

bool on_client_thread(const std::function<void()>& work, int timeout_milliseconds) {
  std::atomic<bool> done{false};
  std::thread client([&] {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    work();
    if (SUCCEEDED(com)) CoUninitialize();
    done = true;
  });
  const bool finished = desktop::pump_until([&] { return done.load(); }, timeout_milliseconds);
  // A client that did not finish still has to be joined; keep pumping so that it can.
  while (!done.load()) desktop::pump(50);
  client.join();
  return finished;
}

bool under_wine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

}  // namespace automation_client
