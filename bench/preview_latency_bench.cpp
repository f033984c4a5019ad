// The time from a settings change to the painted preview in the running window, for a 24 MP photo:
// a size typed into its edit (a digit added: 36 to 360, and taken back) and an opacity slider step, in the grid layout and in two anchored ones.
// Each figure is measured from the key's injection to the end of the first frame painted after the
// preview took the new picture, with the median of each stage of the way beneath it. Keys are
// pressed once the previous one has been shown and a short pause has passed, as a typist's are.
// Usage: preview_latency_bench [SAMPLES]

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

using Milliseconds = std::chrono::duration<double, std::milli>;

// One key's way to the screen, stage by stage (milliseconds); `total` is negative when nothing
// changed within two seconds.
struct Sample {
  double total = -1.0;
  double input = 0;        // the key's injection to its message leaving the queue
  double applied = 0;      // the message to the setting applied and its frame asked for
  double queued = 0;       // asked for to the renderer taking it
  double rendered = 0;     // the frame drawn and made an image
  double handed = 0;       // back on the window's thread and in the view
  double invalidated = 0;  // the view to the window's repaint request
  double waited = 0;       // the request to the paint beginning
  double painted = 0;      // drawing the frame
  double presented = 0;    // handing it to the window
};

double between(Clock::time_point from, Clock::time_point to) {
  return to > from ? Milliseconds(to - from).count() : 0.0;
}

// Presses a key and dispatches messages until a frame has been painted after the preview's picture
// changed.
Sample key_to_painted_preview(OrvaneApplication& application, WORD vk) {
  win32_ui::modern::Surface& surface = application.window().surface();
  const std::uint64_t picture = application.preview()->image().id();
  bool changed = false;
  std::uint64_t frames_then = 0;
  Sample sample;
  Clock::time_point keyed{};
  const auto start = Clock::now();
  press(vk);
  while (Clock::now() - start < std::chrono::seconds(2)) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_KEYDOWN && keyed == Clock::time_point{}) keyed = Clock::now();
      TranslateMessage(&message);
      DispatchMessageW(&message);
      // Looked at after each message: the new picture and its frame come in different messages.
      if (!changed && application.preview()->image().id() != picture) {
        changed = true;
        frames_then = surface.statistics().frames;
      } else if (changed && surface.statistics().frames > frames_then) {
        const auto end = Clock::now();
        const orvane::app::PreviewTimings& t = application.preview_timings();
        const auto& frame = surface.statistics();
        sample.total = between(start, end);
        sample.input = between(start, keyed);
        sample.applied = between(keyed, t.requested);
        sample.queued = between(t.requested, t.started);
        sample.rendered = between(t.started, t.rendered);
        sample.handed = between(t.rendered, t.delivered);
        sample.invalidated = between(t.delivered, frame.last_invalidated);
        sample.waited = between(std::max(t.delivered, frame.last_invalidated), frame.last_started);
        sample.presented = frame.last_present_milliseconds;
        sample.painted = std::max(0.0, frame.last_milliseconds - frame.last_present_milliseconds);
        return sample;
      }
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
  return sample;
}

double median_of(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void report(const char* what, const std::vector<Sample>& samples) {
  std::vector<double> totals;
  for (const Sample& sample : samples) {
    if (sample.total >= 0) totals.push_back(sample.total);
  }
  if (totals.empty()) {
    std::printf("%-44s no change seen\n", what);
    return;
  }
  std::sort(totals.begin(), totals.end());
  const auto at = [&](double q) { return totals[static_cast<std::size_t>(q * static_cast<double>(totals.size() - 1))]; };
  std::printf("%-44s median %6.1f ms  p90 %6.1f ms  min %6.1f ms  (n=%zu)\n", what, at(0.5), at(0.9), totals.front(),
              totals.size());
  const auto stage = [&](double Sample::*field) {
    std::vector<double> values;
    for (const Sample& sample : samples) {
      if (sample.total >= 0) values.push_back(sample.*field);
    }
    return median_of(values);
  };
  std::printf("    medians: input %.1f, applied %.1f, queued %.1f, rendered %.1f, handed %.1f, invalidated %.1f, "
              "waited %.1f, painted %.1f, presented %.1f\n",
              stage(&Sample::input), stage(&Sample::applied), stage(&Sample::queued), stage(&Sample::rendered),
              stage(&Sample::handed), stage(&Sample::invalidated), stage(&Sample::waited), stage(&Sample::painted),
              stage(&Sample::presented));
}

// Dispatches messages until the preview has shown every frame asked for.
void settle(OrvaneApplication& application) {
  const auto end = Clock::now() + std::chrono::seconds(5);
  while (application.preview_busy() && Clock::now() < end) pump_for(5);
  pump_for(30);  // a typist's pause: the next key does not share the last one's frame
}

// Moves the mouse to a client point of `window`, with the left button held when `down` changes.
void mouse_to(HWND window, POINT client, DWORD buttons = 0) {
  POINT screen = client;
  ClientToScreen(window, &screen);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = (screen.x * 65536 + 32768) / GetSystemMetrics(SM_CXSCREEN);
  input.mi.dy = (screen.y * 65536 + 32768) / GetSystemMetrics(SM_CYSCREEN);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
  SendInput(1, &input, sizeof(INPUT));
}

// Drags the opacity slider across its whole range and back, a move every two milliseconds, and
// reports the frames painted against the display refreshes the drag lasted.
void drag_opacity(OrvaneApplication& application) {
  win32_ui::modern::Surface& surface = application.window().surface();
  const win32_ui::layout::Rect r = application.controls().opacity_slider()->arranged_rect();
  const float scale = surface.dpi() / 96.0f * surface.ui_scale();
  const auto at = [&](float share) {
    return POINT{static_cast<LONG>((r.x + 8.0f + (r.width - 16.0f) * share) * scale),
                 static_cast<LONG>((r.y + r.height / 2.0f) * scale)};
  };
  const HWND window = application.hwnd();
  mouse_to(window, at(0.43f));
  pump_for(50);
  mouse_to(window, at(0.43f), MOUSEEVENTF_LEFTDOWN);
  pump_for(50);
  settle(application);
  const std::uint64_t frames_before = surface.statistics().frames;
  const auto start = Clock::now();
  constexpr int steps = 200;
  for (int i = 0; i <= steps; ++i) {
    const float share = i <= steps / 2 ? 2.0f * static_cast<float>(i) / steps : 2.0f - 2.0f * static_cast<float>(i) / steps;
    mouse_to(window, at(share));
    pump_for(2);
  }
  const double elapsed = Milliseconds(Clock::now() - start).count();
  const std::uint64_t frames = surface.statistics().frames - frames_before;
  mouse_to(window, at(0.0f), MOUSEEVENTF_LEFTUP);
  settle(application);
  std::printf("opacity slider dragged across its range and back: %llu frames in %.0f ms (%.2f frames per 60 Hz refresh)\n",
              static_cast<unsigned long long>(frames), elapsed, static_cast<double>(frames) / (elapsed / (1000.0 / 60.0)));
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
  settle(application);
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
    settle(application);

    // A size typed into the edit: "36" and "360" in turn, a digit typed and taken back.
    SetFocus(static_cast<HWND>(panel.size_edit()->native_window()));
    press(VK_END);
    pump_for(100);
    std::vector<Sample> grown;
    std::vector<Sample> shrunk;
    for (int i = 0; i < samples; ++i) {
      settle(application);
      grown.push_back(key_to_painted_preview(application, '0'));
      settle(application);
      shrunk.push_back(key_to_painted_preview(application, VK_BACK));
    }
    report((std::string("typed size 36 -> 360, ") + layout.name).c_str(), grown);
    report((std::string("typed size 360 -> 36, ") + layout.name).c_str(), shrunk);

    // An opacity slider step, to the right and back.
    root.request_focus(*panel.opacity_slider(), win32_ui::modern::FocusOrigin::keyboard);
    SetFocus(application.hwnd());
    pump_for(100);
    std::vector<Sample> stepped;
    for (int i = 0; i < samples; ++i) {
      settle(application);
      stepped.push_back(key_to_painted_preview(application, i % 2 == 0 ? VK_RIGHT : VK_LEFT));
    }
    report((std::string("opacity step, ") + layout.name).c_str(), stepped);
  }
  drag_opacity(application);
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
