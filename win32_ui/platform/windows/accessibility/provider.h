#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/windows/accessibility/semantics_automation_host.h"
#include "platform/windows/accessibility/uia_api.h"

namespace win32_ui::platform::windows::accessibility {

// The UIA provider of one node of one surface (0 = the surface itself, the fragment root): a
// reference-counted COM object implementing, in this order, IRawElementProviderSimple,
// IRawElementProviderFragment, IRawElementProviderFragmentRoot and IRawElementProviderHwndOverride
// (the root only), IInvokeProvider, IToggleProvider, IExpandCollapseProvider, IRangeValueProvider,
// IValueProvider, ISelectionProvider and ISelectionItemProvider. It holds the shared state and a node
// id, nothing else: every answer is read from the snapshot under the state's mutex, so any thread may
// call it, and it stays a valid object after the surface is gone (answering UIA_E_ELEMENTNOTAVAILABLE).
class Provider final : public IRawElementProviderSimple,
                       public IRawElementProviderFragment,
                       public IRawElementProviderFragmentRoot,
                       public IRawElementProviderHwndOverride,
                       public IInvokeProvider,
                       public IToggleProvider,
                       public IExpandCollapseProvider,
                       public IRangeValueProvider,
                       public IValueProvider,
                       public ISelectionProvider,
                       public ISelectionItemProvider {
 public:
  Provider(std::shared_ptr<ProviderState> state, std::uint64_t node);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IRawElementProviderSimple
  HRESULT STDMETHODCALLTYPE get_ProviderOptions(enum ProviderOptions* options) override;
  HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID pattern, IUnknown** provider) override;
  HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID property, VARIANT* value) override;
  HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple** provider) override;

  // IRawElementProviderFragment
  HRESULT STDMETHODCALLTYPE Navigate(enum NavigateDirection direction, IRawElementProviderFragment** found) override;
  HRESULT STDMETHODCALLTYPE GetRuntimeId(SAFEARRAY** id) override;
  HRESULT STDMETHODCALLTYPE get_BoundingRectangle(struct UiaRect* rect) override;
  HRESULT STDMETHODCALLTYPE GetEmbeddedFragmentRoots(SAFEARRAY** roots) override;
  HRESULT STDMETHODCALLTYPE SetFocus() override;
  HRESULT STDMETHODCALLTYPE get_FragmentRoot(IRawElementProviderFragmentRoot** root) override;

  // IRawElementProviderFragmentRoot
  HRESULT STDMETHODCALLTYPE ElementProviderFromPoint(double x, double y, IRawElementProviderFragment** found) override;
  HRESULT STDMETHODCALLTYPE GetFocus(IRawElementProviderFragment** focused) override;

  // IRawElementProviderHwndOverride
  HRESULT STDMETHODCALLTYPE GetOverrideProviderForHwnd(HWND window, IRawElementProviderSimple** provider) override;

  // IInvokeProvider
  HRESULT STDMETHODCALLTYPE Invoke() override;

  // IToggleProvider
  HRESULT STDMETHODCALLTYPE Toggle() override;
  HRESULT STDMETHODCALLTYPE get_ToggleState(enum ToggleState* state) override;

  // IExpandCollapseProvider
  HRESULT STDMETHODCALLTYPE Expand() override;
  HRESULT STDMETHODCALLTYPE Collapse() override;
  HRESULT STDMETHODCALLTYPE get_ExpandCollapseState(enum ExpandCollapseState* state) override;

  // IRangeValueProvider and IValueProvider (get_IsReadOnly answers for both: the rule is the same)
  HRESULT STDMETHODCALLTYPE SetValue(double value) override;
  HRESULT STDMETHODCALLTYPE get_Value(double* value) override;
  HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* read_only) override;
  HRESULT STDMETHODCALLTYPE get_Maximum(double* value) override;
  HRESULT STDMETHODCALLTYPE get_Minimum(double* value) override;
  HRESULT STDMETHODCALLTYPE get_LargeChange(double* value) override;
  HRESULT STDMETHODCALLTYPE get_SmallChange(double* value) override;
  HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR value) override;
  HRESULT STDMETHODCALLTYPE get_Value(BSTR* value) override;

  // ISelectionProvider (a list)
  HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** selection) override;
  HRESULT STDMETHODCALLTYPE get_CanSelectMultiple(BOOL* multiple) override;
  HRESULT STDMETHODCALLTYPE get_IsSelectionRequired(BOOL* required) override;

  // ISelectionItemProvider (an item of a list)
  HRESULT STDMETHODCALLTYPE Select() override;
  HRESULT STDMETHODCALLTYPE AddToSelection() override;
  HRESULT STDMETHODCALLTYPE RemoveFromSelection() override;
  HRESULT STDMETHODCALLTYPE get_IsSelected(BOOL* selected) override;
  HRESULT STDMETHODCALLTYPE get_SelectionContainer(IRawElementProviderSimple** container) override;

  [[nodiscard]] std::uint64_t node() const noexcept { return node_; }

 private:
  ~Provider() = default;

  HRESULT act(std::uint32_t action, double number, const wchar_t* text, Dispatch how);

  std::atomic<ULONG> references_{1};
  std::shared_ptr<ProviderState> state_;
  std::uint64_t node_;
};

// A property value as UIA carries it (VT_EMPTY, VT_BOOL, VT_I4, VT_R8 or VT_BSTR; the caller clears it).
[[nodiscard]] VARIANT to_variant(const win32_ui::accessibility::PropertyValue& value);

// A new provider (one reference) for a node of the state, 0 = the root.
[[nodiscard]] Provider* make_provider(const std::shared_ptr<ProviderState>& state, std::uint64_t node);

}  // namespace win32_ui::platform::windows::accessibility
