// The window stays answering while a large photo opens, and the preview follows fast typing to its
// last value. The one timing bound here is the responsiveness check: a window that does not answer
// a message for 100 ms has stopped following its user.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "command_ids.h"
#include "controls_panel.h"
#include "desktop.h"
#include "modern/native/win32_edit.h"
#include "modern/tree/view_root.h"
#include "modern/surface.h"
#include "modern/widgets/progress_bar.h"
#include "modern/widgets/widget.h"
#include "orvane_application.h"
#include "image_header.h"
#include "preview_renderer.h"
#include "program_driver.h"
#include "test_support.h"
#include "views/preview_view.h"
#include "watermark_settings.h"

namespace responsiveness_test {
namespace {

using orvane::app::OrvaneApplication;
using namespace program_driver;

// Sends WM_NULL to a window from its own thread every few milliseconds and keeps the longest wait
// for the answer; a message not answered within 100 ms counts as a stall.
class Watcher {
 public:
  // Watches until stop() or, when given, until `until` holds (asked on the watcher's thread).
  explicit Watcher(HWND window, std::function<bool()> until = {})
      : thread_([this, window, until = std::move(until)] {
          while (!stop_ && !(until && until())) {
            const auto sent = std::chrono::steady_clock::now();
            DWORD_PTR result = 0;
            if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 100, &result) == 0) ++stalls_;
            const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent);
            longest_ = std::max<long long>(longest_, waited.count());
            ++probes_;
            Sleep(5);
          }
        }) {}
  ~Watcher() { stop(); }
  void stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  [[nodiscard]] int stalls() const { return stalls_; }
  [[nodiscard]] int probes() const { return probes_; }
  [[nodiscard]] long long longest() const { return longest_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> stalls_{0};
  std::atomic<int> probes_{0};
  std::atomic<long long> longest_{0};
  std::thread thread_;
};

// What the status line under the preview says.
std::wstring status_of(OrvaneApplication& application) {
  win32_ui::modern::View* root = application.window().surface().root();
  const win32_ui::modern::Widget* status =
      root != nullptr ? win32_ui::modern::find_widget_by_command(*root, orvane::app::command_number(orvane::app::CommandId::status))
                      : nullptr;
  return status != nullptr ? std::wstring(status->label()) : std::wstring();
}

// 12000 x 9000, the largest camera photos there are, as "huge.jpg"; flat bands keep the file small
// and quick to write. Empty when it cannot be written.
std::wstring make_huge_photo(const orvane::test::TempDir& folder) {
  const std::wstring huge = folder.file(L"huge.jpg");
  orvane::test::Pixels pixels{12000, 9000, std::vector<std::uint32_t>(std::size_t{12000} * 9000)};
  for (std::uint32_t y = 0; y < pixels.height; ++y) {
    std::fill_n(&pixels.argb[std::size_t{y} * pixels.width], pixels.width, 0xFF000000u | (y / 40 * 0x010203u & 0xFFFFFFu));
  }
  return orvane::test::save_pixels(pixels, huge, L"image/jpeg") ? huge : std::wstring();
}

TEST(Responsiveness, OpeningA108MegapixelPhotoKeepsTheWindowAnswering) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring huge = make_huge_photo(folder);
  ASSERT_FALSE(huge.empty());
  const std::wstring small = folder.file(L"small.png");
  ASSERT_TRUE(orvane::test::save_pixels(orvane::test::make_pattern(600, 400), small, L"image/png"));

  Program program(small);
  OrvaneApplication& application = program.application();
  Watcher watcher(program.hwnd());
  application.open_image(huge);
  // While it decodes: the photo open so far stays open and is still previewed, and the window says
  // what it is opening.
  EXPECT_TRUE(application.preview_busy());
  desktop::pump(150);
  const bool still_opening = application.preview_busy();
  EXPECT_EQ(application.image_path(), std::filesystem::absolute(small).wstring());
  EXPECT_TRUE(application.preview()->busy());
  EXPECT_EQ(status_of(application), L"Opening huge.jpg…");
  save_shot(program.hwnd(), L"responsiveness_opening.png");
  ASSERT_TRUE(program.settle(60000)) << "the photo did not open within a minute";
  watcher.stop();
  EXPECT_EQ(application.image_path(), std::filesystem::absolute(huge).wstring());
  EXPECT_FALSE(application.preview()->busy());
  save_shot(program.hwnd(), L"responsiveness_opened.png");
  EXPECT_TRUE(still_opening) << "the open ended at once: the check proves nothing";
  EXPECT_EQ(watcher.stalls(), 0) << "longest wait " << watcher.longest() << " ms";
  EXPECT_GT(watcher.probes(), 5);
  EXPECT_EQ(status_of(application), L"Opened huge.jpg · Changes preview live");
  // Opened and shown, the window is idle: the bar stopped, no timer runs, nothing paints.
  win32_ui::modern::Surface& surface = application.window().surface();
  surface.enable_statistics(true);
  desktop::pump(100);
  const std::uint64_t frames = surface.statistics().frames;
  desktop::pump(400);
  EXPECT_EQ(surface.statistics().frames, frames) << "an idle window painted";
  EXPECT_FALSE(surface.frame_timer_pending());

  // Another photo chosen while the large one decodes wins, whichever finishes first.
  application.open_image(small);
  ASSERT_TRUE(program.settle());
  // As large, so that a decode given up and shown anyway would stay on screen while this one runs.
  const std::wstring other = folder.file(L"other.jpg");
  ASSERT_TRUE(CopyFileW(huge.c_str(), other.c_str(), TRUE));
  application.open_image(huge);
  desktop::pump(20);
  application.open_image(other);
  bool huge_shown = false;
  ASSERT_TRUE(desktop::pump_until(
      [&] {
        huge_shown = huge_shown || application.image_path() == std::filesystem::absolute(huge).wstring();
        return !application.preview_busy();
      },
      60000));
  desktop::pump(300);
  EXPECT_FALSE(huge_shown) << "the photo given up was opened on its way";
  EXPECT_EQ(application.image_path(), std::filesystem::absolute(other).wstring());
  EXPECT_EQ(status_of(application), L"Opened other.jpg · Changes preview live");
  EXPECT_EQ(application.preview()->accessible_name().value_or(L""), L"Preview of other.jpg, 12000 \u00D7 9000, JPG");
}

// The frame the preview shows, byte for byte.
std::vector<std::uint8_t> shown_pixels(const OrvaneApplication& application) {
  const auto& image = application.preview()->image();
  return {image.pixels().begin(), image.pixels().end()};
}

// The frame of the current settings drawn afresh from `photo` for the area the preview shows; empty
// when it cannot be drawn.
orvane::engine::PreviewFrame fresh_frame(OrvaneApplication& application, const std::wstring& photo) {
  const orvane::app::PreviewView::PixelSize area = application.preview()->picture_area();
  std::unique_ptr<orvane::engine::PreviewRenderer> renderer;
  std::wstring error;
  orvane::engine::PreviewFrame frame;
  EXPECT_TRUE(orvane::engine::load_preview_source(renderer, photo, 1600, error));
  EXPECT_TRUE(orvane::engine::render_preview_frame(
      renderer, orvane::app::make_options(application.settings(), application.image_path()), frame, error, area.width,
      area.height));
  return frame;
}

TEST(Responsiveness, FastTypingEndsWithThePreviewOfTheLastValue) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring photo = folder.file(L"photo.png");
  ASSERT_TRUE(orvane::test::save_pixels(orvane::test::make_pattern(3000, 2000), photo, L"image/png"));
  Program program(photo);
  OrvaneApplication& application = program.application();
  auto* edit = application.controls().size_edit();
  ASSERT_NE(edit, nullptr);
  SetFocus(static_cast<HWND>(edit->native_window()));
  desktop::press_key(VK_END);
  desktop::pump(50);
  ASSERT_EQ(application.settings().font_size, 36.0f);
  // "36" -> "360" -> "36" a few times, every key injected at once: frames are asked for faster than
  // they can be drawn.
  for (int i = 0; i < 4; ++i) {
    desktop::press_key('0');
    desktop::press_key(VK_BACK);
  }
  ASSERT_TRUE(program.settle());
  EXPECT_EQ(application.settings().font_size, 36.0f);
  // The frame shown is the one of size 36, drawn afresh for the area the preview shows.
  const orvane::engine::PreviewFrame expected = fresh_frame(application, photo);
  EXPECT_LE(expected.width, application.preview()->picture_area().width);
  EXPECT_TRUE(shown_pixels(application) == expected.pixels) << "the preview does not show size 36";
  // And at 360 the other way round.
  desktop::press_key('0');
  ASSERT_TRUE(program.settle());
  EXPECT_EQ(application.settings().font_size, 360.0f);
  EXPECT_FALSE(shown_pixels(application) == expected.pixels);
  save_shot(program.hwnd(), L"responsiveness_typed.png");
}

// A paragraph pasted into the text: the edit keeps the longest text a watermark may have, the
// window keeps answering while its frame renders, and the frame shown is that text's.
TEST(Responsiveness, APastedParagraphStopsAtTheLongestTextAndIsPreviewed) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring photo = folder.file(L"photo.png");
  ASSERT_TRUE(orvane::test::save_pixels(orvane::test::make_pattern(3000, 2000), photo, L"image/png"));
  Program program(photo);
  OrvaneApplication& application = program.application();
  std::wstring paragraph;
  while (paragraph.size() < orvane::engine::max_text_length + 200) {
    paragraph += L"\u00A9 2026 Studio Kestrune \u00B7 all rights reserved \u00B7 www.example.com/portfolio \u00B7 ";
  }
  paragraph.resize(orvane::engine::max_text_length + 200);
  ASSERT_TRUE(OpenClipboard(program.hwnd()));
  EmptyClipboard();
  const std::size_t bytes = (paragraph.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  ASSERT_NE(memory, nullptr);
  std::memcpy(GlobalLock(memory), paragraph.c_str(), bytes);
  GlobalUnlock(memory);
  ASSERT_NE(SetClipboardData(CF_UNICODETEXT, memory), nullptr);
  CloseClipboard();

  const HWND edit = static_cast<HWND>(application.controls().text_edit()->native_window());
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  Watcher watcher(program.hwnd());
  desktop::press_key('V', false, true);
  ASSERT_TRUE(program.settle());
  watcher.stop();
  EXPECT_EQ(application.settings().text, paragraph.substr(0, orvane::engine::max_text_length));
  EXPECT_EQ(watcher.stalls(), 0) << "longest wait " << watcher.longest() << " ms";
  EXPECT_TRUE(shown_pixels(application) == fresh_frame(application, photo).pixels)
      << "the preview does not show the pasted text";
  save_shot(program.hwnd(), L"responsiveness_longest_text.png");
}

// The file names in a folder, sorted.
std::vector<std::wstring> names_in(const orvane::test::TempDir& folder) {
  std::vector<std::wstring> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) names.push_back(entry.path().filename().wstring());
  std::sort(names.begin(), names.end());
  return names;
}

// A 108 MP photo is written aside: the window answers throughout, shows how far the export has come
// with Open and Export disabled, and Cancel stops it without leaving a file behind.
TEST(Responsiveness, ExportingA108MegapixelPhotoKeepsTheWindowAnsweringAndCanBeCancelled) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring huge = make_huge_photo(folder);
  ASSERT_FALSE(huge.empty());
  Program program(huge);
  ASSERT_TRUE(program.settle(60000)) << "the photo did not open within a minute";
  OrvaneApplication& application = program.application();
  // The content is built anew with the language: widgets are looked up each time.
  const auto widget = [&](orvane::app::CommandId id) {
    return win32_ui::modern::find_widget_by_command(*application.window().surface().root(), orvane::app::command_number(id));
  };
  const auto bar_value = [&] {
    const auto* bar = dynamic_cast<const win32_ui::modern::ProgressBar*>(widget(orvane::app::CommandId::export_progress));
    return bar != nullptr && bar->visibility() == win32_ui::layout::Visibility::visible ? bar->value() : -1.0;
  };

  // 1. Cancelled with the mouse once the photo is decoded: nothing written, no temporary file left.
  {
    Hand hand([&] { fill_file_dialog(folder.file(L"cancelled.jpg")); });
    desktop::press_key('S', false, true);
    hand.finish();
  }
  ASSERT_TRUE(application.exporting());
  EXPECT_FALSE(widget(orvane::app::CommandId::open)->enabled());
  EXPECT_FALSE(widget(orvane::app::CommandId::export_image)->enabled());
  EXPECT_EQ(status_of(application), L"Exporting cancelled.jpg…");
  ASSERT_TRUE(desktop::pump_until([&] { return bar_value() > 0.0 || !application.exporting(); }, 60000));
  ASSERT_TRUE(application.exporting()) << "the export ended before it could be cancelled";
  save_shot(program.hwnd(), L"responsiveness_export_progress.png");
  // Another language and palette while it runs: the new content shows the same export.
  application.set_language(orvane::app::UiLanguage::simplified_chinese);
  application.set_theme(win32_ui::modern::ThemeMode::dark);
  desktop::pump(200);
  if (application.exporting()) {
    EXPECT_EQ(status_of(application), L"正在导出 cancelled.jpg…");
    EXPECT_GT(bar_value(), 0.0);
    EXPECT_FALSE(widget(orvane::app::CommandId::open)->enabled());
    save_shot(program.hwnd(), L"responsiveness_export_progress_chinese_dark.png");
  }
  application.set_language(orvane::app::UiLanguage::english);
  application.set_theme(win32_ui::modern::ThemeMode::light);
  desktop::pump(100);
  ASSERT_TRUE(application.exporting()) << "the export ended before it could be cancelled";
  desktop::click(program.hwnd(), program.centre_of_command(orvane::app::command_number(orvane::app::CommandId::cancel_export)));
  ASSERT_TRUE(desktop::pump_until([&] { return !application.exporting(); }, 60000));
  desktop::pump(100);
  EXPECT_EQ(status_of(application), L"Export cancelled · cancelled.jpg was not written");
  EXPECT_EQ(names_in(folder), std::vector<std::wstring>{L"huge.jpg"});
  EXPECT_TRUE(widget(orvane::app::CommandId::open)->enabled());
  EXPECT_TRUE(widget(orvane::app::CommandId::export_image)->enabled());

  // 2. Written to the end while another thread keeps asking the window for an answer; the bar is seen
  // between its ends on the way.
  // Watched from the save dialog's answer until the finished file takes its name: the dialogs before
  // and after are the system's and the toolkit's windows being made, not the export.
  const std::wstring output = folder.file(L"written.jpg");
  std::optional<Watcher> watcher;
  std::atomic<bool> answered{false};
  std::atomic<bool> close_asked{false};
  double between = 0.0;
  {
    Hand hand([&] {
      if (!fill_file_dialog(output)) return;
      // Closing the window while it writes asks first; No keeps it writing.
      HWND question = wait_for_window(L"Win32UiScaffoldWindow_v1", L"Export in progress", 30000);
      if (question != nullptr) {
        close_asked = true;
        Sleep(150);
        save_shot(question, L"responsiveness_close_question.png");
        SetForegroundWindow(question);
        key(VK_ESCAPE);
      }
      if (dismiss_message(L"Export complete", L"responsiveness_export_done.png", 120000) == L"Export complete") {
        answered = true;
      }
    });
    desktop::press_key('S', false, true);
    ASSERT_TRUE(application.exporting());
    PostMessageW(program.hwnd(), WM_CLOSE, 0, 0);
    watcher.emplace(program.hwnd(), [&output] { return std::filesystem::exists(output); });
    ASSERT_TRUE(desktop::pump_until(
        [&] {
          if (const double value = bar_value(); value > 0.0 && value < 1.0) between = value;
          return answered.load();
        },
        120000));
    hand.finish();
  }
  watcher->stop();
  EXPECT_TRUE(close_asked) << "closing during the export did not ask";
  EXPECT_TRUE(IsWindow(program.hwnd())) << "the window closed although the user said No";
  EXPECT_TRUE(answered);
  EXPECT_GT(between, 0.0) << "the progress never showed between its ends";
  EXPECT_EQ(watcher->stalls(), 0) << "longest wait " << watcher->longest() << " ms";
  EXPECT_GT(watcher->probes(), 20);
  const auto written = orvane::engine::read_image_dimensions(output);
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(written->width, 12000u);
  EXPECT_EQ(written->height, 9000u);
  EXPECT_EQ(status_of(application), L"Exported: written.jpg");
  EXPECT_EQ(names_in(folder), (std::vector<std::wstring>{L"huge.jpg", L"written.jpg"}));
}

// A batch of 24 MP photos is written by the batch engine's workers while the window answers
// throughout; the list follows each photo to its end.
TEST(Responsiveness, ExportingABatchOf24MegapixelPhotosKeepsTheWindowAnswering) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring first = folder.file(L"shot-1.jpg");
  ASSERT_TRUE(orvane::test::save_pixels(orvane::test::make_pattern(6000, 4000), first, L"image/jpeg"));
  std::vector<std::wstring> photos{first};
  for (int i = 2; i <= 6; ++i) {
    photos.push_back(folder.file(L"shot-" + std::to_wstring(i) + L".jpg"));
    ASSERT_TRUE(CopyFileW(first.c_str(), photos.back().c_str(), FALSE));
  }
  const std::filesystem::path out = folder.path() / L"out";
  std::filesystem::create_directories(out);
  Program program(L"");
  OrvaneApplication& application = program.application();
  application.open_photos(photos);
  ASSERT_TRUE(program.settle(60000));
  const auto written = [&] {
    std::size_t copies = 0;
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
      if (entry.path().filename().wstring().ends_with(L"-watermarked.jpg")) ++copies;
    }
    return copies;
  };
  std::atomic<bool> summary_seen{false};
  {
    // The summary at the end is answered by the hand; the watcher stops when the last copy is in place.
    Hand hand([&] {
      HWND summary = wait_for_window(L"Win32UiScaffoldWindow_v1", L"Export finished", 180000);
      if (summary == nullptr) return;
      summary_seen = true;
      Sleep(150);
      SetForegroundWindow(summary);
      key(VK_ESCAPE);  // the folder is not opened
    });
    application.batch_export().export_into(out.wstring());
    ASSERT_TRUE(application.exporting());
    Watcher watcher(program.hwnd(), [&] { return written() == photos.size(); });
    hand.finish();
    watcher.stop();
    EXPECT_EQ(watcher.stalls(), 0) << "longest wait " << watcher.longest() << " ms";
    EXPECT_GT(watcher.probes(), 20);
  }
  EXPECT_TRUE(summary_seen);
  EXPECT_EQ(application.batch_export().figures().written, photos.size());
  EXPECT_EQ(written(), photos.size());
  EXPECT_EQ(application.batch().count(orvane::app::PhotoState::written), photos.size());
}

}  // namespace
}  // namespace responsiveness_test
