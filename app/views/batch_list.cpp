#include "views/batch_list.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "batch_texts.h"
#include "file_dialog.h"
#include "modern/panels/scroll_panel.h"
#include "modern/panels/stack_panel.h"
#include "modern/widgets/button.h"
#include "modern/widgets/display_widgets.h"
#include "modern/widgets/interactive.h"
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

// One photo of the list: its thumbnail, its name and its state; the row shown is tinted.
class BatchRow final : public modern::Interactive {
 public:
  explicit BatchRow(BatchList& list)
      : Interactive(modern::WidgetRole::button, layout::Size{0.0f, row_height}, modern::InteractiveKind::push), list_(list) {
    set_text_style(layout::TextStyle::body);
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
    set_text(name_);
    set_accessible_name(name_ + L" \u00B7 " + state_);
    invalidate_visual();
  }

  [[nodiscard]] const std::wstring& state() const noexcept { return state_; }
  [[nodiscard]] bool current() const noexcept { return current_; }
  void set_current(bool current) {
    if (current == current_) return;
    current_ = current;
    invalidate_visual();
    if (host() != nullptr) host()->notify_semantics_changed();
  }

  // One Tab stop for the whole list: the row shown.
  [[nodiscard]] bool can_focus() const override { return current_ && Interactive::can_focus(); }

  bool on_key(modern::KeyEvent& event) override {
    if (event.action == modern::KeyAction::down && event.modifiers == modern::key_modifier_none) {
      switch (event.virtual_key) {
        case VK_UP: list_.move_from(*this, -1); return true;
        case VK_DOWN: list_.move_from(*this, 1); return true;
        case VK_PRIOR: list_.move_from(*this, -8); return true;
        case VK_NEXT: list_.move_from(*this, 8); return true;
        case VK_HOME: list_.move_from(*this, -1000000); return true;
        case VK_END: list_.move_from(*this, 1000000); return true;
        case VK_DELETE: list_.remove_row(*this); return true;
        default: break;
      }
    }
    return Interactive::on_key(event);
  }

  void paint(modern::PaintContext& context) override {
    if (context.palette == nullptr) return;
    const modern::Palette& palette = *context.palette;
    const auto color = [&](int index) { return modern::palette_color(palette, index); };
    const auto px = [&](float dips) { return context.to_pixels(dips); };
    const RectF rect = context.to_pixels(arranged_rect());
    const float radius = px(6.0f);
    if (current_) {
      context.canvas->fill_rounded_rect(rect, radius, color(modern::Palette::accent_tint));
    } else if (state_weight(win32_ui::ui::graphics::drawable_state_hovered, context) > 0.0f) {
      context.canvas->fill_rounded_rect(rect, radius, color(modern::Palette::hover_fill));
    }
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
    // The name above, the state below.
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
  BatchList& list_;
  std::wstring name_;
  std::wstring state_;
  bool failed_ = false;
  bool current_ = false;
  std::shared_ptr<const engine::Thumbnail> thumbnail_;
  Image image_;
};

BatchList::BatchList(UiLanguage language, Callbacks callbacks)
    : GridPanel(std::vector<TrackDefinition>{TrackDefinition::star(), TrackDefinition::automatic()},
                std::vector<TrackDefinition>{TrackDefinition::automatic(), TrackDefinition::star()}, 8.0f, 6.0f),
      language_(language),
      callbacks_(std::move(callbacks)) {
  set_semantics_role(modern::SemanticsRole::group);
  set_accessible_name(batch_text(language, BatchText::photos_list));
  set_automation_id(L"photos");
  layout::LayoutParams params = this->layout();
  params.fixed_width = list_width;
  params.has_fixed_width = true;
  params.margin = layout::Thickness{12.0f, 0.0f, 0.0f, 0.0f};
  set_layout(params);
  auto title = std::make_unique<modern::Text>(batch_text(language, BatchText::photos_list), layout::TextStyle::caption);
  title->set_semantics_hidden(true);  // it names the group
  title_ = static_cast<modern::Text*>(add(std::move(title), {0, 0, 1, 1}));
  auto remove = std::make_unique<modern::Button>(0, batch_text(language, BatchText::remove_photo));
  remove->set_flat(true);
  remove->set_automation_id(L"remove-photo");
  remove->on_invoked([this] {
    if (current_ < rows_.size()) remove_row(*rows_[current_]);
  });
  remove_button_ = static_cast<modern::Button*>(add(std::move(remove), {1, 0, 1, 1}));
  auto scroller = std::make_unique<modern::ScrollPanel>();
  scroller->set_requested_height(0.0f);
  auto stack = std::make_unique<modern::StackPanel>(modern::Orientation::vertical, 2.0f);
  stack_ = stack.get();
  scroller->set_content(std::move(stack));
  scroller_ = static_cast<modern::ScrollPanel*>(add(std::move(scroller), {0, 1, 2, 1}));
}

void BatchList::set_photos(const PhotoBatch& batch, UiLanguage language) {
  language_ = language;
  stack_->clear_children();
  rows_.clear();
  for (const BatchPhoto& photo : batch.photos()) {
    auto row = std::make_unique<BatchRow>(*this);
    row->show(photo, language);
    row->set_automation_id(L"photo-" + std::to_wstring(rows_.size() + 1));
    BatchRow* placed = static_cast<BatchRow*>(stack_->add_child(std::move(row)));
    placed->add_event_handler(modern::EventKind::invoked, [this, placed](modern::Event& event) {
      const std::size_t index = index_of(*placed);
      if (index >= rows_.size() || !callbacks_.choose) return;
      callbacks_.choose(index);
      // The row chosen takes the focus (it is the list's one Tab stop now), so the keys go on from it.
      if (host() != nullptr && index < rows_.size()) {
        host()->request_focus(*rows_[index], event.origin == modern::InputOrigin::keyboard ? modern::FocusOrigin::keyboard
                                                                                         : modern::FocusOrigin::pointer);
      }
    });
    rows_.push_back(placed);
  }
  title_->set_text(batch_text(language, BatchText::photos_list) + L" \u00B7 " + std::to_wstring(rows_.size()));
  current_ = std::min(batch.current(), rows_.empty() ? std::size_t{0} : rows_.size() - 1);
  if (!rows_.empty()) rows_[current_]->set_current(true);
  set_busy(busy_);
}

void BatchList::update_photo(std::size_t index, const BatchPhoto& photo, UiLanguage language) {
  if (index < rows_.size()) rows_[index]->show(photo, language);
}

void BatchList::set_current(std::size_t index) {
  if (index >= rows_.size()) return;
  if (current_ < rows_.size()) rows_[current_]->set_current(false);
  current_ = index;
  rows_[index]->set_current(true);
  scroller_->reveal(rows_[index]->arranged_rect());
}

void BatchList::set_busy(bool busy) {
  busy_ = busy;
  if (remove_button_ != nullptr) remove_button_->set_enabled(!busy && rows_.size() > 1);
}

void BatchList::move_from(const BatchRow& row, long step) {
  const std::size_t index = index_of(row);
  if (index >= rows_.size()) return;
  const long last = static_cast<long>(rows_.size()) - 1;
  const auto target = static_cast<std::size_t>(std::clamp(static_cast<long>(index) + step, 0L, last));
  if (target == index) return;
  if (callbacks_.choose) callbacks_.choose(target);
  // The focus follows the row shown, so the next key moves on from there.
  if (host() != nullptr && target < rows_.size()) host()->request_focus(*rows_[target], modern::FocusOrigin::keyboard);
}

void BatchList::remove_row(const BatchRow& row) {
  const std::size_t index = index_of(row);
  if (busy_ || rows_.size() <= 1 || index >= rows_.size() || !callbacks_.remove) return;
  const bool had_focus = row.focused();
  callbacks_.remove(index);  // the rows are made again
  if (had_focus && host() != nullptr && current_ < rows_.size()) {
    host()->request_focus(*rows_[current_], modern::FocusOrigin::keyboard);
  }
}

win32_ui::modern::View* BatchList::row(std::size_t index) const noexcept {
  return index < rows_.size() ? rows_[index] : nullptr;
}

std::size_t BatchList::index_of(const BatchRow& row) const noexcept {
  const auto at = std::find(rows_.begin(), rows_.end(), &row);
  return static_cast<std::size_t>(at - rows_.begin());
}

}  // namespace orvane::app
