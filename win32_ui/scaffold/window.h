#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "localization/localized_text.h"
#include "scaffold/window_host.h"

typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;
typedef struct HICON__* HICON;

namespace win32_ui::scaffold {

class Application;

// How a window is made.
struct WindowOptions {
  std::wstring title;
  // When present, resolved through the window's localisation context instead of `title`.
  std::optional<modern::LocalizedText> localized_title;
  HINSTANCE instance = nullptr;  // null: the executable's own
  HWND parent = nullptr;
  HWND centring_reference = nullptr;  // null: the parent
  std::uint32_t style = 0x02CF0000;   // overlapped window with clip-children
  std::uint32_t extended_style = 0;
  HICON icon = nullptr;
  float client_width = 640.0f;
  float client_height = 400.0f;
  float minimum_client_width = 0.0f;
  float minimum_client_height = 0.0f;
  float margin = 24.0f;
  float ui_scale = 1.0f;
  ChromeMode chrome_mode = ChromeMode::system_frame;
  bool centre = true;
};

// A top-level window of class "Win32UiScaffoldWindow_v1" with a surface and the toolkit's chrome,
// registered with its application while it exists.
class Window {
 public:
  explicit Window(Application& application);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // False when the window exists already or cannot be made.
  bool create(const WindowOptions& options);
  void show(int command);
  void hide();
  void destroy();

  [[nodiscard]] HWND hwnd() const noexcept { return window_; }
  [[nodiscard]] bool created() const noexcept { return created_; }
  [[nodiscard]] WindowHost& host() noexcept { return host_; }
  [[nodiscard]] modern::Surface& surface() noexcept { return host_.surface(); }
  [[nodiscard]] Application& application() noexcept { return application_; }

  // Puts the content under the window's chrome.
  void set_content(std::unique_ptr<modern::View> content) { host_.set_content(std::move(content)); }

 private:
  static std::intptr_t __stdcall window_proc(HWND window, unsigned message, std::uintptr_t wparam,
                                             std::intptr_t lparam) noexcept;

  Application& application_;
  WindowHost host_;
  HWND window_ = nullptr;
  bool created_ = false;
};

}  // namespace win32_ui::scaffold
