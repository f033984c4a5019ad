#include "thumbnail_loader.h"

#include <exception>
#include <utility>

#include "image_export.h"

namespace orvane::app {

ThumbnailLoader::ThumbnailLoader(std::uint32_t side, Handler on_thumbnail)
    : side_(side), on_thumbnail_(std::move(on_thumbnail)), worker_([this] { loop(); }) {}

ThumbnailLoader::~ThumbnailLoader() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void ThumbnailLoader::request(std::vector<std::wstring> paths) {
  {
    const std::lock_guard lock(mutex_);
    queue_.assign(std::make_move_iterator(paths.begin()), std::make_move_iterator(paths.end()));
  }
  wake_.notify_all();
}

void ThumbnailLoader::loop() {
  // Kept started while the loader lives: each thumbnail would otherwise start and stop the library.
  const engine::ImagingSession imaging;
  for (;;) {
    std::wstring path;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      path = std::move(queue_.front());
      queue_.pop_front();
    }
    std::shared_ptr<const engine::Thumbnail> thumbnail;
    std::wstring error;
    try {
      thumbnail = cache_.get(path, side_, error);
    } catch (const std::exception&) {
      thumbnail.reset();  // no memory for it: the row goes without
    }
    // A photo without a thumbnail is told too, so its row stops waiting for one.
    tasks_.post([this, path = std::move(path), thumbnail = std::move(thumbnail)] {
      if (on_thumbnail_) on_thumbnail_(path, thumbnail);
    });
  }
}

}  // namespace orvane::app
