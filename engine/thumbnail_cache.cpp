#include "thumbnail_cache.h"

#include <windows.h>

#include <optional>

#include "file_identity.h"

namespace orvane::engine {
namespace {

struct FileStamp {
  std::uint64_t size = 0;
  std::uint64_t write_time = 0;
};

std::optional<FileStamp> stamp_of(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
  return FileStamp{(std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow,
                   (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime};
}

// One key per file however its path is spelled (relative, other case, other separators), and per side.
std::wstring key_of(const std::wstring& path, std::uint32_t max_side) {
  std::wstring key = full_path(path);
  if (!key.empty()) CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
  key += L'|';
  key += std::to_wstring(max_side);
  return key;
}

}  // namespace

ThumbnailCache::ThumbnailCache(std::size_t budget_bytes) : budget_(budget_bytes) {}

std::size_t ThumbnailCache::cost_of(const Thumbnail& thumbnail) noexcept {
  return sizeof(Thumbnail) + thumbnail.pixels.capacity();
}

std::shared_ptr<const Thumbnail> ThumbnailCache::get(const std::wstring& path, std::uint32_t max_side,
                                                     std::wstring& error) {
  const auto stamp = stamp_of(path);
  const std::wstring key = key_of(path, max_side);
  if (stamp) {
    const std::lock_guard lock(mutex_);
    if (const auto found = index_.find(key); found != index_.end()) {
      const Order::iterator entry = found->second;
      if (entry->file_size == stamp->size && entry->write_time == stamp->write_time) {
        order_.splice(order_.begin(), order_, entry);
        return entry->thumbnail;
      }
      erase(entry);  // the file changed: its old thumbnail is of no more use
    }
  }
  auto made = std::make_shared<Thumbnail>();
  if (!make_thumbnail(path, max_side, *made, error)) return nullptr;
  if (!stamp) return made;  // nothing to know it again by
  const std::size_t cost = cost_of(*made);
  const std::lock_guard lock(mutex_);
  if (const auto found = index_.find(key); found != index_.end()) {
    const Order::iterator entry = found->second;
    // Another thread made the same one meanwhile: everyone shares the first.
    if (entry->file_size == stamp->size && entry->write_time == stamp->write_time) {
      order_.splice(order_.begin(), order_, entry);
      return entry->thumbnail;
    }
    erase(entry);
  }
  if (cost > budget_) return made;
  evict_to(budget_ - cost);
  order_.push_front(Entry{key, stamp->size, stamp->write_time, made, cost});
  index_.emplace(key, order_.begin());
  held_ += cost;
  return made;
}

void ThumbnailCache::set_budget(std::size_t budget_bytes) {
  const std::lock_guard lock(mutex_);
  budget_ = budget_bytes;
  evict_to(budget_);
}

std::size_t ThumbnailCache::budget() const {
  const std::lock_guard lock(mutex_);
  return budget_;
}

std::size_t ThumbnailCache::bytes_held() const {
  const std::lock_guard lock(mutex_);
  return held_;
}

std::size_t ThumbnailCache::entries() const {
  const std::lock_guard lock(mutex_);
  return order_.size();
}

void ThumbnailCache::clear() {
  const std::lock_guard lock(mutex_);
  index_.clear();
  order_.clear();
  held_ = 0;
}

void ThumbnailCache::evict_to(std::size_t budget_bytes) {
  while (held_ > budget_bytes && !order_.empty()) erase(std::prev(order_.end()));
}

void ThumbnailCache::erase(Order::iterator entry) {
  held_ -= entry->cost;
  index_.erase(entry->key);
  order_.erase(entry);
}

}  // namespace orvane::engine
