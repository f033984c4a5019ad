#include "program_driver.h"

#include <objbase.h>
#include <shlobj.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

#include "desktop.h"
#include "modern/panels/scroll_panel.h"
#include "modern/surface.h"
#include "modern/widgets/widget.h"
#include "orvane_application.h"

namespace program_driver {
namespace {

// The program's main window: never taken for one of its dialogs.
HWND main_window = nullptr;

}  // namespace

namespace {
// Every test starts as a first run (no language, theme, settings or presets kept) and leaves nothing
// behind.
void forget_remembered_settings() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kestrune\\Orvane"); }
}  // namespace

Environment::Environment() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  forget_remembered_settings();
}
Environment::~Environment() {
  forget_remembered_settings();
  CoUninitialize();
}

Program::Program(const std::wstring& photo)
    : application_(std::make_unique<orvane::app::OrvaneApplication>(GetModuleHandleW(nullptr))) {
  if (!application_->create(photo)) return;
  window_ = application_->hwnd();
  main_window = window_;
  SetForegroundWindow(window_);
  desktop::pump(200);
  settle();
}

bool Program::settle(int timeout_milliseconds) {
  const bool settled =
      desktop::pump_until([this] { return !application_->preview_busy(); }, timeout_milliseconds);
  desktop::pump(30);  // the frame's paint
  return settled;
}

Program::~Program() {
  application_.reset();
  main_window = nullptr;
  desktop::pump(20);
}

POINT Program::centre_of_command(std::uint32_t id) {
  namespace modern = win32_ui::modern;
  modern::Surface& surface = application_->window().surface();
  const modern::View* view = surface.root() != nullptr ? modern::find_widget_by_command(*surface.root(), id) : nullptr;
  if (view != nullptr) {
    const float scale = surface.dpi() / 96.0f * surface.ui_scale();
    const win32_ui::layout::Rect r = view->arranged_rect();
    return POINT{static_cast<LONG>((r.x + r.width / 2) * scale), static_cast<LONG>((r.y + r.height / 2) * scale)};
  }
  return POINT{-1, -1};
}

ChildProgram::ChildProgram(const std::wstring& photo) {
  std::wstring command = L"\"" ORVANE_EXE L"\" \"" + photo + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return;
  CloseHandle(process.hThread);
  process_ = process.hProcess;
  id_ = process.dwProcessId;
  desktop::pump_until(
      [this] { return (window_ = find_window_of(id_, L"Win32UiScaffoldWindow_v1", L"", nullptr)) != nullptr; }, 15000);
}

ChildProgram::~ChildProgram() {
  if (process_ == nullptr) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) static_cast<void>(close_and_wait());
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
  CloseHandle(process_);
}

long ChildProgram::close_and_wait() {
  if (process_ == nullptr) return -1;
  if (window_ != nullptr && IsWindow(window_)) PostMessageW(window_, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process_, 15000) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return static_cast<long>(code);
}

HWND find_window_of(DWORD process_id, const wchar_t* window_class, const std::wstring& title_part, HWND exclude) {
  struct Search {
    DWORD process;
    const wchar_t* window_class;
    const std::wstring* title;
    HWND exclude;
    HWND found;
  } search{process_id, window_class, &title_part, exclude, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != s.process || !IsWindowVisible(window) || window == s.exclude) return TRUE;
        wchar_t name[64] = {};
        wchar_t title[256] = {};
        GetClassNameW(window, name, 64);
        // Read without a message, so a busy program cannot block the search.
        InternalGetWindowText(window, title, 256);
        if (std::wcscmp(name, s.window_class) == 0 && std::wstring(title).find(*s.title) != std::wstring::npos) {
          s.found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND wait_for_window(const wchar_t* window_class, const std::wstring& title, int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    if (HWND window = find_window_of(GetCurrentProcessId(), window_class, title, main_window)) return window;
    Sleep(30);
  }
  return nullptr;
}

void key(WORD vk) {
  INPUT inputs[2]{};
  inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
  inputs[0].ki.wVk = inputs[1].ki.wVk = vk;
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
  Sleep(80);
}

void type(const std::wstring& text) {
  for (const wchar_t c : text) {
    INPUT inputs[2]{};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wScan = inputs[1].ki.wScan = c;
    inputs[0].ki.dwFlags = KEYEVENTF_UNICODE;
    inputs[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
  }
  Sleep(80);
}

// A photo that looks like one: sky, sun, hills.
std::wstring make_scene(const orvane::test::TempDir& folder) {
  orvane::test::Pixels scene;
  scene.width = 1500;
  scene.height = 1000;
  scene.argb.resize(static_cast<std::size_t>(scene.width) * scene.height);
  for (std::uint32_t y = 0; y < scene.height; ++y) {
    for (std::uint32_t x = 0; x < scene.width; ++x) {
      const float t = static_cast<float>(y) / static_cast<float>(scene.height);
      auto r = static_cast<std::uint32_t>(110 + 90 * t);
      auto g = static_cast<std::uint32_t>(168 + 40 * t);
      auto b = static_cast<std::uint32_t>(220 - 30 * t);
      const float dx = static_cast<float>(x) - 1080.0f;
      const float dy = static_cast<float>(y) - 300.0f;
      if (dx * dx + dy * dy < 110.0f * 110.0f) {
        r = 246;
        g = 194;
        b = 50;
      }
      const float hill = 640.0f + 90.0f * std::sin(static_cast<float>(x) / 210.0f);
      if (static_cast<float>(y) > hill) {
        r = 52;
        g = static_cast<std::uint32_t>(110 + 30 * std::sin(static_cast<float>(x) / 90.0f));
        b = 60;
      }
      scene.argb[static_cast<std::size_t>(y) * scene.width + x] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
  }
  const std::wstring path = folder.file(L"hills.jpg");
  return orvane::test::save_pixels(scene, path, L"image/jpeg") ? path : std::wstring();
}

void reveal(const win32_ui::modern::View& view) {
  for (win32_ui::modern::View* up = view.parent(); up != nullptr; up = up->parent()) {
    if (auto* scroller = dynamic_cast<win32_ui::modern::ScrollPanel*>(up); scroller != nullptr) {
      if (scroller->reveal(view.arranged_rect())) desktop::pump(40);
      return;
    }
  }
}

void save_shot(HWND window, const std::wstring& name) {
  if (window == nullptr) return;
  // Pictures are for people to look at; a missing one fails nothing (this also runs on the hand's thread).
  static_cast<void>(orvane::test::save_pixels(desktop::capture_client(window),
                                              std::wstring(L"" ARTEFACT_DIR) + L"/" + name, L"image/png"));
}

Hand::Hand(std::function<void()> script)
    : thread_([this, script = std::move(script)] {
        script();
        done_ = true;
      }) {}

Hand::~Hand() {
  if (thread_.joinable()) thread_.join();
}

void Hand::finish() {
  desktop::pump_until([this] { return done_.load(); }, 20000);
  if (thread_.joinable()) thread_.join();
}

void drop_files(HWND window, const std::vector<std::wstring>& paths) {
  // Each name ended, the list ended once more.
  std::wstring names;
  for (const std::wstring& path : paths) names += path + L'\0';
  names += L'\0';
  const std::size_t bytes = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  if (memory == nullptr) return;
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  // The window takes the block and frees it (DragFinish).
  SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

POINT point_of(HWND window, const win32_ui::modern::View& view, float fraction) {
  reveal(view);
  const auto r = view.arranged_rect();
  // The window's content is laid out at 0.92 of the monitor's scale.
  const float scale = 0.92f * static_cast<float>(GetDpiForWindow(window)) / 96.0f;
  return POINT{static_cast<LONG>((r.x + r.width * fraction) * scale), static_cast<LONG>((r.y + r.height / 2.0f) * scale)};
}

bool fill_file_dialog(const std::wstring& name, const std::wstring& picture) {
  HWND dialog = wait_for_window(L"#32770", L"");
  if (dialog == nullptr) return false;
  Sleep(200);
  if (!picture.empty()) save_shot(dialog, picture);
  SetForegroundWindow(dialog);
  // The name field has the focus, with the suggestion in it.
  key(VK_END);
  for (int i = 0; i < 80; ++i) key(VK_BACK);
  type(name);
  key(VK_RETURN);
  return true;
}

std::wstring dismiss_message(const std::wstring& expected_title, const std::wstring& picture, int milliseconds) {
  HWND dialog = wait_for_window(L"Win32UiScaffoldWindow_v1", expected_title, milliseconds);
  if (dialog == nullptr) return L"(no dialog)";
  wchar_t title[256] = {};
  GetWindowTextW(dialog, title, 256);
  Sleep(150);
  if (!picture.empty()) save_shot(dialog, picture);
  SetForegroundWindow(dialog);
  key(VK_RETURN);
  return title;
}

bool export_with_ctrl_s(const std::wstring& output) {
  std::wstring seen;
  {
    Hand hand([&] {
      // The export runs aside: its message comes when the file is written.
      if (fill_file_dialog(output)) seen = dismiss_message(L"", {}, 60000);
    });
    desktop::press_key('S', false, true);
    hand.finish();
  }
  if (main_window != nullptr) SetForegroundWindow(main_window);
  desktop::pump(60);
  return seen == L"Export complete" || seen == L"导出完成";
}

}  // namespace program_driver
