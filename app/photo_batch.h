#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "item_result.h"
#include "photo_thumbnail.h"

namespace orvane::app {

// Where a photo of the batch stands.
enum class PhotoState {
  waiting,  // not written yet in this window
  working,  // being written now
  written,
  skipped,  // its output exists and was kept
  failed,   // its reason says why
};

struct BatchPhoto {
  std::wstring path;  // full
  PhotoState state = PhotoState::waiting;
  // Why it was skipped or failed: what the batch said, or the decoder's message when it could not
  // be opened for the preview. Worded when shown, so a language switch rewords it.
  std::optional<batch::ItemResult> result;
  std::wstring open_error;
  std::shared_ptr<const engine::Thumbnail> thumbnail;  // null until made, or when it cannot be
};

// The photos the window works on: one, as the window always had, or a whole shoot. Each path is
// held once, compared as the file system compares names; one of them is the photo shown.
class PhotoBatch {
 public:
  // Replaces the photos with `paths` (full paths, in order, repeats dropped); the first is shown.
  void assign(const std::vector<std::wstring>& paths);
  // Takes a photo out; the one shown moves to its neighbour when it was that one. False when out
  // of range.
  bool remove(std::size_t index);
  void clear() noexcept;

  [[nodiscard]] std::size_t size() const noexcept { return photos_.size(); }
  [[nodiscard]] bool empty() const noexcept { return photos_.empty(); }
  [[nodiscard]] BatchPhoto& at(std::size_t index) { return photos_.at(index); }
  [[nodiscard]] const BatchPhoto& at(std::size_t index) const { return photos_.at(index); }
  [[nodiscard]] const std::vector<BatchPhoto>& photos() const noexcept { return photos_; }
  // The index of `path` (any letter case), if it is one of the photos.
  [[nodiscard]] std::optional<std::size_t> find(const std::wstring& path) const;

  // The photo shown; 0 when there is none.
  [[nodiscard]] std::size_t current() const noexcept { return current_; }
  void set_current(std::size_t index) noexcept {
    if (index < photos_.size()) current_ = index;
  }

  // Every photo waits again (before a new export of them all).
  void reset_states();
  // Photos in each state.
  [[nodiscard]] std::size_t count(PhotoState state) const noexcept;

 private:
  std::vector<BatchPhoto> photos_;
  std::size_t current_ = 0;
};

}  // namespace orvane::app
