// Prints the median cost of resolving localised texts through a warm catalogue of 1,000 keys:
// the work every view repeats on every change of language.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "localization/localization_context.h"
#include "localization/message_catalogue.h"
#include "platform/windows/windows_locale_formatter.h"

namespace {

using win32_ui::modern::LocalizationContext;
using win32_ui::modern::LocalizedText;
using win32_ui::modern::MessageCatalogue;

constexpr int kKeys = 1000;
constexpr int kSamples = 51;
constexpr int kLongPlaceholders = 80000;

// Median nanoseconds per resolution over kSamples passes through all texts.
double median_ns(const LocalizationContext& context, const std::vector<LocalizedText>& texts, std::size_t& sink) {
  for (const LocalizedText& text : texts) sink += context.resolve(text).size();  // warm-up pass
  std::vector<double> samples;
  for (int sample = 0; sample < kSamples; ++sample) {
    const auto start = std::chrono::steady_clock::now();
    for (const LocalizedText& text : texts) sink += context.resolve(text).size();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    samples.push_back(std::chrono::duration<double, std::nano>(elapsed).count() / static_cast<double>(texts.size()));
  }
  std::nth_element(samples.begin(), samples.begin() + kSamples / 2, samples.end());
  return samples[kSamples / 2];
}

}  // namespace

int wmain() {
  auto catalogue = std::make_shared<MessageCatalogue>(L"en");
  std::vector<LocalizedText> keyed, with_argument, fallback, plural;
  for (int index = 0; index < kKeys; ++index) {
    const std::wstring key = L"bench.section" + std::to_wstring(index % 17) + L".message" + std::to_wstring(index);
    catalogue->set_text(L"en", key, L"Message number " + std::to_wstring(index) + L" for {0}");
    catalogue->set_text(L"en", key + L".one", L"{count} item in list " + std::to_wstring(index));
    catalogue->set_text(L"en", key + L".other", L"{count} items in list " + std::to_wstring(index));
    // Every second key is translated; the rest fall back along the chain to English.
    if (index % 2 == 0) catalogue->set_text(L"zh-CN", key, L"第 " + std::to_wstring(index) + L" 条消息：{0}");
    keyed.push_back(LocalizedText::key(key));
    with_argument.push_back(LocalizedText::key(key, {L"the preview"}));
    if (index % 2 == 1) fallback.push_back(LocalizedText::key(key));
    plural.push_back(LocalizedText::plural(key, static_cast<double>(index)));
  }

  LocalizationContext chinese(L"zh-CN");
  chinese.set_catalogue(catalogue);
  LocalizationContext english(L"en-US");
  english.set_catalogue(catalogue);
  LocalizationContext english_formatted = english;
  english_formatted.set_formatter(std::make_shared<win32_ui::platform::windows::WindowsLocaleFormatter>());

  std::size_t sink = 0;
  std::printf("localization_bench: median ns per resolution, warm catalogue of %d keys (%d samples)\n", kKeys,
              kSamples);
  std::printf("  keyed text, zh-CN (half found in zh-cn, half in the en default): %.0f ns\n",
              median_ns(chinese, keyed, sink));
  std::printf("  keyed text, zh-CN, found only through the default tag:          %.0f ns\n",
              median_ns(chinese, fallback, sink));
  std::printf("  keyed text with one {0} argument, en-US:                        %.0f ns\n",
              median_ns(english, with_argument, sink));
  std::printf("  plural text, en-US, plain count:                                %.0f ns\n",
              median_ns(english, plural, sink));
  std::printf("  plural text, en-US, count through the Windows formatter:        %.0f ns\n",
              median_ns(english_formatted, plural, sink));
  // One long text full of placeholders: the cost must grow with its length, not its square.
  std::wstring long_text;
  std::vector<std::wstring> arguments;
  for (int index = 0; index < kLongPlaceholders; ++index) {
    long_text += L"{" + std::to_wstring(index % 2 == 0 ? 0 : index) + L"} ";
    arguments.push_back(L"argument " + std::to_wstring(index));
  }
  const LocalizedText long_literal = LocalizedText::literal(long_text, arguments);
  std::vector<double> samples;
  for (int sample = 0; sample < 5; ++sample) {
    const auto start = std::chrono::steady_clock::now();
    sink += english.resolve(long_literal).size();
    samples.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(samples.begin(), samples.end());
  std::printf("  one literal with %d placeholders ({0} and %d others):      %.1f ms\n", kLongPlaceholders,
              kLongPlaceholders / 2, samples[2]);
  std::printf("  (checksum %zu)\n", sink);
  return 0;
}
