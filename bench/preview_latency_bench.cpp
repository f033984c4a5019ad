// The time from a settings change to the painted preview in the running window, for a 24 MP photo:
// a size typed into its edit (a digit added: 36 to 360, and taken back) and an opacity slider step, in the grid layout and in two anchored ones.
// Each figure is measured from the key's injection to the end of the first frame painted after the
// preview took the new picture. Usage: preview_latency_bench [SAMPLES]

#include <windows.h>

#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "controls_panel.h"
#include "gdiplus_support.h"
#include "modern/native/win32_edit.h"
#include "modern/surface.h"
#include "modern/tree/view_root.h"
#include "modern/widgets/check_box.h"
#include "modern/widgets/display_widgets.h"
#include "modern/widgets/slider.h"
#include "orvane_application.h"
#include "sample_photo.h"
#include "views/preview_view.h"

namespace {

using Clock = std::chrono::steady_clock;
using orvane::app::OrvaneApplication;

void press(WORD vk) {
  INPUT inputs[2]{};
  inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
  inputs[0].ki.wVk = inputs[1].ki.wVk = vk;
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
}

void pump_for(int milliseconds) {
  const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
  while (Clock::now() < end) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

// Presses a key and dispatches messages until a frame has been painted after the preview's picture
// changed; milliseconds, or a negative number when nothing changed within two seconds.
double key_to_painted_preview(OrvaneApplication& application, WORD vk) {
  win32_ui::modern::Surface& surface = application.window().surface();
  const std::uint64_t picture = application.preview()->image().id();
  bool changed = false;
  std::uint64_t frames_then = 0;
  const auto start = Clock::now();
  press(vk);
  while (Clock::now() - start < std::chrono::seconds(2)) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
      // Looked at after each message: the new picture and its frame come in different messages.
      if (!changed && application.preview()->image().id() != picture) {
        changed = true;
        frames_then = surface.statistics().frames;
      } else if (changed && surface.statistics().frames > frames_then) {
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      }
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
  return -1.0;
}

void report(const char* what, std::vector<double> samples) {
  samples.erase(std::remove_if(samples.begin(), samples.end(), [](double v) { return v < 0; }), samples.end());
  if (samples.empty()) {
    std::printf("%-44s no change seen\n", what);
    return;
  }
  std::sort(samples.begin(), samples.end());
  const auto at = [&](double q) { return samples[static_cast<std::size_t>(q * static_cast<double>(samples.size() - 1))]; };
  std::printf("%-44s median %6.1f ms  p90 %6.1f ms  min %6.1f ms  (n=%zu)\n", what, at(0.5), at(0.9), samples.front(),
              samples.size());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int samples = argc > 1 ? std::max(4, _wtoi(argv[1])) : 30;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  orvane::engine::gdiplus::GdiplusSession gdiplus;
  const std::filesystem::path photo = std::filesystem::temp_directory_path() / L"orvane-latency-24mp.jpg";
  if (!std::filesystem::exists(photo) && !orvane::bench::write_sample_photo(photo.wstring(), 6000, 4000)) {
    std::puts("could not write the sample photo");
    return 1;
  }
  OrvaneApplication application(GetModuleHandleW(nullptr));
  if (!application.create(photo.wstring()) || application.preview() == nullptr) {
    std::puts("the window could not be made");
    return 1;
  }
  SetForegroundWindow(application.hwnd());
  pump_for(500);
  application.window().surface().enable_statistics(true);
  win32_ui::modern::ViewRoot& root = application.window().surface().view_root();
  orvane::app::ControlsPanel& panel = application.controls();

  struct Layout {
    const char* name;
    int value;
  };
  for (const Layout layout : {Layout{"grid", 0}, Layout{"anchored bottom right", 10}, Layout{"anchored centre", 6}}) {
    application.settings().layout = static_cast<decltype(application.settings().layout)>(layout.value);
    application.refresh_preview();
    pump_for(200);

    // A size typed into the edit: "36" and "360" in turn, a digit typed and taken back.
    SetFocus(static_cast<HWND>(panel.size_edit()->native_window()));
    press(VK_END);
    pump_for(100);
    std::vector<double> grown;
    std::vector<double> shrunk;
    for (int i = 0; i < samples; ++i) {
      grown.push_back(key_to_painted_preview(application, '0'));
      shrunk.push_back(key_to_painted_preview(application, VK_BACK));
    }
    report((std::string("typed size 36 -> 360, ") + layout.name).c_str(), grown);
    report((std::string("typed size 360 -> 36, ") + layout.name).c_str(), shrunk);

    // An opacity slider step, to the right and back.
    root.request_focus(*panel.opacity_slider(), win32_ui::modern::FocusOrigin::keyboard);
    SetFocus(application.hwnd());
    pump_for(100);
    std::vector<double> stepped;
    for (int i = 0; i < samples; ++i) {
      stepped.push_back(key_to_painted_preview(application, i % 2 == 0 ? VK_RIGHT : VK_LEFT));
    }
    report((std::string("opacity step, ") + layout.name).c_str(), stepped);
  }
  const auto& statistics = application.window().surface().statistics();
  std::printf("frames painted %llu, mean frame %.1f ms, longest %.1f ms\n",
              static_cast<unsigned long long>(statistics.frames),
              statistics.frames ? statistics.total_milliseconds / static_cast<double>(statistics.frames) : 0.0,
              statistics.longest_milliseconds);
  DestroyWindow(application.hwnd());
  pump_for(100);
  CoUninitialize();
  return 0;
}
