#pragma once

// What the program tests share: the program started on a photo in this process, the windows it opens
// found by class and title, and a user's hand on a second thread that answers its modal dialogs.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "test_files.h"
#include "test_support.h"

namespace win32_ui::modern {
class View;
}

namespace orvane::app {
class OrvaneApplication;
}

namespace program_driver {

// COM for the common dialogs and the image decoder, GDI+ for writing and reading test pictures.
struct Environment {
  Environment();
  ~Environment();
  orvane::test::GdiplusScope gdiplus;
};

// The program's window, created on `photo` (none when empty), in front and painted. The main
// window is remembered so that searches for its dialogs never take it.
class Program {
 public:
  explicit Program(const std::wstring& photo);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  [[nodiscard]] orvane::app::OrvaneApplication& application() noexcept { return *application_; }
  // Dispatches messages until the photo asked for is open and the last frame asked for is shown (and
  // painted); false when that took more than `timeout_milliseconds`.
  bool settle(int timeout_milliseconds = 20000);
  [[nodiscard]] orvane::app::OrvaneApplication* operator->() noexcept { return application_.get(); }
  [[nodiscard]] HWND hwnd() const noexcept { return window_; }
  // The client-pixel centre of the widget with this command id, or {-1, -1}.
  [[nodiscard]] POINT centre_of_command(std::uint32_t id);

 private:
  std::unique_ptr<orvane::app::OrvaneApplication> application_;
  HWND window_ = nullptr;
};

// The real orvane.exe in its own process, started on a photo; its main window found once it shows.
// Ended (closed, then killed if it lingers) on destruction.
class ChildProgram {
 public:
  explicit ChildProgram(const std::wstring& photo);
  ~ChildProgram();
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;

  [[nodiscard]] bool started() const noexcept { return process_ != nullptr; }
  [[nodiscard]] DWORD id() const noexcept { return id_; }
  // Its main window, or null when none showed within 15 seconds.
  [[nodiscard]] HWND window() const noexcept { return window_; }
  // Closes the window and waits for the process; its exit code, or -1 when it did not end in 15 seconds.
  long close_and_wait();

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
  HWND window_ = nullptr;
};

// A visible window of a process with a class and (part of a) title, other than `exclude`, or null.
[[nodiscard]] HWND find_window_of(DWORD process_id, const wchar_t* window_class, const std::wstring& title_part,
                                  HWND exclude = nullptr);
// A window of this process other than the program's main window, once it shows, or null.
[[nodiscard]] HWND wait_for_window(const wchar_t* window_class, const std::wstring& title, int milliseconds = 5000);

// Drops files and folders on a window as Explorer does: a DROPFILES block with wide names.
void drop_files(HWND window, const std::vector<std::wstring>& paths);

// Keys for the hand's thread: each waits a little after itself, as a user does.
void key(WORD vk);
void type(const std::wstring& text);
// Keeps a picture of a window's client area in the test's artefact folder (a failure fails nothing).
void save_shot(HWND window, const std::wstring& name);
// A photo that looks like one (sky, sun, hills), 1500 x 1000, as "hills.jpg" in `folder`; empty when it
// cannot be written.
[[nodiscard]] std::wstring make_scene(const orvane::test::TempDir& folder);
// Scrolls the settings column so that `view` shows, as a user scrolls to a control before using it.
void reveal(const win32_ui::modern::View& view);
// A point of a view (revealed first), `fraction` of the way across and half-way down, in the main
// window's client pixels.
[[nodiscard]] POINT point_of(HWND window, const win32_ui::modern::View& view, float fraction = 0.5f);

// A user's hand on another thread: it waits for the windows the program opens and types and presses
// keys there, while the program's own thread sits in the dialog's modal loop.
class Hand {
 public:
  explicit Hand(std::function<void()> script);
  ~Hand();
  Hand(const Hand&) = delete;
  Hand& operator=(const Hand&) = delete;
  // Runs the program's side until the hand is done.
  void finish();

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// Types a name into the next open or save dialog in place of what it suggests, and accepts it.
bool fill_file_dialog(const std::wstring& name, const std::wstring& picture = {});
// Answers the next message dialog with Enter and returns its title ("(no dialog)" when none shows
// within `milliseconds`).
std::wstring dismiss_message(const std::wstring& expected_title, const std::wstring& picture = {},
                             int milliseconds = 5000);
// Exports with Ctrl+S through the save dialog to `output` and answers the message; true when the
// message said the export is complete.
bool export_with_ctrl_s(const std::wstring& output);

}  // namespace program_driver
