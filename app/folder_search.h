#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "scaffold/ui_task_queue.h"

namespace orvane::app {

// Finds the photos in dropped or named folders (with their sub-folders, the image files orvane-cli -r
// finds) on a worker thread, so a folder tree on a slow disk or share never holds the window; named
// files are kept as they are, in their place. What it finds comes back on the thread that made it.
class FolderSearch {
 public:
  using FoundHandler = std::function<void(std::size_t files)>;
  using DoneHandler = std::function<void(std::vector<std::wstring> photos)>;

  FolderSearch() = default;
  // Gives up a search in progress; nothing is reported afterwards.
  ~FolderSearch();
  FolderSearch(const FolderSearch&) = delete;
  FolderSearch& operator=(const FolderSearch&) = delete;

  // Starts looking through `paths`, giving up any search still running (it reports nothing).
  void start(std::vector<std::wstring> paths, FoundHandler on_found, DoneHandler on_done);
  // Gives the search up; it reports nothing.
  void cancel();
  [[nodiscard]] bool running() const noexcept { return running_; }

 private:
  win32_ui::scaffold::UiTaskQueue tasks_;
  std::shared_ptr<std::atomic<bool>> stop_;
  std::uint64_t generation_ = 0;  // the search whose reports count
  bool running_ = false;
  std::thread worker_;
};

}  // namespace orvane::app
