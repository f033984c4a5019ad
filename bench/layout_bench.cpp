// Prints the median cost of a layout pass over a tree of about 1,000 views (first pass and a second
// pass with nothing changed), of a hit test into it, and of passes over deeply nested grids, where the
// measure cache decides whether a pass costs a walk or about 2^depth re-measures.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "layout/layout_node.h"
#include "modern/panels/grid_panel.h"
#include "modern/panels/stack_panel.h"

namespace {

using namespace win32_ui;
using modern::CellPlacement;
using modern::GridPanel;
using modern::TrackDefinition;

constexpr int kSamples = 51;

// A leaf with a fixed content size that counts its measures.
class Leaf : public modern::View {
 public:
  Leaf(float width, float height) : want_{width, height} { set_accepts_pointer_input(true); }
  static inline long long measures = 0;

 protected:
  layout::Size measure_content(const layout::Constraints&, layout::LayoutContext&) override {
    ++measures;
    return want_;
  }

 private:
  layout::Size want_;
};

// A column of 100 rows, each a 3 x 3 grid (auto, star, star x2 columns) of leaves: 1 + 100 + 900 views.
std::unique_ptr<modern::StackPanel> make_wide_tree(std::vector<modern::View*>& leaves) {
  auto root = std::make_unique<modern::StackPanel>(modern::Orientation::vertical, 4.0f);
  for (int row = 0; row < 100; ++row) {
    auto grid = std::make_unique<GridPanel>(
        std::vector{TrackDefinition::automatic(), TrackDefinition::star(1), TrackDefinition::star(2)},
        std::vector{TrackDefinition::automatic(), TrackDefinition::automatic(), TrackDefinition::automatic()}, 6.0f,
        2.0f);
    for (std::uint32_t cell = 0; cell < 9; ++cell) {
      const float width = 20.0f + static_cast<float>((row * 7 + static_cast<int>(cell) * 13) % 60);
      leaves.push_back(grid->add(std::make_unique<Leaf>(width, 8.0f + static_cast<float>(cell % 3)),
                                 CellPlacement{cell % 3, cell / 3}));
    }
    root->add_child(std::move(grid));
  }
  return root;
}

// Grids nested `depth` deep: each holds a leaf in an auto column and the next grid in a star column.
std::unique_ptr<GridPanel> make_nested(int depth, std::vector<modern::View*>& leaves) {
  auto grid = std::make_unique<GridPanel>(std::vector{TrackDefinition::automatic(), TrackDefinition::star()},
                                          std::vector{TrackDefinition::automatic()});
  leaves.push_back(grid->add(std::make_unique<Leaf>(10.0f, 12.0f), CellPlacement{0, 0}));
  if (depth > 1) grid->add(make_nested(depth - 1, leaves), CellPlacement{1, 0});
  return grid;
}

double median(std::vector<double> samples) {
  std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
  return samples[samples.size() / 2];
}

double micros_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

struct PassFigures {
  double first_us;
  double second_us;
  double one_change_us;
  long long first_measures;
  long long second_measures;
  long long one_change_measures;
};

// Median cost of a pass after every leaf was invalidated, and of the pass that follows with nothing changed.
PassFigures time_passes(modern::View& root, const std::vector<modern::View*>& leaves, layout::Size viewport) {
  layout::LayoutContext context;
  std::vector<double> first;
  std::vector<double> second;
  std::vector<double> one_change;
  long long first_measures = 0;
  long long second_measures = 0;
  long long one_change_measures = 0;
  for (int sample = 0; sample < kSamples; ++sample) {
    for (modern::View* leaf : leaves) leaf->invalidate_measure();
    Leaf::measures = 0;
    auto start = std::chrono::steady_clock::now();
    layout::run_layout_pass(root, viewport, context);
    first.push_back(micros_since(start));
    first_measures = Leaf::measures;

    Leaf::measures = 0;
    start = std::chrono::steady_clock::now();
    layout::run_layout_pass(root, viewport, context);
    second.push_back(micros_since(start));
    second_measures = Leaf::measures;

    // What a surface sees most: one view deep in the tree asked for layout.
    leaves.back()->invalidate_measure();
    Leaf::measures = 0;
    start = std::chrono::steady_clock::now();
    layout::run_layout_pass(root, viewport, context);
    one_change.push_back(micros_since(start));
    one_change_measures = Leaf::measures;
  }
  return PassFigures{median(first),  median(second),  median(one_change),
                     first_measures, second_measures, one_change_measures};
}

}  // namespace

int wmain() {
  std::vector<modern::View*> leaves;
  auto root = make_wide_tree(leaves);
  const PassFigures wide = time_passes(*root, leaves, layout::Size{1200.0f, 800.0f});
  std::printf("tree of %zu views (stack of 3x3 grids)\n", leaves.size() + 101);
  std::printf("  first layout pass:   %9.1f us median (%lld leaf measures)\n", wide.first_us, wide.first_measures);
  std::printf("  second, unchanged:   %9.1f us median (%lld leaf measures)\n", wide.second_us, wide.second_measures);
  std::printf("  after one change:    %9.1f us median (%lld leaf measures)\n", wide.one_change_us,
              wide.one_change_measures);

  // Hit tests at points spread over the laid-out tree.
  const layout::Rect bounds = root->arranged_rect();
  std::vector<double> hits;
  std::size_t found = 0;
  for (int sample = 0; sample < kSamples; ++sample) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 200; ++i) {
      const layout::Point point{bounds.width * static_cast<float>((i * 37) % 200) / 200.0f,
                                bounds.height * static_cast<float>((i * 53) % 200) / 200.0f};
      modern::HitResult result;
      if (root->hit_test(point, result)) ++found;
    }
    hits.push_back(micros_since(start) / 200.0);
  }
  std::printf("  hit test:            %9.3f us median (%zu of %d points hit a view)\n", median(hits),
              found / kSamples, 200);

  for (const int depth : {8, 12}) {
    std::vector<modern::View*> nested_leaves;
    auto nested = make_nested(depth, nested_leaves);
    const PassFigures figures = time_passes(*nested, nested_leaves, layout::Size{1200.0f, 800.0f});
    std::printf("grids nested %d deep\n", depth);
    std::printf("  first layout pass:   %9.1f us median (%lld leaf measures)\n", figures.first_us,
                figures.first_measures);
    std::printf("  second, unchanged:   %9.1f us median (%lld leaf measures)\n", figures.second_us,
                figures.second_measures);
    std::printf("  after one change:    %9.1f us median (%lld leaf measures)\n", figures.one_change_us,
                figures.one_change_measures);
  }
  return 0;
}
