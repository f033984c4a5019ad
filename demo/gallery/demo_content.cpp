#include "demo_content.h"

#include <utility>

#include "modern/button.h"
#include "modern/display_widgets.h"
#include "modern/stack_panel.h"
#include "widget_gallery.h"

namespace win32_ui::gallery {

DemoContent build_demo_content(std::function<void(bool dark)> choose_dark) {
  DemoContent content;
  auto column = std::make_unique<modern::StackPanel>(modern::Orientation::vertical, 0.0f);

  auto bar = std::make_unique<modern::StackPanel>(modern::Orientation::horizontal, 10.0f,
                                                  layout::Thickness{20.0f, 16.0f, 20.0f, 4.0f});
  auto title = std::make_unique<modern::Text>(std::wstring(L"win32_ui — widgets and native controls"), 1);
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
  column->add_child(std::move(natives));

  column->add_child(build_widget_gallery().root);
  content.root = std::move(column);
  return content;
}

}  // namespace win32_ui::gallery
