// orvane.exe: the window program.

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <memory>
#include <string>

#include "command_line.h"
#include "orvane_application.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
  // 1. Per-monitor DPI awareness (v2); refused on systems that set it from the manifest already.
  using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
  if (const auto set_context = reinterpret_cast<SetContext>(
          reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")))) {
    set_context(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  }
  // 2, 3. Common controls and COM.
  INITCOMMONCONTROLSEX controls{sizeof(controls), 0x40FF};
  InitCommonControlsEx(&controls);
  const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  // 4. The image to open.
  // Only a non-empty line handed to the entry point is looked at; the program's own name comes first in
  // the process's full line.
  const std::wstring path =
      command_line != nullptr && *command_line != L'\0' ? orvane::app::image_path_from_command_line(GetCommandLineW())
                                                         : std::wstring();
  int exit_code = 1;
  {
    // 5 to 7.
    auto application = std::make_unique<orvane::app::OrvaneApplication>(instance);
    if (application->create(path)) {
      MSG message{};
      BOOL got = 0;
      while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      exit_code = got == 0 ? static_cast<int>(message.wParam) : 1;
    }
  }
  // 8.
  if (com) CoUninitialize();
  return exit_code;
}
