#include "cli_arguments.h"

#include <cmath>
#include <cstdlib>
#include <cwctype>
#include <optional>

#include "preset_store.h"

namespace orvane::cli {
namespace {

using engine::WatermarkLayout;

// The whole text must be a decimal number that a float holds; blanks, trailing junk, hexadecimal,
// inf and nan are refused.
bool parse_number(const std::wstring& text, double& value) {
  if (text.empty()) return false;
  for (wchar_t c : text) {
    if (!((c >= L'0' && c <= L'9') || c == L'.' || c == L'-' || c == L'+' || c == L'e' || c == L'E')) return false;
  }
  wchar_t* end = nullptr;
  const double parsed = std::wcstod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(static_cast<float>(parsed))) return false;
  value = parsed;
  return true;
}

// A length: a number of pixels, or a number with '%' for percent of the picture's shorter side.
bool parse_length(const std::wstring& text, double& value, engine::LengthUnit& unit) {
  const bool percent = text.ends_with(L'%');
  if (!parse_number(percent ? text.substr(0, text.size() - 1) : text, value)) return false;
  unit = percent ? engine::LengthUnit::percent_of_shorter_side : engine::LengthUnit::pixels;
  return true;
}

// A whole decimal number within [low, high].
bool parse_integer(const std::wstring& text, long low, long high, long& value) {
  if (text.empty() || std::iswspace(text.front())) return false;
  wchar_t* end = nullptr;
  const long parsed = std::wcstol(text.c_str(), &end, 10);
  if (end != text.c_str() + text.size() || parsed < low || parsed > high) return false;
  value = parsed;
  return true;
}

// RRGGBB in hexadecimal, with an optional leading '#'.
bool parse_color(std::wstring text, engine::WatermarkColor& color) {
  if (!text.empty() && text.front() == L'#') text.erase(0, 1);
  if (text.size() != 6) return false;
  for (wchar_t c : text) {
    if (c > 0x7F || !std::iswxdigit(c)) return false;
  }
  const unsigned long rgb = std::wcstoul(text.c_str(), nullptr, 16);
  color.red = static_cast<std::uint8_t>(rgb >> 16);
  color.green = static_cast<std::uint8_t>(rgb >> 8);
  color.blue = static_cast<std::uint8_t>(rgb);
  return true;
}

// A layout name, in any letter case.
bool parse_layout(const std::wstring& text, WatermarkLayout& layout) {
  const std::optional<WatermarkLayout> named = engine::layout_from_name(text);
  if (named) layout = *named;
  return named.has_value();
}

std::wstring layout_list() {
  std::wstring list;
  for (int i = static_cast<int>(WatermarkLayout::Grid); i <= static_cast<int>(WatermarkLayout::BottomRight); ++i) {
    if (!list.empty()) list += L", ";
    list += engine::layout_name(static_cast<WatermarkLayout>(i));
  }
  return list;
}

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// A size of memory: a whole number of MiB, or with a unit K, M, G or T (KiB ... TiB, an
// optional trailing B or iB), at least 1 MiB and at most 1 PiB.
bool parse_memory_size(const std::wstring& text, std::uint64_t& bytes) {
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= L'0' && text[digits] <= L'9') ++digits;
  if (digits == 0 || digits > 10) return false;
  std::wstring unit = text.substr(digits);
  for (wchar_t& c : unit) c = static_cast<wchar_t>(std::towupper(c));
  if (unit.ends_with(L"IB")) {
    unit.resize(unit.size() - 2);
    if (unit.empty()) return false;
  } else if (unit.size() == 2 && unit.back() == L'B') {
    unit.pop_back();
  }
  int shift = 20;
  if (unit == L"K") {
    shift = 10;
  } else if (unit == L"G") {
    shift = 30;
  } else if (unit == L"T") {
    shift = 40;
  } else if (!unit.empty() && unit != L"M") {
    return false;
  }
  const std::uint64_t value = std::wcstoull(text.substr(0, digits).c_str(), nullptr, 10);
  if (value > (std::uint64_t{1} << 50) >> shift) return false;
  bytes = value << shift;
  return bytes >= (std::uint64_t{1} << 20);
}

// K/N with 1 <= K <= N <= 100000.
bool parse_slice(const std::wstring& text, Slice& slice) {
  const auto slash = text.find(L'/');
  if (slash == std::wstring::npos) return false;
  long index = 0, count = 0;
  if (!parse_integer(text.substr(0, slash), 1, 100000, index) ||
      !parse_integer(text.substr(slash + 1), 1, 100000, count) || index > count) {
    return false;
  }
  slice.index = static_cast<std::uint32_t>(index);
  slice.count = static_cast<std::uint32_t>(count);
  return true;
}

bool is_value_option(const std::wstring& name) {
  static const wchar_t* const kNames[] = {L"--text",      L"--font",      L"--size",   L"--color",
                                          L"--opacity",   L"--rotation",  L"--layout", L"--quality",
                                          L"--spacing-x", L"--spacing-y", L"-o",       L"--output",
                                          L"-j",          L"--jobs",      L"--slice",  L"--memory-limit",
                                          L"--margin",    L"--logo",      L"--logo-size", L"--outline",
                                          L"--shadow-offset", L"--shadow-blur", L"--shadow-color",
                                          L"--shadow-opacity", L"--preset", L"--preset-file",
                                          L"--save-preset", L"--save-preset-file"};
  for (const wchar_t* known : kNames) {
    if (name == known) return true;
  }
  return false;
}

// The units the spacings were given in, if they were: the engine keeps one unit for both. The
// same for the shadow's offsets and blur; and whether the text was given at all.
struct SpacingUnits {
  std::optional<engine::LengthUnit> x;
  std::optional<engine::LengthUnit> y;
  std::optional<engine::EffectUnit> shadow_offset;
  std::optional<engine::EffectUnit> shadow_blur;
  bool text_given = false;
};

// A length of the outline or the shadow: pixels, or with '%' percent of the mark's size.
bool parse_effect(const std::wstring& text, double& value, engine::EffectUnit& unit) {
  const bool percent = text.ends_with(L'%');
  if (!parse_number(percent ? text.substr(0, text.size() - 1) : text, value)) return false;
  unit = percent ? engine::EffectUnit::percent_of_mark : engine::EffectUnit::pixels;
  return true;
}

// Whether an effect's length lies within its range for its unit (from `low` up).
bool effect_within(double value, engine::EffectUnit unit, double low, float most_percent, float most_pixels) {
  return value >= low && value <= (unit == engine::EffectUnit::percent_of_mark ? most_percent : most_pixels);
}

// Stores the value of one option that takes a value; false with a message when it is unusable.
bool apply_value(const std::wstring& name, const std::wstring& value, CliArguments& arguments, bool& output_seen,
                 SpacingUnits& spacings, std::wstring& error) {
  auto& options = arguments.options;
  double number = 0.0;
  long integer = 0;
  if (name == L"--text") {
    spacings.text_given = true;  // empty is checked once the logo is known
    if (value.size() > engine::max_text_length) {
      error = L"--text must be at most " + std::to_wstring(engine::max_text_length) + L" characters, got " +
              std::to_wstring(value.size());
      return false;
    }
    options.text = value;
  } else if (name == L"--font") {
    if (value.empty()) {
      error = L"--font must not be empty";
      return false;
    }
    options.font_family = value;
  } else if (name == L"--size") {
    engine::LengthUnit unit{};
    const bool percent = value.ends_with(L'%');
    if (!parse_length(value, number, unit) || !(static_cast<float>(number) > 0.0f) ||
        (percent && !(number >= engine::min_font_size_percent && number <= engine::max_font_size_percent))) {
      error = L"--size needs a number of pixels greater than 0 or a percentage of the image's shorter side from "
              L"0.5% to 50%, got " + quoted(value);
      return false;
    }
    options.font_size = static_cast<float>(number);
    options.font_size_unit = unit;
  } else if (name == L"--color") {
    if (!parse_color(value, options.color)) {
      error = L"--color needs a colour as RRGGBB in hexadecimal (e.g. FF8800), got " + quoted(value);
      return false;
    }
  } else if (name == L"--opacity") {
    if (!parse_number(value, number) || number < 0.0 || number > 1.0) {
      error = L"--opacity needs a number from 0 to 1, got " + quoted(value);
      return false;
    }
    options.color.alpha = engine::alpha_from_opacity(number);
  } else if (name == L"--rotation") {
    if (!parse_number(value, number)) {
      error = L"--rotation needs a number of degrees, got " + quoted(value);
      return false;
    }
    options.rotation = static_cast<float>(number);
  } else if (name == L"--spacing-x" || name == L"--spacing-y") {
    engine::LengthUnit unit{};
    const bool percent = value.ends_with(L'%');
    if (!parse_length(value, number, unit) ||
        (percent && !(number >= engine::min_spacing_percent && number <= engine::max_spacing_percent))) {
      error = name + L" needs a number of pixels or a percentage of the image's shorter side from 2% to 100%, got " +
              quoted(value);
      return false;
    }
    (name == L"--spacing-x" ? options.spacing_x : options.spacing_y) = static_cast<float>(number);
    (name == L"--spacing-x" ? spacings.x : spacings.y) = unit;
  } else if (name == L"--margin") {
    engine::LengthUnit unit{};
    if (!parse_length(value, number, unit) || !(number >= 0.0) ||
        (unit == engine::LengthUnit::percent_of_shorter_side && number > engine::max_margin_percent)) {
      error = L"--margin needs a number of pixels of 0 or more or a percentage of the image's shorter side up to "
              L"50%, got " + quoted(value);
      return false;
    }
    options.margin = static_cast<float>(number);
    options.margin_unit = unit;
  } else if (name == L"--logo") {
    if (value.empty()) {
      error = L"--logo needs an image file name";
      return false;
    }
    options.logo_path = value;
  } else if (name == L"--logo-size") {
    engine::LengthUnit unit{};
    const bool percent = value.ends_with(L'%');
    if (!parse_length(value, number, unit) || !(static_cast<float>(number) > 0.0f) ||
        (percent && !(number >= engine::min_logo_size_percent && number <= engine::max_logo_size_percent))) {
      error = L"--logo-size needs a number of pixels greater than 0 or a percentage of the image's shorter side "
              L"from 1% to 100%, got " + quoted(value);
      return false;
    }
    options.logo_size = static_cast<float>(number);
    options.logo_size_unit = unit;
  } else if (name == L"--outline") {
    const auto colon = value.find(L':');
    engine::EffectUnit unit{};
    engine::WatermarkColor color = options.outline_color;
    if (!parse_effect(value.substr(0, colon), number, unit) ||
        !effect_within(number, unit, 0.0, engine::max_outline_percent, engine::max_outline_pixels) ||
        (colon != std::wstring::npos && !parse_color(value.substr(colon + 1), color))) {
      error = L"--outline needs a width of 0 to 200 pixels or 0% to 50% of the text size, optionally with a colour "
              L"(e.g. 3:#000000 or 5%:FFFFFF), got " + quoted(value);
      return false;
    }
    options.outline_width = static_cast<float>(number);
    options.outline_unit = unit;
    options.outline_color = color;
  } else if (name == L"--shadow-offset") {
    const auto comma = value.find(L',');
    double y = 0.0;
    engine::EffectUnit unit{}, unit_y{};
    const auto within = [](double v, engine::EffectUnit u) {
      return effect_within(std::fabs(v), u, 0.0, engine::max_shadow_percent, engine::max_shadow_pixels);
    };
    if (comma == std::wstring::npos || !parse_effect(value.substr(0, comma), number, unit) ||
        !parse_effect(value.substr(comma + 1), y, unit_y) || unit != unit_y || !within(number, unit) ||
        !within(y, unit)) {
      error = L"--shadow-offset needs X,Y in pixels (-1000 to 1000) or both in percent of the text size "
              L"(-100% to 100%), e.g. 4,4 or 5%,5%; got " + quoted(value);
      return false;
    }
    options.shadow = true;
    options.shadow_offset_x = static_cast<float>(number);
    options.shadow_offset_y = static_cast<float>(y);
    spacings.shadow_offset = unit;
  } else if (name == L"--shadow-blur") {
    engine::EffectUnit unit{};
    if (!parse_effect(value, number, unit) ||
        !effect_within(number, unit, 0.0, engine::max_shadow_percent, engine::max_shadow_pixels)) {
      error = L"--shadow-blur needs a radius of 0 to 1000 pixels or 0% to 100% of the text size, got " +
              quoted(value);
      return false;
    }
    options.shadow = true;
    options.shadow_blur = static_cast<float>(number);
    spacings.shadow_blur = unit;
  } else if (name == L"--shadow-color") {
    if (!parse_color(value, options.shadow_color)) {
      error = L"--shadow-color needs a colour as RRGGBB in hexadecimal (e.g. 000000), got " + quoted(value);
      return false;
    }
    options.shadow = true;
  } else if (name == L"--shadow-opacity") {
    if (!parse_number(value, number) || number < 0.0 || number > 1.0) {
      error = L"--shadow-opacity needs a number from 0 to 1, got " + quoted(value);
      return false;
    }
    options.shadow = true;
    options.shadow_color.alpha = engine::alpha_from_opacity(number);
  } else if (name == L"--layout") {
    if (!parse_layout(value, options.layout)) {
      error = L"--layout needs one of " + layout_list() + L"; got " + quoted(value);
      return false;
    }
  } else if (name == L"-j" || name == L"--jobs") {
    if (!parse_integer(value, 1, 1024, integer)) {
      error = L"--jobs needs a whole number of files at once from 1 to 1024, got " + quoted(value);
      return false;
    }
    arguments.jobs = static_cast<std::uint32_t>(integer);
  } else if (name == L"--slice") {
    if (!parse_slice(value, arguments.slice)) {
      error = L"--slice needs K/N, part K of N parts with 1 <= K <= N (e.g. 3/8), got " + quoted(value);
      return false;
    }
  } else if (name == L"--memory-limit") {
    if (!parse_memory_size(value, arguments.memory_limit)) {
      error = L"--memory-limit needs a size of at least 1M, in MiB or with a unit (e.g. 800M, 6G), got " +
              quoted(value);
      return false;
    }
  } else if (name == L"--preset" || name == L"--preset-file") {
    if (!arguments.preset_name.empty() || !arguments.preset_file.empty()) {
      error = L"give one preset: --preset or --preset-file, once";
      return false;
    }
    if (value.empty()) {
      error = name + (name == L"--preset" ? L" needs a preset name" : L" needs a file name");
      return false;
    }
    (name == L"--preset" ? arguments.preset_name : arguments.preset_file) = value;
  } else if (name == L"--save-preset") {
    std::wstring why;
    if (!engine::valid_preset_name(value, why)) {
      error = L"--save-preset needs a name of 1 to 64 characters without control characters, got " + quoted(value);
      return false;
    }
    arguments.save_preset_name = value;
  } else if (name == L"--save-preset-file") {
    if (value.empty()) {
      error = L"--save-preset-file needs a file name";
      return false;
    }
    arguments.save_preset_file = value;
  } else if (name == L"--quality") {
    if (!parse_integer(value, 1, 100, integer)) {
      error = L"--quality needs a whole number from 1 to 100, got " + quoted(value);
      return false;
    }
    options.jpeg_quality = static_cast<std::int32_t>(integer);
  } else {  // -o, --output
    if (output_seen) {
      error = L"-o given more than once";
      return false;
    }
    if (value.empty()) {
      error = L"-o needs a file or folder name";
      return false;
    }
    output_seen = true;
    arguments.output = value;
  }
  return true;
}

bool is_flag(const std::wstring& name) {
  static const wchar_t* const kNames[] = {L"--fit",       L"--no-fit",        L"--keep-source-quality",
                                          L"--overwrite", L"--skip-existing", L"-r",
                                          L"--recursive", L"-q",              L"--quiet",
                                          L"--json",      L"--no-progress",   L"--shadow"};
  for (const wchar_t* known : kNames) {
    if (name == known) return true;
  }
  return false;
}

}  // namespace

engine::WatermarkOptions default_cli_options() {
  engine::WatermarkOptions options;
  options.text = L"Sample watermark";
  options.font_family = L"Segoe UI";
  options.font_size = 36.0f;
  options.color = engine::WatermarkColor{110, 255, 255, 255};
  options.rotation = -30.0f;
  options.spacing_x = 260.0f;
  options.spacing_y = 180.0f;
  options.jpeg_quality = 90;
  options.keep_source_jpeg_quality = false;
  options.layout = WatermarkLayout::Grid;
  options.fit_to_area = true;
  return options;
}

bool parse_cli_arguments(int argc, const wchar_t* const* argv, CliArguments& arguments, std::wstring& error,
                         const engine::WatermarkOptions* preset) {
  arguments = CliArguments{};
  arguments.options = preset != nullptr ? *preset : default_cli_options();
  const engine::LengthUnit base_spacing_unit = arguments.options.spacing_unit;

  // Help and the version win wherever they stand, so a half-typed command line can still ask for
  // them; but not where they are the value of an option (--text -h stamps "-h").
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--") break;
    if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
      arguments.help = true;
      return true;
    }
    if (arg == L"--version") {
      arguments.version = true;
      return true;
    }
    if (is_value_option(arg)) ++i;
  }

  bool options_ended = false;
  bool output_seen = false;
  SpacingUnits spacings;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (options_ended || arg.size() < 2 || arg.front() != L'-') {
      arguments.inputs.push_back(arg);
      continue;
    }
    if (arg == L"--") {
      options_ended = true;
      continue;
    }
    std::wstring name = arg;
    std::wstring value;
    bool inline_value = false;
    if (const auto equals = arg.find(L'='); arg.starts_with(L"--") && equals != std::wstring::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
      inline_value = true;
    }

    // -j8 is -j 8, as make and other batch tools take it.
    if (name.size() > 2 && name.starts_with(L"-j") && std::iswdigit(name[2])) {
      if (!apply_value(L"-j", name.substr(2), arguments, output_seen, spacings, error)) return false;
      continue;
    }
    if (is_flag(name)) {
      if (inline_value) {
        error = name + L" takes no value";
        return false;
      }
      if (name == L"--overwrite") {
        arguments.overwrite = true;
      } else if (name == L"--skip-existing") {
        arguments.skip_existing = true;
      } else if (name == L"-r" || name == L"--recursive") {
        arguments.recursive = true;
      } else if (name == L"-q" || name == L"--quiet") {
        arguments.quiet = true;
      } else if (name == L"--json") {
        arguments.json = true;
      } else if (name == L"--no-progress") {
        arguments.no_progress = true;
      } else if (name == L"--shadow") {
        arguments.options.shadow = true;
      } else if (name == L"--keep-source-quality") {
        arguments.options.keep_source_jpeg_quality = true;
      } else {
        arguments.options.fit_to_area = name == L"--fit";
      }
      continue;
    }
    if (!is_value_option(name)) {
      error = L"unknown option " + quoted(arg) + L" (see --help)";
      return false;
    }
    if (!inline_value) {
      if (i + 1 >= argc) {
        error = name + L" needs a value";
        return false;
      }
      value = argv[++i];
    }
    if (!apply_value(name, value, arguments, output_seen, spacings, error)) return false;
  }
  // The spacings share one unit. Given both, they must agree; one given alone in another unit than
  // the settings had (a percentage over the default pixels) serves for both.
  if (spacings.x && spacings.y && *spacings.x != *spacings.y) {
    error = L"--spacing-x and --spacing-y must both be pixels or both percentages";
    return false;
  }
  if (spacings.x || spacings.y) {
    auto& options = arguments.options;
    const engine::LengthUnit unit = spacings.x ? *spacings.x : *spacings.y;
    if (unit != base_spacing_unit) {
      if (!spacings.y) options.spacing_y = options.spacing_x;
      if (!spacings.x) options.spacing_x = options.spacing_y;
    }
    options.spacing_unit = unit;
  }

  // The shadow's offsets and blur share one unit: one given alone sets it for both.
  if (spacings.shadow_offset && spacings.shadow_blur && *spacings.shadow_offset != *spacings.shadow_blur) {
    error = L"--shadow-offset and --shadow-blur must both be pixels or both percentages";
    return false;
  }
  if (spacings.shadow_offset || spacings.shadow_blur) {
    arguments.options.shadow_unit = spacings.shadow_offset ? *spacings.shadow_offset : *spacings.shadow_blur;
  }
  // With a logo the text is optional: none given, or an empty one, stamps the logo alone (a
  // preset's own text stays).
  if (preset == nullptr && !arguments.options.logo_path.empty() && !spacings.text_given) {
    arguments.options.text.clear();
  }
  if (arguments.options.text.empty() && arguments.options.logo_path.empty()) {
    error = L"--text must not be empty";
    return false;
  }

  // Saving a preset alone needs no image.
  if (arguments.inputs.empty() && !arguments.saves_preset()) {
    error = L"no input image given (see --help)";
    return false;
  }
  if (arguments.overwrite && arguments.skip_existing) {
    error = L"--overwrite and --skip-existing contradict each other; give one";
    return false;
  }
  return true;
}

}  // namespace orvane::cli
