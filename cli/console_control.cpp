#include "console_control.h"

#include <windows.h>

#include <atomic>
#include <chrono>

namespace orvane::cli {
namespace {

std::atomic<batch::StopControl*> g_stop{nullptr};
std::atomic<int> g_presses{0};

BOOL WINAPI on_console_control(DWORD type) {
  batch::StopControl* stop = g_stop.load();
  if (stop == nullptr) return FALSE;
  switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      stop->stop_starting();
      if (g_presses.fetch_add(1) + 1 >= 2) stop->abandon();
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // The process ends when this returns: abandon the exports and give them a moment to remove
      // their temporary files (Windows allows a handler about five seconds).
      stop->stop_starting();
      stop->abandon();
      stop->wait_until_idle(std::chrono::milliseconds(4000));
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

ConsoleControl::ConsoleControl(batch::StopControl& stop) {
  g_presses = 0;
  g_stop = &stop;
  SetConsoleCtrlHandler(on_console_control, TRUE);
}

ConsoleControl::~ConsoleControl() {
  SetConsoleCtrlHandler(on_console_control, FALSE);
  g_stop = nullptr;
}

}  // namespace orvane::cli
