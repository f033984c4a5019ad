#include "scaffold/application.h"

#include <windows.h>

#include <array>
#include <utility>

#include "localization/message_catalogue.h"
#include "scaffold/window.h"

namespace win32_ui::scaffold {
namespace {

struct DialogText {
  std::wstring_view key;
  std::wstring_view english;
  std::wstring_view chinese;
};

constexpr std::array<DialogText, 16> kDialogTexts = {{
    {L"scaffold.dialog.ok", L"OK", L"确定"},
    {L"scaffold.dialog.cancel", L"Cancel", L"取消"},
    {L"scaffold.dialog.yes", L"Yes", L"是"},
    {L"scaffold.dialog.no", L"No", L"否"},
    {L"scaffold.dialog.retry", L"Retry", L"重试"},
    {L"scaffold.dialog.abort", L"Abort", L"中止"},
    {L"scaffold.dialog.ignore", L"Ignore", L"忽略"},
    {L"scaffold.dialog.try_again", L"Try again", L"重试"},
    {L"scaffold.dialog.continue", L"Continue", L"继续"},
    {L"scaffold.dialog.information", L"Information", L"提示"},
    {L"scaffold.dialog.warning", L"Warning", L"警告"},
    {L"scaffold.dialog.error", L"Error", L"错误"},
    {L"scaffold.dialog.question", L"Question", L"确认"},
    {L"scaffold.caption.minimize", L"Minimize", L"最小化"},
    {L"scaffold.caption.maximize", L"Maximize or Restore", L"最大化或还原"},
    {L"scaffold.caption.close", L"Close", L"关闭"},
}};

// Only an exact "zh" or "ZH" start counts, as the system writes it; "Zh" does not.
bool wants_chinese(std::wstring_view locale_tag) {
  const std::wstring_view start = locale_tag.substr(0, 2);
  return start == L"zh" || start == L"ZH";
}

}  // namespace

modern::LocalizationContext Application::make_localization(std::wstring_view locale_tag,
                                                           std::shared_ptr<const modern::MessageCatalogue> catalogue) {
  const bool chinese = wants_chinese(locale_tag);
  modern::LocalizationContext context(std::wstring(locale_tag), [chinese](std::wstring_view key) {
    for (const DialogText& entry : kDialogTexts) {
      if (entry.key == key) return std::wstring(chinese ? entry.chinese : entry.english);
    }
    return std::wstring(key);
  });
  context.set_catalogue(std::move(catalogue));
  return context;
}

std::wstring Application::user_locale_tag() {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  const int length = GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
  if (length <= 1) return L"zh-CN";
  return std::wstring(name, static_cast<std::size_t>(length - 1));
}

Application::Application(modern::ThemeMode mode, std::uint32_t accent)
    : theme_(mode, accent), language_tag_(user_locale_tag()), localization_(make_localization(language_tag_)) {}

Application::~Application() {
  // Windows leave the list as they are destroyed.
  while (!windows_.empty()) {
    Window* last = windows_.back();
    last->destroy();
    if (!windows_.empty() && windows_.back() == last) windows_.pop_back();
  }
}

void Application::set_theme_mode(modern::ThemeMode mode) {
  theme_.set_mode(mode);
  for (Window* window : windows_) {
    if (window->hwnd() == nullptr) continue;
    WindowHost& host = window->host();
    if (host.theme().mode() != mode) host.set_theme_mode(mode);
    if (host.surface().palette() != theme_.palette()) host.apply_palette(theme_.palette());
  }
  for (const auto& listener : listeners_) listener(theme_.palette());
}

void Application::system_theme_changed() {
  if (!theme_.refresh()) return;
  apply_to_windows();
  for (const auto& listener : listeners_) listener(theme_.palette());
  if (theme_changed_) theme_changed_(theme_.palette());
}

void Application::apply_to_windows() {
  for (Window* window : windows_) {
    if (window->hwnd() != nullptr) window->host().apply_palette(theme_.palette());
  }
}

void Application::add_theme_listener(std::function<void(const modern::Palette&)> listener) {
  listeners_.push_back(std::move(listener));
}

void Application::on_theme_changed(std::function<void(const modern::Palette&)> callback) {
  theme_changed_ = std::move(callback);
}

void Application::set_localization(modern::LocalizationContext localization) {
  localization_ = std::move(localization);
  for (Window* window : windows_) window->surface().set_localization(localization_);
}

void Application::add_window(Window& window) {
  for (Window* listed : windows_) {
    if (listed == &window) return;
  }
  windows_.push_back(&window);
}

void Application::remove_window(Window& window) { std::erase(windows_, &window); }

}  // namespace win32_ui::scaffold
