#include "scaffold/application.h"

#include <windows.h>

#include <array>
#include <utility>

#include "localization/message_catalogue.h"

namespace win32_ui::scaffold {
namespace {

struct DialogText {
  std::wstring_view key;
  std::wstring_view english;
  std::wstring_view chinese;
};

constexpr std::array<DialogText, 13> kDialogTexts = {{
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

}  // namespace win32_ui::scaffold
