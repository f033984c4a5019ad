#include "views/card_layout.h"

#include "views/raster_icon.h"

namespace orvane::app {

namespace modern = win32_ui::modern;
namespace layout = win32_ui::layout;
using modern::TrackDefinition;

std::pair<std::unique_ptr<modern::OverlayPanel>, modern::GridPanel*> make_card(int rows, float vertical_padding,
                                                                              const std::wstring& title) {
  auto overlay = std::make_unique<modern::OverlayPanel>();
  overlay->set_semantics_role(modern::SemanticsRole::group);
  overlay->set_accessible_name(title);
  overlay->add_child(std::make_unique<modern::Card>());
  std::vector<TrackDefinition> tracks{TrackDefinition::fixed(28.0f)};
  for (int i = 0; i < rows; ++i) tracks.push_back(TrackDefinition::fixed(34.0f));
  auto grid = std::make_unique<modern::GridPanel>(std::vector<TrackDefinition>{TrackDefinition::star()}, std::move(tracks),
                                                  0.0f, 6.0f,
                                                  layout::Thickness{12.0f, vertical_padding, 12.0f, vertical_padding});
  auto* content = static_cast<modern::GridPanel*>(overlay->add_child(std::move(grid)));
  return {std::move(overlay), content};
}

std::unique_ptr<modern::View> section_header(const IconPair* icon, std::wstring title) {
  auto header = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::fixed(icon != nullptr ? 26.0f : 0.0f), TrackDefinition::star()},
      std::vector<TrackDefinition>{}, icon != nullptr ? 8.0f : 0.0f, 0.0f);
  if (icon != nullptr) header->add(std::make_unique<RasterIcon>(*icon, 22.0f), {0, 0, 1, 1});
  // The title names the card's group: no node of its own.
  auto text = std::make_unique<modern::Text>(std::move(title), layout::TextStyle::section);
  text->set_semantics_hidden(true);
  header->add(std::move(text), {1, 0, 1, 1});
  return header;
}

std::unique_ptr<modern::GridPanel> slider_with_value(std::unique_ptr<modern::Slider> slider,
                                                     std::unique_ptr<modern::Text> value, modern::Slider*& placed_slider,
                                                     modern::Text*& placed_value) {
  auto line = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::star(), TrackDefinition::fixed(52.0f)}, std::vector<TrackDefinition>{},
      8.0f, 0.0f);
  placed_slider = static_cast<modern::Slider*>(line->add(std::move(slider), {0, 0, 1, 1}));
  placed_value = static_cast<modern::Text*>(line->add(std::move(value), {1, 0, 1, 1}));
  return line;
}

std::unique_ptr<modern::GridPanel> row_of(std::vector<std::pair<float, std::unique_ptr<modern::View>>> parts) {
  std::vector<TrackDefinition> columns;
  for (const auto& part : parts) columns.push_back(part.first > 0.0f ? TrackDefinition::fixed(part.first) : TrackDefinition::star());
  auto line = std::make_unique<modern::GridPanel>(std::move(columns), std::vector<TrackDefinition>{}, 8.0f, 0.0f);
  for (std::size_t i = 0; i < parts.size(); ++i) line->add(std::move(parts[i].second), {static_cast<std::uint32_t>(i), 0, 1, 1});
  return line;
}

modern::View* add_labelled_row(modern::GridPanel& card, std::uint32_t row, std::wstring label,
                               std::unique_ptr<modern::View> control, modern::Text** placed_label) {
  auto line = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::fixed(122.0f), TrackDefinition::star()}, std::vector<TrackDefinition>{},
      10.0f, 0.0f);
  modern::View* named = control.get();
  if (auto* group = dynamic_cast<modern::ViewGroup*>(named); group != nullptr && group->child_count() > 0) {
    named = group->child_at(0);
  }
  if (!label.empty() && !named->accessible_name()) named->set_accessible_name(label);
  // The label is read as the control's name, not as a node before it.
  auto text = std::make_unique<modern::Text>(std::move(label), layout::TextStyle::body);
  text->set_semantics_hidden(true);
  auto* label_view = static_cast<modern::Text*>(line->add(std::move(text), {0, 0, 1, 1}));
  if (placed_label != nullptr) *placed_label = label_view;
  modern::View* placed = line->add(std::move(control), {1, 0, 1, 1});
  card.add(std::move(line), {0, row, 1, 1});
  return placed;
}

}  // namespace orvane::app
