#include "views/batch_list.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "batch_texts.h"
#include "file_dialog.h"
#include "modern/panels/list_panel.h"
#include "modern/panels/list_row.h"
#include "modern/panels/scroll_panel.h"
#include "modern/widgets/button.h"
#include "modern/widgets/display_widgets.h"
#include "theme/palette.h"
#include "ui/graphics/image.h"

namespace orvane::app {

namespace modern = win32_ui::modern;
namespace layout = win32_ui::layout;
using win32_ui::modern::TrackDefinition;
using win32_ui::ui::graphics::Image;
using win32_ui::ui::graphics::RectF;

namespace {

constexpr float row_height = 56.0f;
constexpr float thumbnail_box = 44.0f;
constexpr float list_width = 260.0f;

}  // namespace

// What a row of the list shows of its photo: the thumbnail, whole, then the name above the state.
// The row around it (a ListRow) paints the selection and the focus, and names itself.
class BatchRow final : public modern::Widget {
 public:
  BatchRow() : Widget(modern::WidgetRole::group, layout::Size{0.0f, row_height}) {
    set_semantics_hidden(true);
    set_accepts_pointer_input(false);
  }

  void show(const BatchPhoto& photo, UiLanguage language) {
    name_ = file_name_of(photo.path);
    state_ = state_text(language, photo);
    failed_ = photo.state == PhotoState::failed;
    if (photo.thumbnail != thumbnail_) {
      thumbnail_ = photo.thumbnail;
      image_ = {};
      if (thumbnail_ && thumbnail_->width > 0) {
        (void)Image::from_pixels(thumbnail_->width, thumbnail_->height, thumbnail_->stride(), thumbnail_->pixels, image_);
      }
    }
    invalidate_visual();
  }

  [[nodiscard]] std::wstring description() const { return name_ + L" \u00B7 " + state_; }

  void paint(modern::PaintContext& context) override {
    if (context.palette == nullptr) return;
    const modern::Palette& palette = *context.palette;
    const auto color = [&](int index) { return modern::palette_color(palette, index); };
    const auto px = [&](float dips) { return context.to_pixels(dips); };
    const RectF rect = context.to_pixels(arranged_rect());
    // The thumbnail, whole, centred in its box.
    const RectF box{rect.left + px(6.0f), rect.top + px((row_height - thumbnail_box) / 2.0f),
                    rect.left + px(6.0f + thumbnail_box), rect.top + px((row_height + thumbnail_box) / 2.0f)};
    if (image_.is_valid()) {
      const float scale = std::min((box.right - box.left) / static_cast<float>(image_.width()),
                                   (box.bottom - box.top) / static_cast<float>(image_.height()));
      const float w = static_cast<float>(image_.width()) * scale;
      const float h = static_cast<float>(image_.height()) * scale;
      const float x = (box.left + box.right - w) / 2.0f;
      const float y = (box.top + box.bottom - h) / 2.0f;
      context.canvas->draw_image(image_, RectF{x, y, x + w, y + h}, 1.0f, true);
    } else {
      context.canvas->fill_rounded_rect(box, px(4.0f), color(modern::Palette::hover_fill));
    }
    win32_ui::ui::graphics::TextStyle style;
    style.horizontal_alignment = 0;
    style.vertical_alignment = 1;
    style.single_line = true;
    style.end_ellipsis = true;
    style.reading_direction = context.text_direction;
    const float text_left = box.right + px(10.0f);
    const float middle = rect.top + px(row_height / 2.0f);
    style.font_slot = layout::font_slot(layout::TextStyle::body);
    style.color = color(modern::Palette::text);
    context.canvas->draw_text(name_, RectF{text_left, rect.top + px(6.0f), rect.right - px(6.0f), middle}, style);
    style.font_slot = layout::font_slot(layout::TextStyle::caption);
    style.color = color(failed_ ? modern::Palette::danger : modern::Palette::secondary_text);
    context.canvas->draw_text(state_, RectF{text_left, middle, rect.right - px(6.0f), rect.bottom - px(6.0f)}, style);
  }

 private:
  std::wstring name_;
  std::wstring state_;
  bool failed_ = false;
  std::shared_ptr<const engine::Thumbnail> thumbnail_;
  Image image_;
};

BatchList::BatchList(UiLanguage language, Callbacks callbacks)
    : GridPanel(std::vector<TrackDefinition>{TrackDefinition::star(), TrackDefinition::automatic()},
                std::vector<TrackDefinition>{TrackDefinition::automatic(), TrackDefinition::star()}, 8.0f, 6.0f),
      language_(language),
      callbacks_(std::move(callbacks)) {
  layout::LayoutParams params = this->layout();
  params.fixed_width = list_width;
  params.has_fixed_width = true;
  params.margin = layout::Thickness{12.0f, 0.0f, 0.0f, 0.0f};
  set_layout(params);
  auto title = std::make_unique<modern::Text>(batch_text(language, BatchText::photos_list), layout::TextStyle::caption);
  title->set_semantics_hidden(true);  // the list carries the name
  title_ = static_cast<modern::Text*>(add(std::move(title), {0, 0, 1, 1}));
  auto remove = std::make_unique<modern::Button>(0, batch_text(language, BatchText::remove_photo));
  remove->set_flat(true);
  remove->set_automation_id(L"remove-photo");
  remove->on_invoked([this] {
    if (const modern::ListRow* shown = list_->selected_row()) remove_at(index_of(*shown));
  });
  remove_button_ = static_cast<modern::Button*>(add(std::move(remove), {1, 0, 1, 1}));
  auto scroller = std::make_unique<modern::ScrollPanel>();
  scroller->set_requested_height(0.0f);
  auto list = std::make_unique<modern::ListPanel>(2.0f);
  list->set_accessible_name(batch_text(language, BatchText::photos_list));
  list->set_automation_id(L"photo-list");
  list_ = list.get();
  scroller->set_content(std::move(list));
  scroller_ = static_cast<modern::ScrollPanel*>(add(std::move(scroller), {0, 1, 2, 1}));
}

void BatchList::set_photos(const PhotoBatch& batch, UiLanguage language) {
  language_ = language;
  list_->clear_children();
  rows_.clear();
  contents_.clear();
  for (const BatchPhoto& photo : batch.photos()) {
    auto content = std::make_unique<BatchRow>();
    BatchRow* shown = content.get();
    auto row = std::make_unique<modern::ListRow>(std::move(content));
    row->set_automation_id(L"photo-" + std::to_wstring(rows_.size() + 1));
    modern::ListRow* placed = static_cast<modern::ListRow*>(list_->add_child(std::move(row)));
    placed->on_chosen([this, placed] {
      const std::size_t index = index_of(*placed);
      if (index < rows_.size() && callbacks_.choose) callbacks_.choose(index);
    });
    placed->on_remove([this, placed] { remove_at(index_of(*placed)); });
    rows_.push_back(placed);
    contents_.push_back(shown);
    update_photo(rows_.size() - 1, photo, language);
  }
  title_->set_text(batch_text(language, BatchText::photos_list) + L" \u00B7 " + std::to_wstring(rows_.size()));
  if (!rows_.empty()) rows_[std::min(batch.current(), rows_.size() - 1)]->set_selected(true);
  set_busy(busy_);
}

void BatchList::update_photo(std::size_t index, const BatchPhoto& photo, UiLanguage language) {
  if (index >= rows_.size()) return;
  contents_[index]->show(photo, language);
  rows_[index]->set_accessible_name(contents_[index]->description());
}

void BatchList::set_current(std::size_t index) {
  if (index >= rows_.size()) return;
  rows_[index]->set_selected(true);
  scroller_->reveal(rows_[index]->arranged_rect());
}

void BatchList::set_busy(bool busy) {
  busy_ = busy;
  if (remove_button_ != nullptr) remove_button_->set_enabled(!busy && rows_.size() > 1);
}

win32_ui::modern::View* BatchList::row(std::size_t index) const noexcept {
  return index < rows_.size() ? rows_[index] : nullptr;
}

void BatchList::remove_at(std::size_t index) {
  if (busy_ || rows_.size() <= 1 || index >= rows_.size() || !callbacks_.remove) return;
  const bool had_focus = rows_[index]->focused();
  callbacks_.remove(index);  // the rows are made again
  // The focus stays in the list, on the photo now shown.
  modern::ListRow* shown = list_->selected_row();
  if (had_focus && host() != nullptr && shown != nullptr) {
    host()->request_focus(*shown, modern::FocusOrigin::keyboard);
  }
}

std::size_t BatchList::index_of(const modern::ListRow& row) const noexcept {
  const auto at = std::find(rows_.begin(), rows_.end(), &row);
  return static_cast<std::size_t>(at - rows_.begin());
}

}  // namespace orvane::app
