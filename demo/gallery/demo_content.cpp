#include "demo_content.h"

#include <utility>

#include "modern/native/win32_combo_box.h"
#include "modern/native/win32_edit.h"
#include "modern/panels/stack_panel.h"
#include "modern/widgets/button.h"
#include "modern/widgets/display_widgets.h"
#include "widget_gallery.h"

namespace win32_ui::gallery {

DemoContent build_demo_content(std::function<void(bool dark)> choose_dark) {
  DemoContent content;
  auto column = std::make_unique<modern::StackPanel>(modern::Orientation::vertical, 0.0f);

  auto bar = std::make_unique<modern::StackPanel>(modern::Orientation::horizontal, 10.0f,
                                                  layout::Thickness{20.0f, 16.0f, 20.0f, 4.0f});
  auto title = std::make_unique<modern::Text>(std::wstring(L"win32_ui — widgets and native controls"), win32_ui::layout::TextStyle::section);
  layout::LayoutParams centred = title->layout();
  centred.vertical_alignment = layout::VerticalAlignment::center;
  title->set_layout(centred);
  bar->add_child(std::move(title));
  for (const bool dark : {false, true}) {
    auto button = std::make_unique<modern::Button>(dark ? 902u : 901u, dark ? L"Dark" : L"Light", 3);
    button->set_layout(centred);
    button->on_invoked([choose_dark, dark] {
      if (choose_dark) choose_dark(dark);
    });
    bar->add_child(std::move(button));
  }
  column->add_child(std::move(bar));

  auto natives = std::make_unique<modern::StackPanel>(modern::Orientation::horizontal, 12.0f,
                                                      layout::Thickness{20.0f, 8.0f, 20.0f, 0.0f});
  content.native_row = natives.get();
  auto sized = [](modern::View& view, float width, float height) {
    layout::LayoutParams p = view.layout();
    p.has_fixed_width = true;
    p.fixed_width = width;
    p.has_fixed_height = true;
    p.fixed_height = height;
    p.vertical_alignment = layout::VerticalAlignment::top;
    view.set_layout(p);
  };
  auto text = std::make_unique<modern::Win32Edit>(501, L"Orvane 示例水印");
  sized(*text, 220.0f, 32.0f);
  content.edit = text.get();
  natives->add_child(std::move(text));
  auto placeholder = std::make_unique<modern::Win32Edit>(502, L"");
  placeholder->set_placeholder(L"Watermark text");
  sized(*placeholder, 180.0f, 32.0f);
  natives->add_child(std::move(placeholder));
  auto combo = std::make_unique<modern::Win32ComboBox>(503);
  combo->set_items({L"Tiled grid", L"Staggered grid", L"Bottom right", L"Centre"});
  combo->set_selected_index(0);
  sized(*combo, 180.0f, 32.0f);
  content.combo = combo.get();
  natives->add_child(std::move(combo));
  auto lines = std::make_unique<modern::Win32Edit>(504, L"First line\r\nSecond line");
  lines->set_multiline(true);
  sized(*lines, 260.0f, 64.0f);
  natives->add_child(std::move(lines));
  column->add_child(std::move(natives));

  column->add_child(build_widget_gallery().root);
  content.root = std::move(column);
  return content;
}

}  // namespace win32_ui::gallery
