// orvane.exe: the window program.

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>

#include "command_line.h"
#include "orvane_application.h"
#include "platform/windows/gdi_handle.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
  // Per-monitor DPI awareness (v2); refused on systems that set it from the manifest already.
  using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
  if (const auto set_context = reinterpret_cast<SetContext>(
          reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")))) {
    set_context(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  }
  // Load the common controls and enter a single-threaded COM apartment.
  INITCOMMONCONTROLSEX controls{sizeof(controls), 0x40FF};
  InitCommonControlsEx(&controls);
  const win32_ui::platform::ComApartment apartment(COINIT_APARTMENTTHREADED);
  // The photos to open, when the command line names some.
  // Only a non-empty line handed to the entry point is looked at; the program's own name comes first in
  // the process's full line.
  const std::vector<std::wstring> paths =
      command_line != nullptr && *command_line != L'\0' ? orvane::app::image_paths_from_command_line(GetCommandLineW())
                                                         : std::vector<std::wstring>();
  int exit_code = 1;
  {
    // Make the window and run its messages until it is closed.
    auto application = std::make_unique<orvane::app::OrvaneApplication>(instance);
    if (application->create(paths)) {
      MSG message{};
      BOOL got = 0;
      while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      exit_code = got == 0 ? static_cast<int>(message.wParam) : 1;
    }
  }
  return exit_code;
}
