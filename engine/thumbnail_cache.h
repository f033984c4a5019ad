#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "photo_thumbnail.h"

namespace orvane::engine {

// Thumbnails made once and shared, for a list of many photos. An entry is known by the file's full
// path, its size and its last write time, and the side asked for: a file changed since is made
// again. The cache holds at most its budget of bytes and lets the least recently used entries go
// first. Every thumbnail is handed out shared and immutable, so one costs its pixels once however
// many hold it. Safe on several threads at once; thumbnails are made outside the lock.
class ThumbnailCache {
 public:
  static constexpr std::size_t kDefaultBudget = std::size_t{32} << 20;

  explicit ThumbnailCache(std::size_t budget_bytes = kDefaultBudget);
  ThumbnailCache(const ThumbnailCache&) = delete;
  ThumbnailCache& operator=(const ThumbnailCache&) = delete;

  // The thumbnail of `path` (see make_thumbnail); null with the message when it cannot be made.
  // Failures are not kept. A thumbnail larger than the whole budget is handed out but not kept.
  [[nodiscard]] std::shared_ptr<const Thumbnail> get(const std::wstring& path, std::uint32_t max_side,
                                                     std::wstring& error);

  // A new budget; entries beyond it go at once.
  void set_budget(std::size_t budget_bytes);
  [[nodiscard]] std::size_t budget() const;
  [[nodiscard]] std::size_t bytes_held() const;
  [[nodiscard]] std::size_t entries() const;
  void clear();

  // What one thumbnail is counted to cost while it is held.
  [[nodiscard]] static std::size_t cost_of(const Thumbnail& thumbnail) noexcept;

 private:
  struct Entry {
    std::wstring key;
    std::uint64_t file_size = 0;
    std::uint64_t write_time = 0;
    std::shared_ptr<const Thumbnail> thumbnail;
    std::size_t cost = 0;
  };
  using Order = std::list<Entry>;  // most recently used first

  void evict_to(std::size_t budget_bytes);  // with the lock held
  void erase(Order::iterator entry);        // with the lock held

  mutable std::mutex mutex_;
  std::size_t budget_;
  std::size_t held_ = 0;
  Order order_;
  std::unordered_map<std::wstring, Order::iterator> index_;
};

}  // namespace orvane::engine
