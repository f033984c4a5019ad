#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "folder_search.h"

namespace orvane::app {

class OrvaneApplication;

// Opening photos: the open dialog (one or several), files and folders dropped on the window, or
// paths given by the caller. An image is decoded aside, off the window's thread, and handed to the
// application only when it can be shown; several become the window's list.
class OpenFlow {
 public:
  explicit OpenFlow(OrvaneApplication& application) : application_(application) {}
  OpenFlow(const OpenFlow&) = delete;
  OpenFlow& operator=(const OpenFlow&) = delete;

  // Asks for images with the open dialog and opens them.
  void choose_image();
  // Opens what was dropped or named: one file as open_image does; several, or folders (with their
  // sub-folders, the image files in them), as the window's list.
  void open_paths(const std::vector<std::wstring>& paths);
  // Starts opening an image: a missing path or a folder does nothing, an unreadable file says so
  // once it has been tried, and the image that was open stays open then.
  void open_image(const std::wstring& path);
  // The decode of the newest open ended: `error` is empty when the photo is ready.
  void finish_open(const std::wstring& path, const std::wstring& error);
  // Opens what a drop on the window holds (and lets the drop go); nothing while an export runs.
  void take_drop(HDROP drop);

  // Folders named or dropped are being looked through.
  [[nodiscard]] bool searching() const noexcept { return search_.running(); }

 private:
  OrvaneApplication& application_;
  FolderSearch search_;
};

}  // namespace orvane::app
