#include "widget_gallery.h"

#include <string>
#include <utility>

#include "modern/panels/stack_panel.h"
#include "modern/widgets/display_widgets.h"

namespace win32_ui::gallery {
namespace {

using modern::Button;
using modern::CheckBox;
using modern::MenuItem;
using modern::Orientation;
using modern::Slider;
using modern::StackPanel;

// A horizontal row with a caption in front.
StackPanel& add_row(StackPanel& column, const wchar_t* caption) {
  auto& row = static_cast<StackPanel&>(
      *column.add_child(std::make_unique<StackPanel>(Orientation::horizontal, 12.0f)));
  auto text = std::make_unique<modern::Text>(std::wstring(caption), win32_ui::layout::TextStyle::caption, layout::Size{96.0f, 0.0f});
  layout::LayoutParams p = text->layout();
  p.vertical_alignment = layout::VerticalAlignment::center;
  text->set_layout(p);
  row.add_child(std::move(text));
  return row;
}

template <typename T, typename... Args>
T* add(StackPanel& row, float width, Args&&... args) {
  auto view = std::make_unique<T>(std::forward<Args>(args)...);
  layout::LayoutParams p = view->layout();
  p.vertical_alignment = layout::VerticalAlignment::center;
  if (width > 0.0f) {
    p.has_fixed_width = true;
    p.fixed_width = width;
  }
  view->set_layout(p);
  return static_cast<T*>(row.add_child(std::move(view)));
}

void hover(modern::View& view) {
  modern::PointerEvent enter;
  enter.action = modern::PointerAction::enter;
  view.dispatch_pointer(enter);
}

}  // namespace

WidgetGallery build_widget_gallery() {
  WidgetGallery gallery;
  auto column = std::make_unique<StackPanel>(Orientation::vertical, 14.0f, layout::Thickness::uniform(20.0f));
  StackPanel& root = *column;

  // Buttons: the standard set in each state, the accent set, and the icon layouts.
  StackPanel& buttons = add_row(root, L"Buttons");
  gallery.resting_button = add<Button>(buttons, 0.0f, 1u, L"Open");
  hover(*add<Button>(buttons, 0.0f, 2u, L"Hovered"));
  add<Button>(buttons, 0.0f, 3u, L"Pressed")->set_pressed(true);
  gallery.focused_button = add<Button>(buttons, 0.0f, 4u, L"Focused");
  gallery.disabled_button = add<Button>(buttons, 0.0f, 5u, L"Disabled");
  gallery.disabled_button->set_enabled(false);
  add<Button>(buttons, 0.0f, 6u, L"Emphasized")->set_emphasized(true);
  gallery.accent_button = add<Button>(buttons, 0.0f, 7u, L"Export");
  gallery.accent_button->set_accent(true);
  add<Button>(buttons, 0.0f, 8u, L"导出图片")->set_accent(true);

  StackPanel& icons = add_row(root, L"Icon buttons");
  add<Button>(icons, 0.0f, 10u, L"Open image", 2);
  auto* flat = add<Button>(icons, 0.0f, 11u, L"Theme", 3);
  flat->set_flat(true);
  auto* stacked = add<Button>(icons, 88.0f, 12u, L"Language", 6);
  stacked->set_flat(true);
  stacked->set_arrangement(modern::ButtonArrangement::stacked);
  auto* stacked_hover = add<Button>(icons, 88.0f, 13u, L"关于", 4);
  stacked_hover->set_flat(true);
  stacked_hover->set_arrangement(modern::ButtonArrangement::stacked);
  hover(*stacked_hover);
  add<Button>(icons, 150.0f, 14u, L"A label far too long to fit in its button");
  add<Button>(icons, 0.0f, 15u, L"Output format")->set_description(L"PNG");

  // Check boxes.
  StackPanel& boxes = add_row(root, L"Check boxes");
  gallery.unchecked_box = add<CheckBox>(boxes, 0.0f, 20u, L"Unchecked", false);
  gallery.checked_box = add<CheckBox>(boxes, 0.0f, 21u, L"Checked", true);
  hover(*add<CheckBox>(boxes, 0.0f, 22u, L"Hovered", false));
  add<CheckBox>(boxes, 0.0f, 23u, L"Disabled", false)->set_enabled(false);
  add<CheckBox>(boxes, 0.0f, 24u, L"Disabled, checked", true)->set_enabled(false);
  add<CheckBox>(boxes, 0.0f, 25u, L"平铺水印", true);

  // Sliders at both ends and in between, hovered, pressed and disabled.
  StackPanel& sliders = add_row(root, L"Sliders");
  add<Slider>(sliders, 150.0f, 30u, 0.0f);
  gallery.slider_037 = add<Slider>(sliders, 150.0f, 31u, 0.37f);
  add<Slider>(sliders, 150.0f, 32u, 1.0f);
  hover(*add<Slider>(sliders, 150.0f, 33u, 0.6f));
  add<Slider>(sliders, 150.0f, 34u, 0.5f)->set_enabled(false);

  // Menu items: radio rows as the menus use them, one with a shortcut, a check item.
  StackPanel& menu = add_row(root, L"Menu items");
  add<MenuItem>(menu, 170.0f, 40u, L"Follow system", false);
  gallery.checked_item = add<MenuItem>(menu, 150.0f, 41u, L"Dark", true);
  hover(*add<MenuItem>(menu, 150.0f, 42u, L"Light", false));
  add<MenuItem>(menu, 250.0f, 43u, L"Export…", false)->set_shortcut(L"Ctrl+S");
  auto* check_item = add<MenuItem>(menu, 180.0f, 44u, L"简体中文", true);
  check_item->set_menu_kind(modern::MenuItemKind::check);

  StackPanel& menu2 = add_row(root, L"");
  add<MenuItem>(menu2, 200.0f, 45u, L"Unavailable", false)->set_enabled(false);
  add<MenuItem>(menu2, 200.0f, 46u, L"Pressed", false)->set_pressed(true);
  add<MenuItem>(menu2, 200.0f, 47u, L"Command", false)->set_menu_kind(modern::MenuItemKind::command);

  // Texts in the six styles, disabled, ellipsized and in Chinese; the glyphs; cards.
  StackPanel& texts = add_row(root, L"Texts");
  for (int style = 0; style < 6; ++style) {
    add<modern::Text>(texts, 0.0f, L"Style " + std::to_wstring(style), static_cast<layout::TextStyle>(style));
  }
  add<modern::Text>(texts, 0.0f, L"Disabled", win32_ui::layout::TextStyle::body)->set_enabled(false);
  add<modern::Text>(texts, 120.0f, L"An ellipsized line of text", win32_ui::layout::TextStyle::body);
  add<modern::Text>(texts, 0.0f, L"水印预览", win32_ui::layout::TextStyle::body);

  StackPanel& glyphs = add_row(root, L"Glyphs, cards");
  for (int glyph = 1; glyph <= 9; ++glyph) add<modern::Icon>(glyphs, 0.0f, glyph);
  auto* card = add<modern::Card>(glyphs, 120.0f);
  card->set_layout([&] {
    layout::LayoutParams p = card->layout();
    p.has_fixed_height = true;
    p.fixed_height = 48.0f;
    return p;
  }());
  auto* emphasized = add<modern::Card>(glyphs, 120.0f);
  emphasized->set_layout(card->layout());
  emphasized->set_emphasized(true);

  gallery.root = std::move(column);
  return gallery;
}

}  // namespace win32_ui::gallery
