#include "folder_search.h"

#include <chrono>
#include <exception>
#include <utility>

#include "batch_plan.h"
#include "file_system.h"
#include "input_search.h"

namespace orvane::app {

FolderSearch::~FolderSearch() { cancel(); }

void FolderSearch::cancel() {
  if (stop_) stop_->store(true);
  running_ = false;
  ++generation_;
  // Let go rather than wait: a listing of a slow share may take a while to notice the stop. The
  // worker touches only what it owns and the queue's poster, whose tasks are dropped once the
  // queue has gone.
  if (worker_.joinable()) worker_.detach();
}

void FolderSearch::start(std::vector<std::wstring> paths, FoundHandler on_found, DoneHandler on_done) {
  cancel();
  stop_ = std::make_shared<std::atomic<bool>>(false);
  running_ = true;
  const std::uint64_t generation = generation_;
  worker_ = std::thread([this, poster = tasks_.poster(), stop = stop_, generation, paths = std::move(paths),
                         on_found = std::move(on_found), on_done = std::move(on_done)] {
    std::vector<std::wstring> photos;
    try {
      batch::SearchOptions options;
      options.recursive = true;
      options.stop = [stop] { return stop->load(); };
      // The count now and then, not for every file.
      auto last = std::chrono::steady_clock::now();
      options.found = [&](std::size_t files) {
        const auto now = std::chrono::steady_clock::now();
        if (now - last < std::chrono::milliseconds(150)) return;
        last = now;
        poster.post([this, generation, files, on_found] {
          if (generation == generation_ && running_ && on_found) on_found(files);
        });
      };
      for (const std::wstring& path : paths) {
        if (stop->load()) return;
        if (engine::path_kind(path) != engine::PathKind::folder) {
          photos.push_back(path);
          continue;
        }
        for (const batch::FoundFile& found : batch::search_inputs({path}, options).files) {
          if (batch::has_image_extension(found.path)) photos.push_back(found.path);
        }
      }
    } catch (const std::exception&) {
      // Out of memory listing a huge tree: what was found so far is offered.
    }
    if (stop->load()) return;
    poster.post([this, generation, photos = std::move(photos), on_done]() mutable {
      if (generation != generation_ || !running_) return;
      running_ = false;
      if (on_done) on_done(std::move(photos));
    });
  });
}

}  // namespace orvane::app
