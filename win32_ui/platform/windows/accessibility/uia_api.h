#pragma once

// The UI Automation declarations the bridge needs, whichever SDK builds it. MinGW-w64's
// uiautomationcore.h declares only the simple, fragment and fragment-root provider interfaces and
// no pattern interfaces; its uiautomationcoreapi.h names a parameter `new` (not C++) and MinGW ships
// no import library for uiautomationcore.dll. So the pattern interfaces are declared here when the
// SDK has not declared them (same IIDs and vtable layout as the Windows SDK), and the functions of
// uiautomationcore.dll are resolved at run time: a missing one is a failed call, never a crash at start
// (Wine aborts the process in unimplemented functions, so nothing optional may be imported directly).

#include <windows.h>

#include <ole2.h>
#include <uiautomationcore.h>

#ifndef __IRawElementProviderHwndOverride_INTERFACE_DEFINED__
#define __IRawElementProviderHwndOverride_INTERFACE_DEFINED__
MIDL_INTERFACE("1d5df27c-8947-4425-b8d9-79787bb460b8")
IRawElementProviderHwndOverride : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetOverrideProviderForHwnd(HWND hwnd, IRawElementProviderSimple** pRetVal) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IRawElementProviderHwndOverride, 0x1d5df27c, 0x8947, 0x4425, 0xb8, 0xd9, 0x79, 0x78, 0x7b, 0xb4, 0x60, 0xb8)
#endif
#endif

#ifndef __IInvokeProvider_INTERFACE_DEFINED__
#define __IInvokeProvider_INTERFACE_DEFINED__
MIDL_INTERFACE("54fcb24b-e18e-47a2-b4d3-eccbe77599a2")
IInvokeProvider : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke() = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IInvokeProvider, 0x54fcb24b, 0xe18e, 0x47a2, 0xb4, 0xd3, 0xec, 0xcb, 0xe7, 0x75, 0x99, 0xa2)
#endif
#endif

#ifndef __IToggleProvider_INTERFACE_DEFINED__
#define __IToggleProvider_INTERFACE_DEFINED__
enum ToggleState { ToggleState_Off = 0, ToggleState_On = 1, ToggleState_Indeterminate = 2 };
MIDL_INTERFACE("56d00bd0-c4f4-433c-a836-1a52a57e0892")
IToggleProvider : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Toggle() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ToggleState(enum ToggleState* pRetVal) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IToggleProvider, 0x56d00bd0, 0xc4f4, 0x433c, 0xa8, 0x36, 0x1a, 0x52, 0xa5, 0x7e, 0x08, 0x92)
#endif
#endif

#ifndef __IExpandCollapseProvider_INTERFACE_DEFINED__
#define __IExpandCollapseProvider_INTERFACE_DEFINED__
enum ExpandCollapseState {
  ExpandCollapseState_Collapsed = 0,
  ExpandCollapseState_Expanded = 1,
  ExpandCollapseState_PartiallyExpanded = 2,
  ExpandCollapseState_LeafNode = 3
};
MIDL_INTERFACE("d847d3a5-cab0-4a98-8c32-ecb45c59ad24")
IExpandCollapseProvider : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Expand() = 0;
  virtual HRESULT STDMETHODCALLTYPE Collapse() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ExpandCollapseState(enum ExpandCollapseState* pRetVal) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IExpandCollapseProvider, 0xd847d3a5, 0xcab0, 0x4a98, 0x8c, 0x32, 0xec, 0xb4, 0x5c, 0x59, 0xad, 0x24)
#endif
#endif

#ifndef __IRangeValueProvider_INTERFACE_DEFINED__
#define __IRangeValueProvider_INTERFACE_DEFINED__
MIDL_INTERFACE("36dc7aef-33e6-4691-afe1-2be7274b3d33")
IRangeValueProvider : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetValue(double val) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Value(double* pRetVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* pRetVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Maximum(double* pRetVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Minimum(double* pRetVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_LargeChange(double* pRetVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_SmallChange(double* pRetVal) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IRangeValueProvider, 0x36dc7aef, 0x33e6, 0x4691, 0xaf, 0xe1, 0x2b, 0xe7, 0x27, 0x4b, 0x3d, 0x33)
#endif
#endif

#ifndef __IValueProvider_INTERFACE_DEFINED__
#define __IValueProvider_INTERFACE_DEFINED__
MIDL_INTERFACE("c7935180-6fb3-4201-b174-7df73adbf64a")
IValueProvider : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR val) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Value(BSTR* pRetVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* pRetVal) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IValueProvider, 0xc7935180, 0x6fb3, 0x4201, 0xb1, 0x74, 0x7d, 0xf7, 0x3a, 0xdb, 0xf6, 0x4a)
#endif
#endif

#ifndef __ISelectionProvider_INTERFACE_DEFINED__
#define __ISelectionProvider_INTERFACE_DEFINED__
MIDL_INTERFACE("fb8b03af-3bdf-48d4-bd36-1a65793be168")
ISelectionProvider : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** pRetVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CanSelectMultiple(BOOL* pRetVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsSelectionRequired(BOOL* pRetVal) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(ISelectionProvider, 0xfb8b03af, 0x3bdf, 0x48d4, 0xbd, 0x36, 0x1a, 0x65, 0x79, 0x3b, 0xe1, 0x68)
#endif
#endif

#ifndef __ISelectionItemProvider_INTERFACE_DEFINED__
#define __ISelectionItemProvider_INTERFACE_DEFINED__
MIDL_INTERFACE("2acad808-b2d4-452d-a407-91ff1ad167b2")
ISelectionItemProvider : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Select() = 0;
  virtual HRESULT STDMETHODCALLTYPE AddToSelection() = 0;
  virtual HRESULT STDMETHODCALLTYPE RemoveFromSelection() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsSelected(BOOL* pRetVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_SelectionContainer(IRawElementProviderSimple** pRetVal) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(ISelectionItemProvider, 0x2acad808, 0xb2d4, 0x452d, 0xa4, 0x07, 0x91, 0xff, 0x1a, 0xd1, 0x67, 0xb2)
#endif
#endif

namespace win32_ui::platform::windows::accessibility {

// HRESULTs of UIA (uiautomationcoreapi.h), spelt out so that no SDK header is needed for them.
inline constexpr HRESULT uia_e_element_not_enabled = static_cast<HRESULT>(0x80040200L);
inline constexpr HRESULT uia_e_element_not_available = static_cast<HRESULT>(0x80040201L);
inline constexpr HRESULT uia_e_not_supported = static_cast<HRESULT>(0x80040204L);
inline constexpr HRESULT uia_e_invalid_operation = static_cast<HRESULT>(0x80131509L);
inline constexpr LONG uia_root_object_id = -25;

// The client side's node handle (HUIANODE) and the records UiaNavigate takes.
using UiaNode = void*;
struct UiaTrueCondition {
  int condition_type = 0;  // ConditionType_True
};
struct UiaCacheRequestRecord {
  UiaTrueCondition* view_condition = nullptr;
  int scope = 1;  // TreeScope_Element
  int* properties = nullptr;
  int property_count = 0;
  int* patterns = nullptr;
  int pattern_count = 0;
  int element_mode = 1;  // AutomationElementMode_Full
};

// The functions of uiautomationcore.dll, resolved once per process; each pointer is null where the
// system lacks it.
struct UiaApi {
  // Server side.
  HRESULT(WINAPI* host_provider_from_hwnd)(HWND, IRawElementProviderSimple**) = nullptr;
  LRESULT(WINAPI* return_raw_element_provider)(HWND, WPARAM, LPARAM, IRawElementProviderSimple*) = nullptr;
  BOOL(WINAPI* clients_are_listening)() = nullptr;
  HRESULT(WINAPI* raise_automation_event)(IRawElementProviderSimple*, EVENTID) = nullptr;
  HRESULT(WINAPI* raise_property_changed_event)(IRawElementProviderSimple*, PROPERTYID, VARIANT, VARIANT) = nullptr;
  HRESULT(WINAPI* raise_structure_changed_event)(IRawElementProviderSimple*, int, int*, int) = nullptr;
  HRESULT(WINAPI* disconnect_provider)(IRawElementProviderSimple*) = nullptr;
  // Client side (the dump tool and the tests).
  HRESULT(WINAPI* node_from_handle)(HWND, UiaNode*) = nullptr;
  BOOL(WINAPI* node_release)(UiaNode) = nullptr;
  HRESULT(WINAPI* get_property_value)(UiaNode, PROPERTYID, VARIANT*) = nullptr;
  HRESULT(WINAPI* navigate)(UiaNode, int, UiaTrueCondition*, UiaCacheRequestRecord*, SAFEARRAY**, BSTR*) = nullptr;
  HRESULT(WINAPI* node_from_variant)(VARIANT*, UiaNode*) = nullptr;
};

// The process's table (uiautomationcore.dll is loaded on first use and kept).
[[nodiscard]] const UiaApi& uia_api();

}  // namespace win32_ui::platform::windows::accessibility
