#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "modern/panels/grid_panel.h"
#include "modern/panels/overlay_panel.h"
#include "modern/widgets/display_widgets.h"
#include "modern/widgets/slider.h"
#include "ui_resources.h"

// The pieces the settings column's cards are laid out from.
namespace orvane::app {

// A card: the themed background under a grid of one column, a 28 header row and `rows` rows of 34.
// Screen readers meet it as a group named by its title, holding its controls.
[[nodiscard]] std::pair<std::unique_ptr<win32_ui::modern::OverlayPanel>, win32_ui::modern::GridPanel*> make_card(
    int rows, float vertical_padding, const std::wstring& title);

// A card's title after its icon; a card without one starts at the icon's place.
[[nodiscard]] std::unique_ptr<win32_ui::modern::View> section_header(const IconPair* icon, std::wstring title);

// A slider with its value text to the right.
[[nodiscard]] std::unique_ptr<win32_ui::modern::GridPanel> slider_with_value(
    std::unique_ptr<win32_ui::modern::Slider> slider, std::unique_ptr<win32_ui::modern::Text> value,
    win32_ui::modern::Slider*& placed_slider, win32_ui::modern::Text*& placed_value);

// Controls side by side in one row: each part's width, 0 for the one that takes the rest.
[[nodiscard]] std::unique_ptr<win32_ui::modern::GridPanel> row_of(
    std::vector<std::pair<float, std::unique_ptr<win32_ui::modern::View>>> parts);

// A row of a label and its control, the label naming the control (or a composite control's first
// part) for screen readers; returns the control as placed.
win32_ui::modern::View* add_labelled_row(win32_ui::modern::GridPanel& card, std::uint32_t row, std::wstring label,
                                         std::unique_ptr<win32_ui::modern::View> control,
                                         win32_ui::modern::Text** placed_label = nullptr);

template <typename Control>
Control* labelled_row(win32_ui::modern::GridPanel& card, std::uint32_t row, std::wstring label,
                      std::unique_ptr<Control> control, win32_ui::modern::Text** placed_label = nullptr) {
  return static_cast<Control*>(add_labelled_row(card, row, std::move(label), std::move(control), placed_label));
}

}  // namespace orvane::app
