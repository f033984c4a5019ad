#pragma once

#include <string>

#include "modern/widgets/widget.h"

namespace win32_ui::modern {

// A label in one text style: single-line with an end ellipsis, wrapping only for body text given room
// for two lines.
class Text : public Widget {
 public:
  Text(LocalizedText text, layout::TextStyle text_style = layout::TextStyle::body, layout::Size preferred_size = {});
  Text(std::wstring text, layout::TextStyle text_style = layout::TextStyle::body, layout::Size preferred_size = {});

  void paint(PaintContext& context) override;

 protected:
  layout::Size measure_content(const layout::Constraints& available, layout::LayoutContext& context) override;
};

// One of the toolkit's line glyphs.
class Icon : public Widget {
 public:
  explicit Icon(int glyph);

  [[nodiscard]] int glyph() const noexcept { return glyph_; }
  Icon& set_glyph(int glyph);

  void paint(PaintContext& context) override;

 private:
  int glyph_;
};

// A rounded, bordered background panel; emphasis tints it towards the accent. It is no node of the
// accessibility tree: the panel holding it and the content is the group.
class Card : public Widget {
 public:
  Card();

  void paint(PaintContext& context) override;
};

}  // namespace win32_ui::modern
