#include "desktop.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace desktop {
namespace {

constexpr wchar_t window_class[] = L"OrvaneTestWindow";

void register_class() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = window_class;
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
}

void send(INPUT* inputs, UINT count) {
  SendInput(count, inputs, sizeof(INPUT));
  pump(60);
}

INPUT mouse_input(DWORD flags, LONG dx = 0, LONG dy = 0, DWORD data = 0) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = dx;
  input.mi.dy = dy;
  input.mi.mouseData = data;
  input.mi.dwFlags = flags;
  return input;
}

INPUT key_input(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

}  // namespace

TestWindow::TestWindow(int client_width, int client_height, int x, int y, const wchar_t* title) {
  register_class();
  RECT frame{0, 0, client_width, client_height};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  window_ = CreateWindowExW(0, window_class, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  if (window_ == nullptr) return;
  ShowWindow(window_, SW_SHOWNORMAL);
  SetForegroundWindow(window_);
  SetActiveWindow(window_);
  UpdateWindow(window_);
  pump(50);
}

TestWindow::~TestWindow() { destroy(); }

void TestWindow::destroy() {
  if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
  window_ = nullptr;
  pump(10);
}

void pump(int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= end) return;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
  }
}

bool pump_until(const std::function<bool()>& condition, int timeout_milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_milliseconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    pump(10);
  }
  return true;
}

void move_mouse(HWND window, POINT client) {
  POINT screen = client;
  ClientToScreen(window, &screen);
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  // Absolute coordinates are 0..65535 across the primary screen; aim at the pixel's centre. Under Wine
  // a window appearing under the pointer can report the pointer's previous place after the move, so
  // the move is repeated until the cursor really is there.
  for (int attempt = 0; attempt < 5; ++attempt) {
    INPUT input = mouse_input(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (screen.x * 65536 + 32768) / width,
                              (screen.y * 65536 + 32768) / height);
    send(&input, 1);
    POINT now{};
    GetCursorPos(&now);
    if (now.x == screen.x && now.y == screen.y) return;
  }
}

void click(HWND window, POINT client) {
  move_mouse(window, client);
  INPUT inputs[2] = {mouse_input(MOUSEEVENTF_LEFTDOWN), mouse_input(MOUSEEVENTF_LEFTUP)};
  send(inputs, 2);
}

INPUT absolute_move(HWND window, POINT client) {
  POINT screen = client;
  ClientToScreen(window, &screen);
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  return mouse_input(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (screen.x * 65536 + 32768) / width,
                     (screen.y * 65536 + 32768) / height);
}

void double_click(HWND window, POINT client) {
  move_mouse(window, client);
  INPUT inputs[4] = {mouse_input(MOUSEEVENTF_LEFTDOWN), mouse_input(MOUSEEVENTF_LEFTUP),
                     mouse_input(MOUSEEVENTF_LEFTDOWN), mouse_input(MOUSEEVENTF_LEFTUP)};
  send(inputs, 4);
}

void drag(HWND window, POINT from, POINT to) {
  move_mouse(window, from);
  const POINT middle{(from.x + to.x) / 2, (from.y + to.y) / 2};
  std::vector<INPUT> steps{mouse_input(MOUSEEVENTF_LEFTDOWN), absolute_move(window, middle), absolute_move(window, to),
                           mouse_input(MOUSEEVENTF_LEFTUP)};
  // A press on a title or border starts the system's modal move loop inside this thread's message
  // dispatch: the rest of the gesture comes from another thread, paced like a hand, while this one pumps.
  std::atomic<bool> done{false};
  std::thread hand([&] {
    for (INPUT& step : steps) {
      SendInput(1, &step, sizeof(INPUT));
      Sleep(60);
    }
    done = true;
  });
  pump_until([&] { return done.load(); }, 5000);
  hand.join();
  pump(100);
}

void right_click(HWND window, POINT client) {
  move_mouse(window, client);
  INPUT inputs[2] = {mouse_input(MOUSEEVENTF_RIGHTDOWN), mouse_input(MOUSEEVENTF_RIGHTUP)};
  send(inputs, 2);
}

void wheel(HWND window, POINT client, int notches) {
  move_mouse(window, client);
  INPUT input = mouse_input(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(notches * WHEEL_DELTA));
  send(&input, 1);
}

void press_key(WORD virtual_key, bool shift, bool control, bool alt) {
  std::vector<INPUT> inputs;
  if (shift) inputs.push_back(key_input(VK_SHIFT, false));
  if (control) inputs.push_back(key_input(VK_CONTROL, false));
  if (alt) inputs.push_back(key_input(VK_MENU, false));
  inputs.push_back(key_input(virtual_key, false));
  inputs.push_back(key_input(virtual_key, true));
  if (alt) inputs.push_back(key_input(VK_MENU, true));
  if (control) inputs.push_back(key_input(VK_CONTROL, true));
  if (shift) inputs.push_back(key_input(VK_SHIFT, true));
  send(inputs.data(), static_cast<UINT>(inputs.size()));
}

void type_text(const std::wstring& text) {
  std::vector<INPUT> inputs;
  for (const wchar_t c : text) {
    for (const bool up : {false, true}) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wScan = c;
      input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
      inputs.push_back(input);
    }
  }
  send(inputs.data(), static_cast<UINT>(inputs.size()));
}

orvane::test::Pixels capture_client(HWND window) {
  orvane::test::Pixels pixels;
  RECT client{};
  GetClientRect(window, &client);
  const int width = client.right;
  const int height = client.bottom;
  if (width <= 0 || height <= 0) return pixels;
  HDC window_dc = GetDC(window);
  HDC memory = CreateCompatibleDC(window_dc);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(window_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, window_dc, 0, 0, SRCCOPY);
  GdiFlush();
  pixels.width = static_cast<std::uint32_t>(width);
  pixels.height = static_cast<std::uint32_t>(height);
  pixels.argb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  const auto* source = static_cast<const std::uint32_t*>(bits);
  for (std::size_t i = 0; i < pixels.argb.size(); ++i) pixels.argb[i] = 0xFF000000u | (source[i] & 0x00FFFFFFu);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, window_dc);
  return pixels;
}

int gdi_object_count() {
  const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (reported != 0) return static_cast<int>(reported);
  // Wine answers 0; its shared handle table (reachable from the PEB, as on Windows) tells which entries
  // are live: 24-byte entries whose type byte is set.
  struct Entry {
    unsigned long long object;
    unsigned short process_id;
    unsigned short count;
    unsigned short unique;
    unsigned char type;
    unsigned char flags;
    unsigned long long user_pointer;
  };
  static_assert(sizeof(Entry) == 24);
  using GetPeb = void*(WINAPI*)();
  const auto get_peb = reinterpret_cast<GetPeb>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetCurrentPeb")));
  if (get_peb == nullptr) return -1;
  // PEB.GdiSharedHandleTable lies at 0xF8 in the 64-bit layout.
  const auto* process = static_cast<const unsigned char*>(get_peb());
  const auto* table = *reinterpret_cast<const Entry* const*>(process + 0xF8);
  if (table == nullptr) return -1;
  // Wine keeps the table per process and leaves the owner field 0, so every live entry is ours.
  int live = 0;
  for (int i = 0; i < 0x4000; ++i) {
    if (table[i].type != 0) ++live;
  }
  return live;
}

int thread_window_count() {
  int count = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto& total = *reinterpret_cast<int*>(data);
        ++total;
        EnumChildWindows(
            window,
            [](HWND, LPARAM inner) -> BOOL {
              ++*reinterpret_cast<int*>(inner);
              return TRUE;
            },
            data);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

}  // namespace desktop
