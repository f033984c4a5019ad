#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "photo_thumbnail.h"
#include "scaffold/ui_task_queue.h"
#include "thumbnail_cache.h"

namespace orvane::app {

// Makes the thumbnails of a batch's photos on a worker thread, one at a time, from the camera's
// embedded thumbnail when there is one, else from a decode dropped once shrunk; kept in a cache
// bounded in bytes, so a shoot of hundreds costs little. Each arrives on the thread that made the
// loader (the window's).
class ThumbnailLoader {
 public:
  using Handler = std::function<void(const std::wstring& path, std::shared_ptr<const engine::Thumbnail> thumbnail)>;

  ThumbnailLoader(std::uint32_t side, Handler on_thumbnail);
  // Stops after the thumbnail in progress; nothing is reported afterwards.
  ~ThumbnailLoader();
  ThumbnailLoader(const ThumbnailLoader&) = delete;
  ThumbnailLoader& operator=(const ThumbnailLoader&) = delete;

  // The thumbnails wanted now, in order; those asked for before and not made yet are dropped.
  void request(std::vector<std::wstring> paths);

 private:
  void loop();

  const std::uint32_t side_;
  Handler on_thumbnail_;
  engine::ThumbnailCache cache_;
  win32_ui::scaffold::UiTaskQueue tasks_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::wstring> queue_;
  bool stopping_ = false;
  std::thread worker_;  // last: started once everything above is made
};

}  // namespace orvane::app
