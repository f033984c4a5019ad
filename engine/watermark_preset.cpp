#include "watermark_preset.h"

#include <charconv>
#include <cmath>
#include <exception>
#include <optional>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace orvane::engine {
namespace {

using json = nlohmann::ordered_json;

constexpr char kFormat[] = "orvane-preset";

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD, so the document is always valid UTF-8.
std::string utf8_from_wide(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = static_cast<std::uint32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00);
        ++i;
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        c = 0xFFFD;
      }
    }
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// UTF-8 (already checked by the JSON parser) to UTF-16, or UTF-32 where wchar_t is that wide.
std::wstring wide_from_utf8(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::uint32_t c = lead;
    std::size_t extra = 0;
    if (lead >= 0xF0) {
      c = lead & 0x07;
      extra = 3;
    } else if (lead >= 0xE0) {
      c = lead & 0x0F;
      extra = 2;
    } else if (lead >= 0xC0) {
      c = lead & 0x1F;
      extra = 1;
    }
    ++i;
    for (std::size_t k = 0; k < extra && i < text.size(); ++k, ++i) {
      c = (c << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    }
    if (sizeof(wchar_t) == 2 && c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (c >> 10));
      out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<wchar_t>(c);
    }
  }
  return out;
}

// The shortest decimal that reads back as the same float, so a preset shows 0.1 and not
// 0.10000000149011612, and reading it gives the very float that was written.
double plain_number(float value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
  double shown = 0.0;
  std::from_chars(buffer, result.ptr, shown);
  return shown;
}

std::string color_text(const WatermarkColor& color) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text = "#";
  for (const std::uint8_t byte : {color.red, color.green, color.blue}) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

// Four decimals tell every alpha byte apart (a step is 1/255).
double opacity_of(std::uint8_t alpha) { return std::round(alpha / 255.0 * 10000.0) / 10000.0; }

const char* unit_text(LengthUnit unit) { return unit == LengthUnit::percent_of_shorter_side ? "%" : "px"; }
const char* unit_text(EffectUnit unit) { return unit == EffectUnit::percent_of_mark ? "%" : "px"; }

// A fault in the document, with the sentence that describes it.
struct PresetFault : std::runtime_error {
  explicit PresetFault(const std::wstring& message) : std::runtime_error("preset"), text(message) {}
  std::wstring text;
};

std::wstring wide(const char* ascii) { return std::wstring(ascii, ascii + std::char_traits<char>::length(ascii)); }

[[noreturn]] void fault(const std::wstring& message) { throw PresetFault(message); }

// Reads the members of one object, each checked for its type; absent members are left alone.
class Fields {
 public:
  Fields(const json& object, std::wstring where) : object_(object), where_(std::move(where)) {}

  const json* find(const char* key) const {
    const auto it = object_.find(key);
    return it == object_.end() ? nullptr : &*it;
  }

  void number(const char* key, float& out) const {
    if (const json* value = find(key)) {
      if (!value->is_number()) fault(name(key) + L" must be a number.");
      const double number = value->get<double>();
      if (!std::isfinite(static_cast<float>(number))) fault(name(key) + L" is out of range.");
      out = static_cast<float>(number);
    }
  }

  void integer(const char* key, std::int32_t& out) const {
    if (const json* value = find(key)) {
      if (!value->is_number_integer()) fault(name(key) + L" must be a whole number.");
      const auto number = value->get<std::int64_t>();
      if (number < -0x7FFFFFFFLL || number > 0x7FFFFFFFLL) fault(name(key) + L" is out of range.");
      out = static_cast<std::int32_t>(number);
    }
  }

  void boolean(const char* key, bool& out) const {
    if (const json* value = find(key)) {
      if (!value->is_boolean()) fault(name(key) + L" must be true or false.");
      out = value->get<bool>();
    }
  }

  void text(const char* key, std::wstring& out) const {
    if (const json* value = find(key)) {
      if (!value->is_string()) fault(name(key) + L" must be a string.");
      out = wide_from_utf8(value->get<std::string>());
    }
  }

  void color(const char* key, WatermarkColor& out) const {
    if (const json* value = find(key)) {
      const std::string text = value->is_string() ? value->get<std::string>() : std::string();
      unsigned rgb = 0;
      const char* begin = text.data() + 1;
      const char* end = text.data() + text.size();
      const auto parsed = text.size() == 7 && text[0] == '#' ? std::from_chars(begin, end, rgb, 16)
                                                              : std::from_chars_result{begin, std::errc::invalid_argument};
      if (parsed.ec != std::errc() || parsed.ptr != end) fault(name(key) + L" must be a colour as \"#RRGGBB\".");
      out.red = static_cast<std::uint8_t>(rgb >> 16);
      out.green = static_cast<std::uint8_t>(rgb >> 8);
      out.blue = static_cast<std::uint8_t>(rgb);
    }
  }

  void opacity(const char* key, std::uint8_t& alpha) const {
    if (const json* value = find(key)) {
      if (!value->is_number()) fault(name(key) + L" must be a number.");
      const double number = value->get<double>();
      if (!(number >= 0.0 && number <= 1.0)) fault(name(key) + L" must be within 0-1.");
      alpha = alpha_from_opacity(number);
    }
  }

  template <typename Unit>
  void unit(const char* key, Unit& out, Unit pixels, Unit percent) const {
    if (const json* value = find(key)) {
      const std::string text = value->is_string() ? value->get<std::string>() : std::string();
      if (text == "px") {
        out = pixels;
      } else if (text == "%") {
        out = percent;
      } else {
        fault(name(key) + L" must be \"px\" or \"%\".");
      }
    }
  }

  Fields member_object(const char* key, const json& empty) const {
    const json* value = find(key);
    if (value == nullptr) return Fields(empty, where_);
    if (!value->is_object()) fault(name(key) + L" must be an object.");
    return Fields(*value, where_ + wide(key) + L".");
  }

 private:
  std::wstring name(const char* key) const { return L"\"" + where_ + wide(key) + L"\""; }

  const json& object_;
  std::wstring where_;
};

void read_watermark(const Fields& mark, WatermarkOptions& options) {
  mark.text("text", options.text);
  mark.text("font", options.font_family);
  mark.number("size", options.font_size);
  mark.unit("size_unit", options.font_size_unit, LengthUnit::pixels, LengthUnit::percent_of_shorter_side);
  mark.color("color", options.color);
  mark.opacity("opacity", options.color.alpha);
  mark.number("rotation", options.rotation);
  mark.number("spacing_x", options.spacing_x);
  mark.number("spacing_y", options.spacing_y);
  mark.unit("spacing_unit", options.spacing_unit, LengthUnit::pixels, LengthUnit::percent_of_shorter_side);
  if (const json* layout = mark.find("layout")) {
    const auto known = layout->is_string() ? layout_from_name(wide_from_utf8(layout->get<std::string>()))
                                           : std::nullopt;
    if (!known) fault(L"\"watermark.layout\" must be one of grid, staggered, top-left, top-center, top-right, center-left, "
                      L"center, center-right, bottom-left, bottom-center, bottom-right.");
    options.layout = *known;
  }
  mark.boolean("fit", options.fit_to_area);
  if (const json* margin = mark.find("margin"); margin != nullptr && !margin->is_null()) {
    float value = 0.0f;
    mark.number("margin", value);
    options.margin = value;
  } else if (margin != nullptr) {
    options.margin.reset();
  }
  mark.unit("margin_unit", options.margin_unit, LengthUnit::pixels, LengthUnit::percent_of_shorter_side);
  mark.text("logo", options.logo_path);
  mark.number("logo_size", options.logo_size);
  mark.unit("logo_size_unit", options.logo_size_unit, LengthUnit::pixels, LengthUnit::percent_of_shorter_side);

  const json empty = json::object();
  const Fields outline = mark.member_object("outline", empty);
  outline.number("width", options.outline_width);
  outline.unit("unit", options.outline_unit, EffectUnit::pixels, EffectUnit::percent_of_mark);
  outline.color("color", options.outline_color);

  const Fields shadow = mark.member_object("shadow", empty);
  shadow.boolean("enabled", options.shadow);
  shadow.number("offset_x", options.shadow_offset_x);
  shadow.number("offset_y", options.shadow_offset_y);
  shadow.number("blur", options.shadow_blur);
  shadow.unit("unit", options.shadow_unit, EffectUnit::pixels, EffectUnit::percent_of_mark);
  shadow.color("color", options.shadow_color);
  shadow.opacity("opacity", options.shadow_color.alpha);

  mark.integer("jpeg_quality", options.jpeg_quality);
  mark.boolean("keep_source_quality", options.keep_source_jpeg_quality);
}

}  // namespace

std::string preset_json(const WatermarkOptions& options, const std::wstring& name) {
  json mark = json::object();
  mark["text"] = utf8_from_wide(options.text);
  mark["font"] = utf8_from_wide(options.font_family);
  mark["size"] = plain_number(options.font_size);
  mark["size_unit"] = unit_text(options.font_size_unit);
  mark["color"] = color_text(options.color);
  mark["opacity"] = opacity_of(options.color.alpha);
  mark["rotation"] = plain_number(options.rotation);
  mark["spacing_x"] = plain_number(options.spacing_x);
  mark["spacing_y"] = plain_number(options.spacing_y);
  mark["spacing_unit"] = unit_text(options.spacing_unit);
  mark["layout"] = utf8_from_wide(layout_name(options.layout));
  mark["fit"] = options.fit_to_area;
  mark["margin"] = options.margin ? json(plain_number(*options.margin)) : json(nullptr);
  mark["margin_unit"] = unit_text(options.margin_unit);
  mark["logo"] = utf8_from_wide(options.logo_path);
  mark["logo_size"] = plain_number(options.logo_size);
  mark["logo_size_unit"] = unit_text(options.logo_size_unit);
  mark["outline"] = {{"width", plain_number(options.outline_width)},
                     {"unit", unit_text(options.outline_unit)},
                     {"color", color_text(options.outline_color)}};
  mark["shadow"] = {{"enabled", options.shadow},
                    {"offset_x", plain_number(options.shadow_offset_x)},
                    {"offset_y", plain_number(options.shadow_offset_y)},
                    {"blur", plain_number(options.shadow_blur)},
                    {"unit", unit_text(options.shadow_unit)},
                    {"color", color_text(options.shadow_color)},
                    {"opacity", opacity_of(options.shadow_color.alpha)}};
  mark["jpeg_quality"] = options.jpeg_quality;
  mark["keep_source_quality"] = options.keep_source_jpeg_quality;

  json document = json::object();
  document["format"] = kFormat;
  document["version"] = kPresetVersion;
  document["name"] = utf8_from_wide(name);
  document["watermark"] = std::move(mark);
  return document.dump(2) + "\n";
}

bool parse_preset_json(std::string_view utf8, WatermarkOptions& out, std::wstring& name, std::wstring& error) {
  if (utf8.size() > kMaxPresetBytes) {
    error = L"The preset is larger than 1 MiB.";
    return false;
  }
  try {
    const json document = json::parse(utf8.begin(), utf8.end(), nullptr, true, false);
    if (!document.is_object()) fault(L"The preset is not an Orvane preset (not a JSON object).");
    const auto format = document.find("format");
    if (format == document.end() || !format->is_string() || format->get<std::string>() != kFormat) {
      fault(L"The preset is not an Orvane preset (\"format\" is not \"orvane-preset\").");
    }
    const auto version = document.find("version");
    if (version == document.end() || !version->is_number_integer() || version->get<std::int64_t>() < 1) {
      fault(L"The preset has no valid \"version\".");
    }
    if (version->get<std::int64_t>() > kPresetVersion) {
      fault(L"The preset was written by a newer version of Orvane (preset version " +
            std::to_wstring(version->get<std::int64_t>()) + L"; this version reads up to " +
            std::to_wstring(kPresetVersion) + L").");
    }
    WatermarkOptions options = out;
    std::wstring preset_name;
    const Fields top(document, L"");
    top.text("name", preset_name);
    const json empty = json::object();
    read_watermark(top.member_object("watermark", empty), options);

    // The export's own rules, with stand-in paths (a preset has none); an empty mark is allowed,
    // as a front end may still fill the text in.
    WatermarkOptions checked = options;
    checked.input_path = checked.output_path = L"-";
    if (checked.text.empty() && checked.logo_path.empty()) checked.text = L"-";
    std::wstring rule;
    if (!validate_options(checked, rule)) fault(rule);
    if (options.font_family.empty()) fault(L"\"watermark.font\" must not be empty.");
    if (!options.logo_path.empty() && !(options.logo_size > 0.0f)) fault(L"Logo size must be greater than zero.");

    out = std::move(options);
    name = std::move(preset_name);
    return true;
  } catch (const PresetFault& f) {
    error = f.text;
  } catch (const json::parse_error& e) {
    // The byte where the parser stopped; a truncated file stops at its end.
    error = L"The preset is not valid JSON (at byte " + std::to_wstring(e.byte) + L").";
  } catch (const std::bad_alloc&) {
    error = L"The preset is too large to read.";
  } catch (const std::exception&) {
    error = L"The preset is not valid JSON.";
  }
  return false;
}

}  // namespace orvane::engine
