#include <gtest/gtest.h>

#include <string>

#include "exif_metadata.h"
#include "text_tokens.h"

namespace {

using namespace orvane::engine;

TokenValues photo() {
  TokenValues v;
  split_file_name(L"C:\\shoot 2024\\\u5E74\u4F1A \u7167\u7247 01.JPEG", v.name, v.ext);
  v.width = 6000;
  v.height = 4000;
  v.date = date_from_exif("2019:07:04 09:08:07");
  v.camera = L"X-T4";
  return v;
}

TEST(TextTokens, EveryTokenTakesThePhotosValue) {
  const TokenValues v = photo();
  EXPECT_EQ(v.name, L"\u5E74\u4F1A \u7167\u7247 01");
  EXPECT_EQ(v.ext, L"JPEG");
  EXPECT_EQ(expand_text_tokens(L"{name}|{ext}|{width}x{height}|{date}|{year}|{camera}|{n}|{n:3}|{n:1}", v, 7),
            L"\u5E74\u4F1A \u7167\u7247 01|JPEG|6000x4000|2019-07-04|2019|X-T4|7|007|7");
  EXPECT_EQ(expand_text_tokens(L"#{n:3}", v, 12345), L"#12345") << "padding never cuts";
  EXPECT_EQ(expand_text_tokens(L"{n:20}", v, 1), std::wstring(19, L'0') + L"1");
  // Without a date or a camera the tokens are empty, not left standing.
  TokenValues bare;
  EXPECT_EQ(expand_text_tokens(L"[{date}][{year}][{camera}]", bare, 1), L"[][][]");
  // A file without an extension, and a name that starts with a dot.
  split_file_name(L"/photos/README", bare.name, bare.ext);
  EXPECT_EQ(bare.name + L"|" + bare.ext, L"README|");
  split_file_name(L"C:\\x\\.hidden", bare.name, bare.ext);
  EXPECT_EQ(bare.name + L"|" + bare.ext, L".hidden|");
}

TEST(TextTokens, BracesEscapeAndUnknownOrMalformedTokensStayAsWritten) {
  const TokenValues v = photo();
  EXPECT_EQ(expand_text_tokens(L"{{name}} {{{name}}}", v, 1), L"{name} {" + v.name + L"}");
  EXPECT_EQ(expand_text_tokens(L"{Name} {nam} {n:} {n:0} {n:x} {n:21} {n:003} { name} {", v, 1),
            L"{Name} {nam} {n:} {n:0} {n:x} {n:21} {n:003} { name} {");
  EXPECT_EQ(expand_text_tokens(L"a } b {x{name}", v, 1), L"a } b {x" + v.name);
  EXPECT_EQ(expand_text_tokens(L"\u00A9 plain", v, 1), L"\u00A9 plain");
  EXPECT_FALSE(has_text_tokens(L"\u00A9 plain"));
  EXPECT_TRUE(has_text_tokens(L"}}"));
}

TEST(TextTokens, AnExpandedTextIsCutAtTheLimitButNeverInsideAPair) {
  TokenValues v;
  v.name = std::wstring(600, L'n');
  EXPECT_EQ(expand_text_tokens(L"{name}{name}", v, 1).size(), 1000u);
  if constexpr (sizeof(wchar_t) == 2) {  // UTF-16: the limit counts code units
    v.name = std::wstring(999, L'n') + L"\U0001F600";  // the pair would straddle the cut
    EXPECT_EQ(expand_text_tokens(L"{name}", v, 1), std::wstring(999, L'n'));
  }
}

TEST(TextTokens, ExifDatesReadOnlyWhenTheyAreReal) {
  const auto date = date_from_exif("2021:12:31 23:59:59");
  ASSERT_TRUE(date);
  EXPECT_EQ(date->year * 10000 + date->month * 100 + date->day, 20211231);
  EXPECT_TRUE(date_from_exif("2021:12:31"));
  for (const char* bad : {"0000:00:00 00:00:00", "    :  :     :  :  ", "2021-12-31 10:00:00", "2021:13:01 00:00:00",
                          "2021:1", ""}) {
    EXPECT_FALSE(date_from_exif(bad)) << bad;
  }
}

}  // namespace
