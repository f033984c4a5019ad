#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "modern/widgets/interactive.h"
#include "ui/graphics/image.h"

namespace win32_ui::modern {

// Where a button's icon goes: before its label (44 DIPs tall) or above it (64 DIPs tall).
enum class ButtonArrangement : std::int32_t { inline_row = 0, stacked = 1 };

// A push button: a label, optionally with a glyph or an icon image inline or stacked above it, in the
// standard or the accent colour set, filled, flat or bare, with an optional description badge.
class Button : public Interactive {
 public:
  Button(std::uint32_t command_id, std::wstring label, int glyph = 0);

  // Runs `callback` whenever the button is invoked.
  Button& on_invoked(std::function<void()> callback);

  [[nodiscard]] int glyph() const noexcept { return glyph_; }
  [[nodiscard]] float icon_size() const noexcept { return icon_size_; }
  [[nodiscard]] ButtonArrangement arrangement() const noexcept { return arrangement_; }
  [[nodiscard]] bool flat() const noexcept { return flat_; }
  [[nodiscard]] bool filled() const noexcept { return filled_; }
  [[nodiscard]] bool accent() const noexcept { return accent_; }
  [[nodiscard]] const std::wstring& description() const noexcept { return description_; }

  Button& set_glyph(int glyph);
  // Images for light and dark backgrounds; either may be empty.
  Button& set_icons(ui::graphics::Image light, ui::graphics::Image dark);
  // Ignored unless finite and positive.
  Button& set_icon_size(float size);
  Button& set_arrangement(ButtonArrangement arrangement);
  Button& set_flat(bool flat);
  Button& set_filled(bool filled);
  // 0 start, 1 centre, 2 end.
  Button& set_label_alignment(int alignment);
  Button& set_accent(bool accent);
  Button& set_description(std::wstring description);

  void paint(PaintContext& context) override;

 protected:
  layout::Size measure_content(const layout::Constraints& available, layout::LayoutContext& context) override;
  void paint_focus_ring(PaintContext& context) override;

 private:
  struct StateColors {
    ui::graphics::Color background;
    ui::graphics::Color border;
    ui::graphics::Color label;
  };
  // An image resized to the icon box, kept until the box changes.
  struct ScaledIcon {
    ui::graphics::Image image;
    std::uint64_t source_id = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
  };

  [[nodiscard]] bool has_icon_image() const noexcept { return icon_light_.is_valid() || icon_dark_.is_valid(); }
  [[nodiscard]] bool plain() const noexcept { return glyph_ == 0 && !has_icon_image(); }
  [[nodiscard]] bool stacked() const noexcept { return !plain() && arrangement_ == ButtonArrangement::stacked; }
  [[nodiscard]] StateColors colors(const PaintContext& context) const;
  void paint_icon(PaintContext& context, const StateColors& colors, float border);

  int glyph_;
  ui::graphics::Image icon_light_;
  ui::graphics::Image icon_dark_;
  ScaledIcon scaled_light_;
  ScaledIcon scaled_dark_;
  float icon_size_ = 32.0f;
  ButtonArrangement arrangement_ = ButtonArrangement::inline_row;
  bool flat_ = false;
  bool filled_ = true;
  int label_alignment_ = 1;
  bool accent_ = false;
  std::wstring description_;
};

}  // namespace win32_ui::modern
