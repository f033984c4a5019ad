#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "modern/panels/grid_panel.h"
#include "photo_batch.h"
#include "ui_language.h"

namespace win32_ui::modern {
class Button;
class ListPanel;
class ListRow;
class ScrollPanel;
class Text;
}  // namespace win32_ui::modern

namespace orvane::app {

class BatchRow;

// The photos of a batch beside the preview: a row each with its thumbnail, its name and where it
// stands (waiting, writing, done, skipped, failed and why). Choosing a row (a click, Enter, Space,
// Up, Down, Home, End, or an assistive tool's Select) previews that photo; Delete or the Remove
// button takes it out of the list. One Tab stop: the row shown. Assistive tools see a list of items
// named by the photo and its state.
class BatchList : public win32_ui::modern::GridPanel {
 public:
  struct Callbacks {
    std::function<void(std::size_t index)> choose;
    std::function<void(std::size_t index)> remove;
  };

  BatchList(UiLanguage language, Callbacks callbacks);

  // Every row again, from the batch (its photo shown marked).
  void set_photos(const PhotoBatch& batch, UiLanguage language);
  // One photo's row: its state or thumbnail changed.
  void update_photo(std::size_t index, const BatchPhoto& photo, UiLanguage language);
  // Marks the photo shown and scrolls its row into sight.
  void set_current(std::size_t index);
  // While an export runs, nothing is removed.
  void set_busy(bool busy);

  [[nodiscard]] std::size_t rows() const noexcept { return rows_.size(); }
  [[nodiscard]] win32_ui::modern::View* row(std::size_t index) const noexcept;

 private:
  void remove_at(std::size_t index);
  [[nodiscard]] std::size_t index_of(const win32_ui::modern::ListRow& row) const noexcept;

  UiLanguage language_;
  Callbacks callbacks_;
  win32_ui::modern::Text* title_ = nullptr;
  win32_ui::modern::Button* remove_button_ = nullptr;
  win32_ui::modern::ScrollPanel* scroller_ = nullptr;
  win32_ui::modern::ListPanel* list_ = nullptr;
  std::vector<win32_ui::modern::ListRow*> rows_;  // owned by list_
  std::vector<BatchRow*> contents_;               // each row's content
  bool busy_ = false;
};

}  // namespace orvane::app
