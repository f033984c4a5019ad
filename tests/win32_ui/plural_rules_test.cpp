// Plural categories by language and the text that replaces "{count}".
#include "localization/plural_rules.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "localization/localization_context.h"

namespace {

using win32_ui::modern::category_name;
using win32_ui::modern::format_count;
using win32_ui::modern::LocalizationContext;
using win32_ui::modern::plural_category;
using win32_ui::modern::PluralCategory;
using win32_ui::modern::primary_subtag;

using Cases = std::vector<std::pair<double, PluralCategory>>;

void expect_categories(const wchar_t* tag, const Cases& cases) {
  for (const auto& [count, expected] : cases) {
    EXPECT_EQ(plural_category(tag, count), expected) << "tag " << testing::PrintToString(std::wstring(tag))
                                                     << ", count " << count;
  }
}

constexpr auto kZero = PluralCategory::Zero;
constexpr auto kOne = PluralCategory::One;
constexpr auto kTwo = PluralCategory::Two;
constexpr auto kFew = PluralCategory::Few;
constexpr auto kMany = PluralCategory::Many;
constexpr auto kOther = PluralCategory::Other;

// 2^63 does not fit a signed 64-bit integer; the largest double below it does.
constexpr double kTwoTo63 = 9223372036854775808.0;
constexpr double kBelowTwoTo63 = 9223372036854774784.0;

TEST(PluralRulesTest, EnglishAndUnlistedLanguages) {
  expect_categories(L"en-US", {{1, kOne}, {1.0, kOne}, {-1, kOne}, {0, kOther}, {2, kOther}, {1.5, kOther},
                               {21, kOther}});
  // pt_BR has the primary subtag pt, which has no rule of its own.
  expect_categories(L"pt_BR", {{1, kOne}, {0, kOther}, {2, kOther}});
  expect_categories(L"", {{1, kOne}, {3, kOther}});
}

TEST(PluralRulesTest, EastSlavicAndWestSlavicLanguages) {
  const Cases russian = {{1, kOne},   {21, kOne},  {101, kOne},  {11, kMany},  {111, kMany}, {2, kFew},
                         {3, kFew},   {4, kFew},   {22, kFew},   {0, kMany},   {5, kMany},   {12, kMany},
                         {25, kMany}, {1.5, kOther}, {-21, kOne}, {kBelowTwoTo63, kFew}};
  expect_categories(L"ru-RU", russian);
  expect_categories(L"UK_ua", russian);
  expect_categories(L"pl", {{1, kOne}, {21, kMany}, {2, kFew}, {24, kFew}, {12, kMany}, {0, kMany}, {5, kMany},
                            {1.5, kOther}});
  expect_categories(L"cs-CZ", {{1, kOne}, {2, kFew}, {4, kFew}, {5, kOther}, {22, kOther}, {0, kOther},
                               {2.5, kOther}});
  expect_categories(L"sk", {{1, kOne}, {3, kFew}});
}

TEST(PluralRulesTest, ArabicFrenchAndLanguagesWithoutPlurals) {
  expect_categories(L"ar-EG", {{0, kZero}, {1, kOne}, {2, kTwo}, {3, kFew}, {10, kFew}, {103, kFew}, {11, kMany},
                               {99, kMany}, {100, kOther}, {102, kOther}, {0.5, kOther}, {2.5, kOther}});
  expect_categories(L"fr-FR", {{0, kOne}, {1, kOne}, {1.5, kOther}, {2, kOther}});
  for (const wchar_t* tag : {L"zh-CN", L"zh_Hans_CN", L"ja", L"ko-KR", L"th", L"vi"}) {
    expect_categories(tag, {{0, kOther}, {1, kOther}, {2, kOther}});
  }
}

TEST(PluralRulesTest, HugeAndMissingCountsAreNotIntegers) {
  expect_categories(L"ru", {{1e300, kOther}, {kTwoTo63, kOther}, {-kTwoTo63, kOther}});
  expect_categories(L"ar", {{1e300, kOther}});
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double infinity = std::numeric_limits<double>::infinity();
  expect_categories(L"en", {{nan, kOther}, {infinity, kOther}, {-infinity, kOther}});
  expect_categories(L"ar", {{nan, kOther}, {infinity, kOther}});
  expect_categories(L"ru", {{nan, kOther}});
}

TEST(PluralRulesTest, NamesAndPrimarySubtags) {
  EXPECT_EQ(category_name(kZero), L"zero");
  EXPECT_EQ(category_name(kOne), L"one");
  EXPECT_EQ(category_name(kTwo), L"two");
  EXPECT_EQ(category_name(kFew), L"few");
  EXPECT_EQ(category_name(kMany), L"many");
  EXPECT_EQ(category_name(kOther), L"other");
  EXPECT_EQ(primary_subtag(L"pt_BR"), L"pt");
  EXPECT_EQ(primary_subtag(L"ZH-Hans-CN"), L"zh");
  EXPECT_EQ(primary_subtag(L"en"), L"en");
  EXPECT_EQ(primary_subtag(L""), L"");
}

TEST(PluralRulesTest, CountsWithoutFormatterArePlainDigits) {
  const LocalizationContext context(L"en-US");
  EXPECT_EQ(format_count(context, 3), L"3");
  EXPECT_EQ(format_count(context, 2.5), L"2.5");
  EXPECT_EQ(format_count(context, -0.25), L"-0.25");
  EXPECT_EQ(format_count(context, 100), L"100");
  EXPECT_EQ(format_count(context, 1234567), L"1234567");
  EXPECT_EQ(format_count(context, 1e21), L"1000000000000000000000");
  EXPECT_EQ(format_count(context, -1e-20), L"0");
  EXPECT_EQ(format_count(context, std::numeric_limits<double>::quiet_NaN()), L"");
  EXPECT_EQ(format_count(context, std::numeric_limits<double>::infinity()), L"");
}

}  // namespace
