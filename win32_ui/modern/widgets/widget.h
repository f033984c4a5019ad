#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "layout/text_style.h"
#include "localization/localized_text.h"
#include "modern/tree/view.h"
#include "ui/graphics/color.h"

namespace win32_ui::modern {

// The pointer shape over a widget (the arrow means: whatever is under it decides).
enum class CursorKind : std::int32_t { arrow = 0, hand = 1, resize_horizontal = 2 };

class LocalizationContext;
struct Palette;

// What a widget is, for painting decisions and for assistive technology.
enum class WidgetRole : std::int32_t {
  group = 0,
  text = 1,
  button = 2,
  toggle_switch = 3,
  check_box = 4,
  radio_button = 5,
  slider = 6,
  status = 7,
  edit = 8,
  image = 9,
  loading_indicator = 10,
  progress_bar = 11,
};

// Keys of the per-widget style overrides that painting reads.
namespace style_key {
inline constexpr std::uint64_t card_corner_radius = 0xCEDE964F24F32195ull;    // DIPs, default 10
inline constexpr std::uint64_t button_corner_radius = 0x0C33E65075FDCD02ull;  // DIPs, default 8
inline constexpr std::uint64_t border_width = 0x73E7D41EA7C63AE7ull;          // DIPs, default 1
inline constexpr std::uint64_t card_border_color = 0xB919F456C1BF7443ull;
inline constexpr std::uint64_t button_border_color = 0xB7B8B4331603F831ull;  // resting border
}  // namespace style_key

// The base of every leaf view that shows content: a command id, a role, a preferred size, a label
// that may come from the message catalogue, and a text style.
class Widget : public View {
 public:
  Widget(WidgetRole role, layout::Size preferred_size);

  [[nodiscard]] WidgetRole role() const noexcept { return role_; }
  [[nodiscard]] layout::Size preferred_size() const noexcept { return preferred_size_; }
  [[nodiscard]] std::uint32_t command_id() const noexcept { return command_id_; }
  [[nodiscard]] layout::TextStyle text_style() const noexcept { return text_style_; }
  [[nodiscard]] std::wstring_view label() const noexcept { return label_; }
  [[nodiscard]] const LocalizedText& text_source() const noexcept { return source_; }

  // Takes the label from a source: a literal shows at once, a key at the next layout.
  Widget& set_text(LocalizedText source);
  Widget& set_text(std::wstring literal) { return set_text(LocalizedText::literal(std::move(literal))); }
  Widget& set_text_style(layout::TextStyle style);
  Widget& set_command_id(std::uint32_t id);

  // The tip the surface shows while the pointer rests on the widget; empty shows none.
  [[nodiscard]] const std::wstring& tooltip() const noexcept { return tooltip_; }
  Widget& set_tooltip(std::wstring tooltip);
  // The pointer shape over the widget: 0 the window's own, 1 a hand, 2 a horizontal resize.
  [[nodiscard]] CursorKind cursor_kind() const noexcept { return cursor_kind_; }
  Widget& set_cursor_kind(CursorKind kind);

  // Resolves a catalogue-sourced label again; a changed label relayouts. The surface calls it for every
  // widget on each layout pass, so a language switch only needs a new layout.
  void update_localized_text(const LocalizationContext& context);

  // Style overrides read by painting (keys in style_key); a non-finite float removes the override.
  Widget& set_style_float(std::uint64_t key, float value);
  Widget& set_style_color(std::uint64_t key, ui::graphics::Color color);
  [[nodiscard]] std::optional<float> style_float(std::uint64_t key) const noexcept;
  [[nodiscard]] std::optional<ui::graphics::Color> style_color(std::uint64_t key) const noexcept;

  void describe(SemanticsNode& node) override;

 protected:
  layout::Size measure_content(const layout::Constraints& available, layout::LayoutContext& context) override;

  // For subclasses whose own settings change their preferred size.
  void set_preferred_size(layout::Size size);

  // The weight (0..1) a state bit gives painting: its animated progress, or the plain flag in high
  // contrast where nothing fades.
  [[nodiscard]] float state_weight(std::uint32_t state_bit, const PaintContext& context) const noexcept;

 private:
  WidgetRole role_;
  layout::Size preferred_size_;
  LocalizedText source_;
  std::wstring label_;
  std::uint32_t command_id_ = 0;
  std::wstring tooltip_;
  CursorKind cursor_kind_ = CursorKind::arrow;
  layout::TextStyle text_style_ = layout::TextStyle::body;
  bool label_from_source_ = false;
  std::vector<std::pair<std::uint64_t, float>> float_overrides_;
  std::vector<std::pair<std::uint64_t, ui::graphics::Color>> color_overrides_;
};

// Calls update_localized_text on every widget of a tree, as the surface does before each layout.
void update_localized_texts(View& root, const LocalizationContext& context);

// The first widget of a tree, in depth-first order, bound to `command_id`; null when none is.
[[nodiscard]] Widget* find_widget_by_command(View& root, std::uint32_t command_id) noexcept;

// The semantic role a widget role is reported as.
[[nodiscard]] SemanticsRole semantics_role_for(WidgetRole role) noexcept;

// A palette colour as the canvas takes it.
[[nodiscard]] ui::graphics::Color palette_color(const Palette& palette, int index) noexcept;

// Clamps a size into constraints; a NaN bound is ignored.
[[nodiscard]] layout::Size clamp_into(layout::Size size, const layout::Constraints& constraints) noexcept;

}  // namespace win32_ui::modern
