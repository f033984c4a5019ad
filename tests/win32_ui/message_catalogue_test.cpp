// Catalogue lookups: the language chain, default tag, parent catalogues and plural forms.
#include "localization/message_catalogue.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using win32_ui::modern::MessageCatalogue;
using win32_ui::modern::PluralCategory;
using Chain = std::vector<std::wstring>;

// The text a lookup found, or "(none)".
std::wstring found(const std::wstring* text) { return text ? *text : L"(none)"; }

TEST(MessageCatalogueTest, LanguageChainTriesEachTagFromLongestToShortestOnce) {
  EXPECT_EQ(MessageCatalogue::language_chain(L"zh_Hans_CN", L""), (Chain{L"zh-hans-cn", L"zh-hans", L"zh"}));
  EXPECT_EQ(MessageCatalogue::language_chain(L"en-US", L"en-GB"), (Chain{L"en-us", L"en", L"en-gb"}));
  EXPECT_EQ(MessageCatalogue::language_chain(L"", L"EN_gb"), (Chain{L"en-gb", L"en"}));
  EXPECT_EQ(MessageCatalogue::language_chain(L"de", L"de"), (Chain{L"de"}));
  EXPECT_TRUE(MessageCatalogue::language_chain(L"", L"").empty());
}

TEST(MessageCatalogueTest, KeysFollowTheRequestedThenTheDefaultChain) {
  MessageCatalogue catalogue(L"en-GB");
  catalogue.set_text(L"zh", L"greeting", L"你好")
      .set_text(L"en-GB", L"colour", L"Colour")
      .set_text(L"EN", L"colour", L"Color")
      .set_text(L"en_gb", L"only.british", L"Cheerio");
  EXPECT_EQ(found(catalogue.find(L"zh-CN", L"greeting")), L"你好");
  EXPECT_EQ(found(catalogue.find(L"ZH_hans_CN", L"greeting")), L"你好");
  // en-US reaches the plain en table before the default en-GB one.
  EXPECT_EQ(found(catalogue.find(L"en-US", L"colour")), L"Color");
  EXPECT_EQ(found(catalogue.find(L"en-GB", L"colour")), L"Colour");
  EXPECT_EQ(found(catalogue.find(L"zh-CN", L"colour")), L"Colour");
  EXPECT_EQ(found(catalogue.find(L"", L"only.british")), L"Cheerio");
  EXPECT_EQ(found(catalogue.find(L"zh-CN", L"missing")), L"(none)");
  // Replacing a text keeps one entry with the new value.
  catalogue.set_text(L"zh", L"greeting", L"您好");
  EXPECT_EQ(found(catalogue.find(L"zh-CN", L"greeting")), L"您好");
  EXPECT_EQ(found(MessageCatalogue().find(L"en", L"greeting")), L"(none)");
}

TEST(MessageCatalogueTest, ParentsAreConsultedWithTheirOwnDefaultTag) {
  auto base = std::make_shared<MessageCatalogue>(L"fr");
  base->set_text(L"fr", L"save", L"Enregistrer").set_text(L"de", L"open", L"Öffnen");
  MessageCatalogue child(L"de");
  child.set_text(L"de", L"save", L"Speichern");
  ASSERT_TRUE(child.set_parent(base));
  EXPECT_EQ(found(child.find(L"en", L"save")), L"Speichern");
  EXPECT_EQ(found(base->find(L"en", L"save")), L"Enregistrer");
  EXPECT_EQ(found(child.find(L"de-AT", L"open")), L"Öffnen");
  EXPECT_EQ(found(child.find(L"en", L"open")), L"(none)");
  EXPECT_EQ(child.parent(), base);
}

TEST(MessageCatalogueTest, ACatalogueCannotBecomeItsOwnAncestor) {
  auto first = std::make_shared<MessageCatalogue>();
  auto second = std::make_shared<MessageCatalogue>();
  ASSERT_TRUE(second->set_parent(first));
  EXPECT_FALSE(first->set_parent(second));
  EXPECT_FALSE(first->set_parent(first));
  EXPECT_EQ(first->parent(), nullptr);
  EXPECT_EQ(found(second->find(L"en", L"anything")), L"(none)");
}

TEST(MessageCatalogueTest, PluralFormsFallBackToOtherThenTheBareKey) {
  MessageCatalogue catalogue(L"en");
  catalogue.set_text(L"en", L"files.one", L"{count} file")
      .set_text(L"en", L"files.other", L"{count} files")
      .set_text(L"en", L"items", L"{count} item(s)")
      .set_text(L"zh", L"files.one", L"一个文件")
      .set_text(L"zh-cn", L"files.other", L"{count} 个文件")
      .set_text(L"ru", L"files", L"файлы: {count}");
  EXPECT_EQ(found(catalogue.find_plural(L"en-US", L"files", PluralCategory::One)), L"{count} file");
  EXPECT_EQ(found(catalogue.find_plural(L"en-US", L"files", PluralCategory::Other)), L"{count} files");
  EXPECT_EQ(found(catalogue.find_plural(L"en-US", L"files", PluralCategory::Few)), L"{count} files");
  EXPECT_EQ(found(catalogue.find_plural(L"en-US", L"items", PluralCategory::One)), L"{count} item(s)");
  // Within one tag, "other" comes before a more general tag's exact form.
  EXPECT_EQ(found(catalogue.find_plural(L"zh-CN", L"files", PluralCategory::One)), L"{count} 个文件");
  EXPECT_EQ(found(catalogue.find_plural(L"zh-TW", L"files", PluralCategory::One)), L"一个文件");
  // Every tag is searched for forms before any tag is searched for the bare key.
  EXPECT_EQ(found(catalogue.find_plural(L"ru", L"files", PluralCategory::Few)), L"{count} files");
  EXPECT_EQ(found(catalogue.find_plural(L"ru", L"nothing", PluralCategory::Few)), L"(none)");
}

}  // namespace
