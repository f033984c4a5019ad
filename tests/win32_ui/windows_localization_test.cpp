// Localisation on the Windows national-language services: counts formatted by the Windows
// locale formatter, and the scaffold application's context with its built-in dialog texts.
#include <windows.h>

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>

#include "localization/localization_context.h"
#include "localization/message_catalogue.h"
#include "localization/plural_rules.h"
#include "platform/windows/windows_locale_formatter.h"
#include "scaffold/application.h"

namespace {

using win32_ui::modern::format_count;
using win32_ui::modern::LocalizationContext;
using win32_ui::modern::LocalizedText;
using win32_ui::modern::MessageCatalogue;
using win32_ui::platform::windows::WindowsLocaleFormatter;
using win32_ui::scaffold::Application;

// A context as a surface attaches it: the locale tag and the Windows formatter.
LocalizationContext formatted(const wchar_t* tag) {
  LocalizationContext context(tag);
  context.set_formatter(std::make_shared<WindowsLocaleFormatter>());
  return context;
}

TEST(WindowsLocalizationTest, CountsFollowTheLocale) {
  const LocalizationContext english = formatted(L"en-US");
  EXPECT_EQ(format_count(english, 1234567), L"1,234,567");
  EXPECT_EQ(format_count(english, 2.5), L"2.5");
  EXPECT_EQ(format_count(english, 1.0 / 3.0), L"0.333333333");
  const LocalizationContext german = formatted(L"de-DE");
  EXPECT_EQ(format_count(german, 1234.5), L"1.234,5");
  EXPECT_EQ(format_count(german, std::numeric_limits<double>::quiet_NaN()), L"");
  auto catalogue = std::make_shared<MessageCatalogue>(L"en");
  catalogue->set_text(L"en", L"files.one", L"{count} file")
      .set_text(L"en", L"files.other", L"{count} files")
      .set_text(L"de", L"files.other", L"{count} Dateien");
  LocalizationContext english_files = formatted(L"en-US");
  english_files.set_catalogue(catalogue);
  EXPECT_EQ(english_files.resolve(LocalizedText::plural(L"files", 1)), L"1 file");
  EXPECT_EQ(english_files.resolve(LocalizedText::plural(L"files", 1234)), L"1,234 files");
  // A count too long to format has no digits to show; the message keeps its words.
  EXPECT_EQ(english_files.resolve(LocalizedText::plural(L"files", 1e300)), L" files");
  LocalizationContext german_files = formatted(L"de-DE");
  german_files.set_catalogue(catalogue);
  EXPECT_EQ(german_files.resolve(LocalizedText::plural(L"files", 1234.5)), L"1.234,5 Dateien");
}

struct DialogText {
  const wchar_t* key;
  const wchar_t* english;
  const wchar_t* chinese;
};

constexpr DialogText kDialogTexts[] = {
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
};

TEST(ApplicationLocalizationTest, DialogTextsInChineseAndEnglish) {
  for (const wchar_t* tag : {L"zh-CN", L"zh-TW", L"ZH-cn", L"zh"}) {
    const LocalizationContext chinese = Application::make_localization(tag);
    for (const DialogText& text : kDialogTexts) {
      EXPECT_EQ(chinese.resolve(LocalizedText::key(text.key)), text.chinese)
          << testing::PrintToString(std::wstring(tag)) << " " << testing::PrintToString(std::wstring(text.key));
    }
  }
  for (const wchar_t* tag : {L"en-US", L"Zh-CN", L"zH", L"z", L"", L"de-DE"}) {
    const LocalizationContext english = Application::make_localization(tag);
    for (const DialogText& text : kDialogTexts) {
      EXPECT_EQ(english.resolve(LocalizedText::key(text.key)), text.english)
          << testing::PrintToString(std::wstring(tag)) << " " << testing::PrintToString(std::wstring(text.key));
    }
  }
}

TEST(ApplicationLocalizationTest, ContextIsFreshAndKeepsOtherKeys) {
  const LocalizationContext context = Application::make_localization(L"zh-CN");
  EXPECT_EQ(context.locale_tag(), L"zh-CN");
  EXPECT_EQ(context.revision(), 1u);
  EXPECT_FALSE(context.has_formatter());
  EXPECT_EQ(context.catalogue(), nullptr);
  EXPECT_EQ(context.resolve(LocalizedText::key(L"scaffold.dialog.unknown")), L"scaffold.dialog.unknown");
  EXPECT_EQ(context.resolve(LocalizedText::key(L"scaffold.dialog.OK")), L"scaffold.dialog.OK");
  // A catalogue given to the application answers before the built-in texts.
  auto catalogue = std::make_shared<MessageCatalogue>();
  catalogue->set_text(L"zh", L"scaffold.dialog.ok", L"好");
  const LocalizationContext custom = Application::make_localization(L"zh-CN", catalogue);
  EXPECT_EQ(custom.resolve(LocalizedText::key(L"scaffold.dialog.ok")), L"好");
  EXPECT_EQ(custom.resolve(LocalizedText::key(L"scaffold.dialog.cancel")), L"取消");
}

TEST(ApplicationLocalizationTest, LocaleTagIsTheUsersDefaultLocale) {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  ASSERT_GT(GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH), 1);
  EXPECT_EQ(Application::user_locale_tag(), name);
}

}  // namespace
