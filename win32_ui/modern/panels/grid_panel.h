#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "layout/geometry.h"
#include "modern/tree/view_group.h"

namespace win32_ui::modern {

// One column or row of a grid: a fixed length, sized to its content (auto), or a weighted share of
// the space left (star), always within its min and max.
struct TrackDefinition {
  enum Kind : std::int32_t { fixed_kind = 0, auto_kind = 1, star_kind = 2 };

  std::int32_t kind = star_kind;
  float value = 1.0f;  // fixed: the length; star: the weight; auto: not read
  float min = 0.0f;
  float max = layout::unbounded;  // a max below min counts as min

  [[nodiscard]] static TrackDefinition fixed(float length, float min = 0.0f, float max = layout::unbounded) {
    return TrackDefinition{fixed_kind, layout::clamp_length(length), layout::clamp_length(min),
                           layout::clamp_length(max)};
  }
  // Sized to the content of the cells in it (`auto` is a keyword, hence the name).
  [[nodiscard]] static TrackDefinition automatic(float min = 0.0f, float max = layout::unbounded) {
    return TrackDefinition{auto_kind, 1.0f, layout::clamp_length(min), layout::clamp_length(max)};
  }
  [[nodiscard]] static TrackDefinition star(float weight = 1.0f, float min = 0.0f, float max = layout::unbounded) {
    return TrackDefinition{star_kind, layout::clamp_length(weight), layout::clamp_length(min),
                           layout::clamp_length(max)};
  }
};

// The cell of a grid child; spans below 1 are stored as 1.
struct CellPlacement {
  std::uint32_t column = 0;
  std::uint32_t row = 0;
  std::uint32_t column_span = 1;
  std::uint32_t row_span = 1;
};

// Places children in the cells of rows and columns with fixed, automatic and proportional tracks.
// Measuring sizes the tracks (columns from the children's unbounded widths, rows from their heights at
// those column widths); arranging resolves the tracks for the final rect and places each child.
class GridPanel : public ViewGroup {
 public:
  GridPanel(std::vector<TrackDefinition> columns = {}, std::vector<TrackDefinition> rows = {},
            float column_spacing = 0.0f, float row_spacing = 0.0f, const layout::Thickness& padding = {});

  // Adds a child in a cell; the errors of add_child leave the placements unchanged.
  View* add(std::unique_ptr<View> child, CellPlacement placement);

  GridPanel& set_rows(std::vector<TrackDefinition> rows);
  GridPanel& set_columns(std::vector<TrackDefinition> columns);

  [[nodiscard]] const std::vector<float>& measured_column_lengths() const noexcept { return column_lengths_; }
  [[nodiscard]] const std::vector<float>& measured_row_lengths() const noexcept { return row_lengths_; }

 protected:
  layout::Size measure_content(const layout::Constraints& available, layout::LayoutContext& context) override;
  void arrange_content(const layout::Rect& content, layout::LayoutContext& context) override;
  void on_children_cleared() override;

 private:
  std::vector<TrackDefinition> columns_;
  std::vector<TrackDefinition> rows_;
  std::vector<CellPlacement> placements_;
  std::vector<float> column_lengths_;
  std::vector<float> row_lengths_;
  float column_spacing_;
  float row_spacing_;
};

}  // namespace win32_ui::modern
