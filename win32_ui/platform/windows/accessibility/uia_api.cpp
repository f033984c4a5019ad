#include "platform/windows/accessibility/uia_api.h"

namespace win32_ui::platform::windows::accessibility {

namespace {

template <typename Function>
void resolve(HMODULE module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

UiaApi load() {
  UiaApi api;
  HMODULE module = LoadLibraryW(L"uiautomationcore.dll");
  if (module == nullptr) return api;
  resolve(module, "UiaHostProviderFromHwnd", api.host_provider_from_hwnd);
  resolve(module, "UiaReturnRawElementProvider", api.return_raw_element_provider);
  resolve(module, "UiaClientsAreListening", api.clients_are_listening);
  resolve(module, "UiaRaiseAutomationEvent", api.raise_automation_event);
  resolve(module, "UiaRaiseAutomationPropertyChangedEvent", api.raise_property_changed_event);
  resolve(module, "UiaRaiseStructureChangedEvent", api.raise_structure_changed_event);
  resolve(module, "UiaDisconnectProvider", api.disconnect_provider);
  resolve(module, "UiaNodeFromHandle", api.node_from_handle);
  resolve(module, "UiaNodeRelease", api.node_release);
  resolve(module, "UiaGetPropertyValue", api.get_property_value);
  resolve(module, "UiaNavigate", api.navigate);
  resolve(module, "UiaHUiaNodeFromVariant", api.node_from_variant);
  return api;
}

}  // namespace

const UiaApi& uia_api() {
  static const UiaApi api = load();
  return api;
}

}  // namespace win32_ui::platform::windows::accessibility
