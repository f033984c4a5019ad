#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "localization/localization_context.h"
#include "theme/theme.h"

namespace win32_ui::modern {
class MessageCatalogue;
}

namespace win32_ui::scaffold {

class Window;

// The toolkit's application object: the theme every window shares, the localisation context windows
// and dialogs resolve their texts through, and the list of open windows.
class Application {
 public:
  explicit Application(modern::ThemeMode mode = modern::ThemeMode::follow_system,
                       std::uint32_t accent = modern::default_accent);
  // Destroys every window still open, the last made first.
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  [[nodiscard]] const modern::ThemeState& theme() const noexcept { return theme_; }
  [[nodiscard]] const modern::Palette& palette() const noexcept { return theme_.palette(); }
  [[nodiscard]] std::uint32_t accent() const noexcept { return theme_.accent(); }
  // A new theme choice reaches every open window and every listener.
  void set_theme_mode(modern::ThemeMode mode);
  // A window saw the system's theme change: the palette is rebuilt and, when it changed, handed to
  // every window, every listener and the theme-changed callback.
  void system_theme_changed();
  void add_theme_listener(std::function<void(const modern::Palette&)> listener);
  void on_theme_changed(std::function<void(const modern::Palette&)> callback);

  [[nodiscard]] const std::wstring& language_tag() const noexcept { return language_tag_; }
  [[nodiscard]] const modern::LocalizationContext& localization() const noexcept { return localization_; }
  // Replaces the context every window resolves its texts through (open windows get it at once).
  void set_localization(modern::LocalizationContext localization);

  [[nodiscard]] const std::vector<Window*>& windows() const noexcept { return windows_; }
  void add_window(Window& window);
  void remove_window(Window& window);

  // A new context for the locale tag and catalogue whose translate function answers the
  // standard dialog and caption-button texts ("scaffold.dialog.ok", "scaffold.caption.close", ...) in
  // Simplified Chinese for tags starting "zh" or "ZH" and in English otherwise; any other key answers
  // itself.
  [[nodiscard]] static modern::LocalizationContext make_localization(
      std::wstring_view locale_tag, std::shared_ptr<const modern::MessageCatalogue> catalogue = nullptr);

  // The user's default locale name, or "zh-CN" when the system cannot tell.
  [[nodiscard]] static std::wstring user_locale_tag();

 private:
  void apply_to_windows();

  modern::ThemeState theme_;
  std::wstring language_tag_;
  modern::LocalizationContext localization_;
  std::vector<Window*> windows_;
  std::vector<std::function<void(const modern::Palette&)>> listeners_;
  std::function<void(const modern::Palette&)> theme_changed_;
};

}  // namespace win32_ui::scaffold
