// Arbitrary bytes through the preset reader and the token expansion: the reader never throws and
// changes nothing unless it accepts, and what it accepts writes back to a document that reads
// the same; an expanded text never passes the limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text_tokens.h"
#include "watermark_preset.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orvane::engine;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  WatermarkOptions options;
  std::wstring name = L"unchanged", error;
  if (!parse_preset_json(bytes, options, name, error)) {
    if (error.empty() || name != L"unchanged" || !options.text.empty()) std::abort();
    return 0;
  }
  WatermarkOptions again;
  std::wstring again_name;
  if (!parse_preset_json(preset_json(options, name), again, again_name, error)) std::abort();
  if (again.text != options.text || again_name != name || again.layout != options.layout ||
      again.color.argb() != options.color.argb() || again.margin != options.margin) {
    std::abort();
  }
  TokenValues values;
  values.name = options.text;
  if (expand_text_tokens(options.text, values, 123).size() > max_text_length) std::abort();
  return 0;
}
