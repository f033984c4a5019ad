#include "photo_batch.h"

#include <algorithm>
#include <unordered_set>

#include "input_search.h"

namespace orvane::app {

void PhotoBatch::assign(const std::vector<std::wstring>& paths) {
  photos_.clear();
  current_ = 0;
  std::unordered_set<std::wstring> seen;
  for (const std::wstring& path : paths) {
    if (path.empty() || !seen.insert(batch::fold_case(path)).second) continue;
    BatchPhoto photo;
    photo.path = path;
    photos_.push_back(std::move(photo));
  }
}

bool PhotoBatch::remove(std::size_t index) {
  if (index >= photos_.size()) return false;
  photos_.erase(photos_.begin() + static_cast<std::ptrdiff_t>(index));
  if (current_ > index || current_ >= photos_.size()) current_ = current_ > 0 ? current_ - 1 : 0;
  return true;
}

void PhotoBatch::clear() noexcept {
  photos_.clear();
  current_ = 0;
}

std::optional<std::size_t> PhotoBatch::find(const std::wstring& path) const {
  const std::wstring key = batch::fold_case(path);
  for (std::size_t i = 0; i < photos_.size(); ++i) {
    if (batch::fold_case(photos_[i].path) == key) return i;
  }
  return std::nullopt;
}

void PhotoBatch::reset_states() {
  for (BatchPhoto& photo : photos_) {
    photo.state = PhotoState::waiting;
    photo.result.reset();
  }
}

std::size_t PhotoBatch::count(PhotoState state) const noexcept {
  return static_cast<std::size_t>(
      std::count_if(photos_.begin(), photos_.end(), [state](const BatchPhoto& photo) { return photo.state == state; }));
}

}  // namespace orvane::app
