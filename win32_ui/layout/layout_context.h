#pragma once

#include <cstdint>

namespace win32_ui::modern {
struct Palette;
class LocalizationContext;
}  // namespace win32_ui::modern

namespace win32_ui::layout {

class TextMeasurer;

// Which way rows run: the interface language's reading direction.
enum class FlowDirection : std::int32_t { left_to_right = 0, right_to_left = 1 };

// What one layout pass knows about its surface; every value takes part in the measure cache key.
struct LayoutContext {
  int dpi = 96;  // window DPI times the UI scale, at least 1
  const modern::Palette* palette = nullptr;
  std::uint64_t palette_generation = 0;  // rises with every palette the surface applies
  const modern::LocalizationContext* localization = nullptr;
  FlowDirection flow_direction = FlowDirection::left_to_right;
  TextMeasurer* text_measurer = nullptr;
};

}  // namespace win32_ui::layout
