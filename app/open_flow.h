#pragma once

#include <windows.h>

#include <string>

namespace orvane::app {

class OrvaneApplication;

// Opening an image: the open dialog, a file dropped on the window, or a path given by the caller. The
// image is decoded aside, off the window's thread, and handed to the application only when it can be
// shown.
class OpenFlow {
 public:
  explicit OpenFlow(OrvaneApplication& application) noexcept : application_(application) {}
  OpenFlow(const OpenFlow&) = delete;
  OpenFlow& operator=(const OpenFlow&) = delete;

  // Asks for an image with the open dialog and opens it.
  void choose_image();
  // Starts opening an image: a missing path or a folder does nothing, an unreadable file says so
  // once it has been tried, and the image that was open stays open then.
  void open_image(const std::wstring& path);
  // The decode of the newest open ended: `error` is empty when the photo is ready.
  void finish_open(const std::wstring& path, const std::wstring& error);
  // Opens the first file dropped on `window` from now on, until the window is gone.
  void accept_drops(HWND window);

 private:
  static LRESULT CALLBACK subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                        DWORD_PTR data) noexcept;

  OrvaneApplication& application_;
};

}  // namespace orvane::app
