#include "modern/panels/grid_panel.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace win32_ui::modern {
namespace {

// Distribution loops stop once what is left to hand out or take back is this small.
constexpr float tolerance = 0.001f;

using Tracks = std::vector<TrackDefinition>;

// Spacings, weights, fixed lengths and minimums are limited like every layout length, so that an
// infinite or huge value cannot turn a sum into infinity or a share into NaN.
float sanitized(float length) noexcept { return layout::finite_length(length); }

float track_min(const TrackDefinition& track) noexcept { return layout::finite_length(track.min); }

float track_max(const TrackDefinition& track) noexcept {
  const float max = std::isnan(track.max) ? layout::unbounded : track.max;
  return std::max(max, track_min(track));
}

// A length clamped into a track's normalised bounds.
float clamp_to_track(float length, const TrackDefinition& track) noexcept {
  return std::clamp(layout::finite_length(length), track_min(track), track_max(track));
}

// Compared field by field so that a NaN given twice counts as unchanged.
bool same_tracks(const Tracks& a, const Tracks& b) noexcept {
  auto same = [](float x, float y) { return x == y || (std::isnan(x) && std::isnan(y)); };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](const TrackDefinition& x, const TrackDefinition& y) {
    return x.kind == y.kind && same(x.value, y.value) && same(x.min, y.min) && same(x.max, y.max);
  });
}

Tracks normalized(const Tracks& tracks) {
  if (tracks.empty()) return Tracks{TrackDefinition::star(1.0f, 0.0f, layout::unbounded)};
  return tracks;
}

// Length of `span` tracks from `start` plus the gaps between them; 0 when the span leaves the list.
float span_length(const std::vector<float>& lengths, std::size_t start, std::size_t span, float spacing) noexcept {
  if (span == 0 || start >= lengths.size() || start + span > lengths.size()) return 0.0f;
  float total = static_cast<float>(span - 1) * spacing;
  for (std::size_t i = start; i < start + span; ++i) total += lengths[i];
  return total;
}

bool span_fits(std::size_t count, std::size_t start, std::size_t span) noexcept {
  return span != 0 && start < count && start + span <= count;
}

// Widens the auto, then the star tracks of a span until it holds `desired`; fixed tracks never grow.
void grow_span(std::vector<float>& lengths, const Tracks& tracks, std::size_t start, std::size_t span, float desired,
               float spacing) {
  if (!span_fits(tracks.size(), start, span)) return;
  float need = desired - span_length(lengths, start, span, spacing);
  if (!(need > 0.0f)) return;
  for (const std::int32_t kind : {TrackDefinition::auto_kind, TrackDefinition::star_kind}) {
    std::vector<std::size_t> candidates;
    for (std::size_t i = start; i < start + span; ++i) {
      if (tracks[i].kind == kind && lengths[i] < track_max(tracks[i])) candidates.push_back(i);
    }
    while (need > tolerance && !candidates.empty()) {
      const float share = need / static_cast<float>(candidates.size());
      float growth = 0.0f;
      for (std::size_t i : candidates) {
        const float before = lengths[i];
        lengths[i] = clamp_to_track(before + share, tracks[i]);
        growth += lengths[i] - before;
      }
      if (growth <= tolerance) break;
      std::erase_if(candidates, [&](std::size_t i) { return lengths[i] >= track_max(tracks[i]) - tolerance; });
      need -= growth;
    }
    if (need <= tolerance) return;
  }
}

// Final lengths of one axis for the available length: overflow is taken from star, then auto, then
// fixed tracks down to their minimums; free space goes to the star tracks by weight.
std::vector<float> resolve(const Tracks& tracks, const std::vector<float>& measured, float available, float spacing) {
  // A slot at the layout limit is what an unbounded one becomes after clamping: it still means "no bound".
  const bool bounded = available < layout::max_layout_length;
  std::vector<float> lengths(tracks.size());
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    const float base = i < measured.size() ? measured[i] : 0.0f;
    float length = base;
    if (tracks[i].kind == TrackDefinition::fixed_kind) {
      length = tracks[i].value;
    } else if (tracks[i].kind == TrackDefinition::star_kind && bounded) {
      length = track_min(tracks[i]);
    }
    lengths[i] = clamp_to_track(length, tracks[i]);
  }
  if (!bounded) return lengths;

  const float gaps = tracks.empty() ? 0.0f : static_cast<float>(tracks.size() - 1) * spacing;
  const float space = std::max(available - gaps, 0.0f);
  const float total = std::accumulate(lengths.begin(), lengths.end(), 0.0f);

  if (space < total) {
    float excess = total - space;
    for (const std::int32_t kind :
         {TrackDefinition::star_kind, TrackDefinition::auto_kind, TrackDefinition::fixed_kind}) {
      std::vector<std::size_t> candidates;
      for (std::size_t i = 0; i < tracks.size(); ++i) {
        if (tracks[i].kind == kind && lengths[i] > track_min(tracks[i])) candidates.push_back(i);
      }
      while (excess > tolerance && !candidates.empty()) {
        const float share = excess / static_cast<float>(candidates.size());
        float removed = 0.0f;
        for (std::size_t i : candidates) {
          const float cut = std::min(lengths[i] - track_min(tracks[i]), share);
          lengths[i] -= cut;
          removed += cut;
        }
        if (removed <= tolerance) break;
        std::erase_if(candidates, [&](std::size_t i) { return lengths[i] <= track_min(tracks[i]) + tolerance; });
        excess -= removed;
      }
    }
    return lengths;
  }

  float free = space - total;
  std::vector<std::size_t> candidates;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    if (tracks[i].kind == TrackDefinition::star_kind && lengths[i] < track_max(tracks[i])) candidates.push_back(i);
  }
  while (free > tolerance && !candidates.empty()) {
    float weights = 0.0f;
    for (std::size_t i : candidates) weights += sanitized(tracks[i].value);
    float growth = 0.0f;
    for (std::size_t i : candidates) {
      const float share = weights > 0.0f ? sanitized(tracks[i].value) * free / weights
                                         : free / static_cast<float>(candidates.size());
      const float before = lengths[i];
      lengths[i] = clamp_to_track(before + share, tracks[i]);
      growth += lengths[i] - before;
    }
    if (growth <= tolerance) break;
    std::erase_if(candidates, [&](std::size_t i) { return lengths[i] >= track_max(tracks[i]) - tolerance; });
    free -= growth;
  }
  return lengths;
}

float axis_total(const std::vector<float>& lengths, float spacing) noexcept {
  if (lengths.empty()) return 0.0f;
  return span_length(lengths, 0, lengths.size(), spacing);
}

}  // namespace

GridPanel::GridPanel(std::vector<TrackDefinition> columns, std::vector<TrackDefinition> rows, float column_spacing,
                     float row_spacing, const layout::Thickness& padding)
    : columns_(std::move(columns)),
      rows_(std::move(rows)),
      column_spacing_(sanitized(column_spacing)),
      row_spacing_(sanitized(row_spacing)) {
  set_padding(padding);
}

View* GridPanel::add(std::unique_ptr<View> child, CellPlacement placement) {
  placement.column_span = std::max<std::uint32_t>(placement.column_span, 1);
  placement.row_span = std::max<std::uint32_t>(placement.row_span, 1);
  placements_.push_back(placement);
  try {
    return add_child(std::move(child));
  } catch (...) {
    placements_.pop_back();
    throw;
  }
}

GridPanel& GridPanel::set_rows(std::vector<TrackDefinition> rows) {
  if (same_tracks(rows, rows_)) return *this;
  rows_ = std::move(rows);
  invalidate_layout();
  return *this;
}

GridPanel& GridPanel::set_columns(std::vector<TrackDefinition> columns) {
  if (same_tracks(columns, columns_)) return *this;
  columns_ = std::move(columns);
  invalidate_layout();
  return *this;
}

void GridPanel::on_children_cleared() { placements_.clear(); }

layout::Size GridPanel::measure_content(const layout::Constraints& available, layout::LayoutContext& context) {
  const Tracks columns = normalized(columns_);
  const Tracks rows = normalized(rows_);
  auto initial = [](const Tracks& tracks) {
    std::vector<float> lengths(tracks.size());
    for (std::size_t i = 0; i < tracks.size(); ++i) {
      lengths[i] = tracks[i].kind == TrackDefinition::fixed_kind ? clamp_to_track(tracks[i].value, tracks[i])
                                                                 : track_min(tracks[i]);
    }
    return lengths;
  };
  std::vector<float> column_lengths = initial(columns);
  std::vector<float> row_lengths = initial(rows);
  const std::size_t placed = std::min(placements_.size(), child_count());

  for (std::size_t i = 0; i < placed; ++i) {
    const CellPlacement& cell = placements_[i];
    const layout::Size desired = child_at(i)->measure(layout::Constraints{}, context);
    grow_span(column_lengths, columns, cell.column, cell.column_span, desired.width, column_spacing_);
  }
  column_lengths_ = resolve(columns, column_lengths, available.max_width, column_spacing_);

  for (std::size_t i = 0; i < placed; ++i) {
    const CellPlacement& cell = placements_[i];
    const float width = span_length(column_lengths_, cell.column, cell.column_span, column_spacing_);
    const layout::Size desired =
        child_at(i)->measure(layout::Constraints{0.0f, 0.0f, width, layout::unbounded}, context);
    grow_span(row_lengths, rows, cell.row, cell.row_span, desired.height, row_spacing_);
  }
  row_lengths_ = resolve(rows, row_lengths, available.max_height, row_spacing_);

  // An empty grid wants nothing, whatever its star tracks would fill.
  if (child_count() == 0) return layout::Size{};
  return layout::Size{axis_total(column_lengths_, column_spacing_), axis_total(row_lengths_, row_spacing_)};
}

void GridPanel::arrange_content(const layout::Rect& content, layout::LayoutContext& context) {
  const Tracks columns = normalized(columns_);
  const Tracks rows = normalized(rows_);
  const std::vector<float> widths = resolve(columns, column_lengths_, content.width, column_spacing_);
  const std::vector<float> heights = resolve(rows, row_lengths_, content.height, row_spacing_);

  std::vector<float> x(widths.size());
  float cursor = content.x;
  for (std::size_t i = 0; i < widths.size(); ++i) {
    x[i] = cursor;
    cursor += widths[i] + column_spacing_;
  }
  std::vector<float> y(heights.size());
  cursor = content.y;
  for (std::size_t i = 0; i < heights.size(); ++i) {
    y[i] = cursor;
    cursor += heights[i] + row_spacing_;
  }

  const std::size_t placed = std::min(placements_.size(), child_count());
  for (std::size_t i = 0; i < placed; ++i) {
    const CellPlacement& cell = placements_[i];
    View* child = child_at(i);
    if (!span_fits(widths.size(), cell.column, cell.column_span) ||
        !span_fits(heights.size(), cell.row, cell.row_span)) {
      child->arrange(layout::Rect{content.x, content.y, 0.0f, 0.0f}, context);
      continue;
    }
    child->arrange(layout::Rect{x[cell.column], y[cell.row],
                                span_length(widths, cell.column, cell.column_span, column_spacing_),
                                span_length(heights, cell.row, cell.row_span, row_spacing_)},
                   context);
  }
}

}  // namespace win32_ui::modern
