// Resolving texts through a context: catalogue and translate fall-backs, plural messages,
// placeholders, revisions and text direction.
#include "localization/localization_context.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "localization/locale_formatter.h"
#include "localization/message_catalogue.h"

namespace {

using win32_ui::modern::DateStyle;
using win32_ui::modern::DateValue;
using win32_ui::modern::LocaleFormatter;
using win32_ui::modern::LocalizationContext;
using win32_ui::modern::LocalizedText;
using win32_ui::modern::MessageCatalogue;
using win32_ui::modern::NumberFormatOptions;
using win32_ui::modern::PluralCategory;
using win32_ui::modern::TimeFormatOptions;
using win32_ui::modern::TimeValue;

// Shows which options and locale a count was formatted with, and nothing for NaN.
class ProbeFormatter final : public LocaleFormatter {
 public:
  std::wstring format_number(std::wstring_view tag, double value, NumberFormatOptions options) const override {
    if (std::isnan(value)) return {};
    return L"<" + std::wstring(tag) + L" " + std::to_wstring(static_cast<long long>(value)) + L" " +
           std::to_wstring(options.minimum_fraction_digits) + L"-" + std::to_wstring(options.maximum_fraction_digits) +
           (options.use_grouping ? L" grouped>" : L">");
  }
  std::wstring format_percent(std::wstring_view, double, NumberFormatOptions) const override { return {}; }
  std::wstring format_date(std::wstring_view, DateValue, DateStyle) const override { return {}; }
  std::wstring format_time(std::wstring_view, TimeValue, TimeFormatOptions) const override { return {}; }
};

// A catalogue with a file count in four languages.
class LocalizationContextTest : public testing::Test {
 protected:
  LocalizationContextTest() {
    catalogue_->set_text(L"en", L"files.one", L"{count} file")
        .set_text(L"en", L"files.other", L"{count} files")
        .set_text(L"de", L"files.one", L"{count} Datei")
        .set_text(L"de", L"files.other", L"{count} Dateien")
        .set_text(L"zh", L"files.other", L"{count} 个文件")
        .set_text(L"ru", L"files.one", L"{count} файл")
        .set_text(L"ru", L"files.few", L"{count} файла")
        .set_text(L"ru", L"files.many", L"{count} файлов")
        .set_text(L"ru", L"files.other", L"{count} файла")
        .set_text(L"en", L"title", L"Orvane")
        .set_text(L"en", L"page", L"Page {0} of {1}");
  }

  // A context for the tag with the shared catalogue and no formatter: counts are plain digits.
  LocalizationContext context(const wchar_t* tag) const {
    LocalizationContext result(tag);
    result.set_catalogue(catalogue_);
    return result;
  }

  std::shared_ptr<MessageCatalogue> catalogue_ = std::make_shared<MessageCatalogue>(L"en");
  std::shared_ptr<const LocaleFormatter> formatter_ = std::make_shared<ProbeFormatter>();
};

TEST_F(LocalizationContextTest, FileCountsTakeTheLanguagesPluralForm) {
  const LocalizationContext english = context(L"en-US");
  EXPECT_EQ(english.resolve(LocalizedText::plural(L"files", 1)), L"1 file");
  EXPECT_EQ(english.resolve(LocalizedText::plural(L"files", 2)), L"2 files");
  EXPECT_EQ(english.resolve(LocalizedText::plural(L"files", 0)), L"0 files");
  EXPECT_EQ(english.resolve(LocalizedText::plural(L"files", 1.5)), L"1.5 files");
  EXPECT_EQ(english.resolve(LocalizedText::plural(L"files", 1234567)), L"1234567 files");
  EXPECT_EQ(context(L"de-DE").resolve(LocalizedText::plural(L"files", 1)), L"1 Datei");
  const LocalizationContext chinese = context(L"zh-CN");
  EXPECT_EQ(chinese.resolve(LocalizedText::plural(L"files", 1)), L"1 个文件");
  EXPECT_EQ(chinese.resolve(LocalizedText::plural(L"files", 2)), L"2 个文件");
  const LocalizationContext russian = context(L"ru-RU");
  EXPECT_EQ(russian.resolve(LocalizedText::plural(L"files", 21)), L"21 файл");
  EXPECT_EQ(russian.resolve(LocalizedText::plural(L"files", 22)), L"22 файла");
  EXPECT_EQ(russian.resolve(LocalizedText::plural(L"files", 25)), L"25 файлов");
  EXPECT_EQ(russian.resolve(LocalizedText::plural(L"files", 11)), L"11 файлов");
  // With a formatter the count goes through it, for the context's locale, grouped.
  LocalizationContext formatted = context(L"de-DE");
  formatted.set_formatter(formatter_);
  EXPECT_EQ(formatted.resolve(LocalizedText::plural(L"files", 1234)), L"<de-DE 1234 0-15 grouped> Dateien");
}

TEST_F(LocalizationContextTest, KeysFallBackToTranslateThenToThemselves) {
  LocalizationContext with_translate(L"en-US", [](std::wstring_view key) { return L"T(" + std::wstring(key) + L")"; });
  EXPECT_EQ(with_translate.resolve(LocalizedText::key(L"title")), L"T(title)");
  with_translate.set_catalogue(catalogue_);
  EXPECT_EQ(with_translate.resolve(LocalizedText::key(L"title")), L"Orvane");
  EXPECT_EQ(with_translate.resolve(LocalizedText::key(L"unknown.key")), L"T(unknown.key)");
  // Plural keys ask the translate function for key.category when nothing else knows them.
  EXPECT_EQ(with_translate.resolve(LocalizedText::plural(L"photos", 1)), L"T(photos.one)");
  with_translate.set_translate_plural([](std::wstring_view key, PluralCategory category) {
    return std::wstring(key) + L"#" + std::to_wstring(static_cast<int>(category)) + L" {count}";
  });
  EXPECT_EQ(with_translate.resolve(LocalizedText::plural(L"photos", 3)), L"photos#5 3");

  const LocalizationContext bare(L"en-US");
  EXPECT_EQ(bare.resolve(LocalizedText::key(L"unknown.key")), L"unknown.key");
  EXPECT_EQ(bare.resolve(LocalizedText::plural(L"photos", 1)), L"photos");
  EXPECT_EQ(bare.resolve(LocalizedText::literal(L"As written")), L"As written");
  EXPECT_EQ(bare.resolve(LocalizedText{}), L"");
  // An empty catalogue behaves like none.
  LocalizationContext empty(L"en-US");
  empty.set_catalogue(std::make_shared<MessageCatalogue>());
  EXPECT_EQ(empty.resolve(LocalizedText::key(L"unknown.key")), L"unknown.key");
}

TEST_F(LocalizationContextTest, PlaceholdersAreFilledInOrder) {
  const LocalizationContext english = context(L"en-US");
  EXPECT_EQ(english.resolve(LocalizedText::literal(L"{1} of {0}", {L"3", L"10"})), L"10 of 3");
  EXPECT_EQ(english.resolve(LocalizedText::key(L"page", {L"2", L"7"})), L"Page 2 of 7");
  EXPECT_EQ(english.resolve(LocalizedText::literal(L"{0}, {0}!", {L"Hi"})), L"Hi, Hi!");
  // Argument 0 is placed before {1} is looked for; an inserted {0} is not expanded again.
  EXPECT_EQ(english.resolve(LocalizedText::literal(L"[{0}]", {L"{1}", L"x"})), L"[x]");
  EXPECT_EQ(english.resolve(LocalizedText::literal(L"{0}", {L"{0}{0}"})), L"{0}{0}");
  // Text around an inserted argument can join into a later placeholder, which its pass fills;
  // one of an argument already placed, or with a leading zero, stays as it is.
  EXPECT_EQ(english.resolve(LocalizedText::literal(L"{{0}}|{0{0}}|{1{0}}|{{0}", {L"1", L"x"})), L"x|{01}|{11}|{1");
  std::vector<std::wstring> arguments(11);
  arguments[0] = L"1";
  arguments[10] = L"ten";
  EXPECT_EQ(english.resolve(LocalizedText::literal(L"{{0}{1}}", arguments)), L"{1}") << "formed while {1} is filled, so not filled again";
  arguments[1] = L"0";
  EXPECT_EQ(english.resolve(LocalizedText::literal(L"{{0}{1}}", arguments)), L"ten");
  LocalizationContext twice(L"en-US");
  twice.set_translate([](std::wstring_view) { return std::wstring(L"{count} of {count} for {0}"); });
  EXPECT_EQ(twice.resolve(LocalizedText::plural(L"k", 4, {L"you"})), L"4 of 4 for you");
}

TEST_F(LocalizationContextTest, MalformedTextsStayReadable) {
  const LocalizationContext english = context(L"en-US");
  EXPECT_EQ(english.resolve(LocalizedText::literal(L"{0} and {1}", {L"a"})), L"a and {1}");
  EXPECT_EQ(english.resolve(LocalizedText::literal(L"{99} {0", {L"a"})), L"{99} {0");
  EXPECT_EQ(english.resolve(LocalizedText::literal(L"{} {-1} {00}", {L"a"})), L"{} {-1} {00}");
  EXPECT_EQ(english.resolve(LocalizedText::literal(L"no placeholders", {L"a", L"b"})), L"no placeholders");
  EXPECT_EQ(english.resolve(LocalizedText::literal(L"{0}", {L""})), L"");
  // A count that is not a number has no digits to show; the message keeps its words.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(english.resolve(LocalizedText::plural(L"files", nan)), L" files");
  EXPECT_EQ(context(L"ar").resolve(LocalizedText::plural(L"files", nan)), L" files");
}

TEST_F(LocalizationContextTest, RevisionRisesOnlyWithRealChanges) {
  LocalizationContext subject(L"en-US");
  EXPECT_EQ(subject.revision(), 1u);
  subject.set_catalogue(nullptr).set_formatter(nullptr);
  EXPECT_EQ(subject.revision(), 1u);
  subject.set_catalogue(catalogue_).set_catalogue(catalogue_);
  EXPECT_EQ(subject.revision(), 2u);
  EXPECT_FALSE(subject.has_formatter());
  subject.set_formatter(formatter_).set_formatter(formatter_);
  EXPECT_EQ(subject.revision(), 3u);
  EXPECT_TRUE(subject.has_formatter());
  subject.set_translate({}).set_translate({});
  EXPECT_EQ(subject.revision(), 5u);
  subject.set_translate_plural({});
  EXPECT_EQ(subject.revision(), 6u);
  subject.set_catalogue(std::make_shared<MessageCatalogue>());
  EXPECT_EQ(subject.revision(), 7u);
}

TEST(LocalizationDirectionTest, RightToLeftByPrimaryLanguage) {
  for (const wchar_t* tag : {L"ar", L"ar-EG", L"HE-il", L"fa_IR", L"ur-PK", L"yi", L"ug-CN", L"dv", L"ku", L"ps",
                             L"sd"}) {
    EXPECT_TRUE(LocalizationContext(tag).is_right_to_left()) << testing::PrintToString(std::wstring(tag));
  }
  for (const wchar_t* tag : {L"en-US", L"zh-CN", L"", L"arn-CL", L"hE", L"de-AR"}) {
    EXPECT_EQ(LocalizationContext(tag).is_right_to_left(), std::wstring(tag) == L"hE")
        << testing::PrintToString(std::wstring(tag));
  }
}

}  // namespace
