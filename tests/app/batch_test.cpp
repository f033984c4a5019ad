// A whole shoot in the window: a dropped folder becomes a list with thumbnails, a row chosen is
// previewed, and Export writes every photo into a folder picked in the real folder dialog with the
// rules orvane-cli keeps (existing copies asked about once, broken photos reported, sources never
// touched); Cancel half-way finishes the photos in progress and starts no more.

#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "desktop.h"
#include "image_header.h"
#include "orvane_application.h"
#include "program_driver.h"
#include "test_support.h"
#include "views/batch_list.h"

namespace batch_test {
namespace {

using orvane::app::OrvaneApplication;
using orvane::app::PhotoState;
using namespace program_driver;
namespace fs = std::filesystem;

// The names in a folder, sorted.
std::vector<std::wstring> names_in(const fs::path& folder) {
  std::vector<std::wstring> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().wstring());
  std::sort(names.begin(), names.end());
  return names;
}

// The folder picker: the folder typed into its name box and accepted. Where the dialog goes into
// the folder rather than choosing it, a second Enter chooses the folder it now shows.
bool fill_folder_dialog(const std::wstring& folder, const std::wstring& picture = {}) {
  HWND dialog = wait_for_window(L"#32770", L"", 10000);
  if (dialog == nullptr) return false;
  Sleep(300);
  if (!picture.empty()) save_shot(dialog, picture);
  SetForegroundWindow(dialog);
  key(VK_END);
  for (int i = 0; i < 80; ++i) key(VK_BACK);
  type(folder);
  key(VK_RETURN);
  Sleep(600);
  if (IsWindow(dialog) && IsWindowVisible(dialog)) key(VK_RETURN);
  return true;
}

// `count` photos "photo-01.jpg"... of one size in `folder`: one written, the rest copies of it.
std::vector<std::wstring> make_shoot(const fs::path& folder, int count, std::uint32_t width, std::uint32_t height) {
  fs::create_directories(folder);
  std::vector<std::wstring> photos;
  const std::wstring first = (folder / L"photo-01.jpg").wstring();
  if (!orvane::test::save_pixels(orvane::test::make_pattern(width, height), first, L"image/jpeg")) return {};
  photos.push_back(first);
  for (int i = 2; i <= count; ++i) {
    wchar_t name[32];
    swprintf(name, 32, L"photo-%02d.jpg", i);
    const std::wstring path = (folder / name).wstring();
    if (!CopyFileW(first.c_str(), path.c_str(), FALSE)) return {};
    photos.push_back(path);
  }
  return photos;
}

TEST(BatchWindow, ExportsADroppedShootIntoAPickedFolderAndStopsHalfWay) {
  Environment environment;
  orvane::test::TempDir scratch;
  const fs::path shoot = scratch.path() / L"shoot";
  std::vector<std::wstring> photos = make_shoot(shoot, 18, 3000, 2000);
  ASSERT_EQ(photos.size(), 18u);
  // Two broken photos among them, and in a sub-folder one more good one.
  orvane::test::write_bytes((shoot / L"photo-07b.jpg").wstring(), {0xFF, 0xD8, 0xFF, 0xE0, 0x00});
  orvane::test::write_bytes((shoot / L"photo-12b.png").wstring(), {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'g'});
  fs::create_directories(shoot / L"more");
  ASSERT_TRUE(CopyFileW(photos.front().c_str(), (shoot / L"more" / L"extra.jpg").c_str(), FALSE));
  // The output folder already holds one copy, which is to be kept.
  const fs::path out = scratch.path() / L"out";
  fs::create_directories(out);
  orvane::test::write_bytes((out / L"photo-05-watermarked.jpg").wstring(), {'k', 'e', 'e', 'p'});

  Program program(L"");
  OrvaneApplication& application = program.application();
  drop_files(program.hwnd(), {shoot.wstring()});
  // The folder is looked through aside: the drop returns at once, the window says what it does.
  EXPECT_TRUE(application.batch().empty());
  EXPECT_EQ(application.status(), L"Looking for photos\u2026");
  ASSERT_TRUE(program.settle());
  ASSERT_EQ(application.batch().size(), 21u) << "the folder and its sub-folder give 21 photos";
  EXPECT_EQ(application.image_path(), (shoot / L"photo-01.jpg").wstring());

  // The thumbnails arrive; the broken photos get none.
  ASSERT_TRUE(desktop::pump_until(
      [&] {
        return std::count_if(application.batch().photos().begin(), application.batch().photos().end(),
                             [](const orvane::app::BatchPhoto& photo) { return photo.thumbnail != nullptr; }) == 19;
      },
      30000));
  desktop::pump(200);
  save_shot(program.hwnd(), L"batch_list.png");

  const auto index_of = [&](const std::wstring& name) {
    for (std::size_t i = 0; i < application.batch().size(); ++i) {
      if (fs::path(application.batch().at(i).path).filename() == name) return i;
    }
    return application.batch().size();
  };
  // A click on a broken photo: its row says why, the photo shown stays. The keyboard goes on down
  // the list from there, previewing the next one.
  orvane::app::BatchList* list = application.batch_list();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->rows(), 21u);
  desktop::click(program.hwnd(), point_of(program.hwnd(), *list->row(index_of(L"photo-07b.jpg"))));
  ASSERT_TRUE(program.settle());
  EXPECT_EQ(application.batch().at(index_of(L"photo-07b.jpg")).state, PhotoState::failed);
  EXPECT_EQ(application.image_path(), (shoot / L"photo-01.jpg").wstring());
  desktop::press_key(VK_DOWN);
  ASSERT_TRUE(program.settle());
  EXPECT_EQ(application.image_path(), (shoot / L"photo-08.jpg").wstring());
  desktop::pump(100);
  save_shot(program.hwnd(), L"batch_chosen.png");

  // 1. Everything into `out`: asked once about the copy that is there (kept), then a summary.
  std::wstring replace_title;
  std::wstring summary_title;
  {
    Hand hand([&] {
      if (!fill_folder_dialog(out.wstring(), L"batch_folder_dialog.png")) return;
      HWND question = wait_for_window(L"Win32UiScaffoldWindow_v1", L"Replace existing files?", 10000);
      if (question == nullptr) return;
      replace_title = L"Replace existing files?";
      Sleep(200);
      save_shot(question, L"batch_replace_question.png");
      SetForegroundWindow(question);
      key(VK_ESCAPE);  // No: the copy there is kept
      HWND summary = wait_for_window(L"Win32UiScaffoldWindow_v1", L"Export finished", 120000);
      if (summary == nullptr) return;
      summary_title = L"Export finished";
      Sleep(200);
      save_shot(summary, L"batch_summary.png");
      SetForegroundWindow(summary);
      key(VK_ESCAPE);  // the folder is not opened
    });
    desktop::press_key('S', false, true);
    hand.finish();
  }
  EXPECT_EQ(replace_title, L"Replace existing files?");
  ASSERT_EQ(summary_title, L"Export finished");
  const auto& figures = application.batch_export().figures();
  EXPECT_EQ(figures.written, 18u);
  EXPECT_EQ(figures.existing, 1u);
  EXPECT_EQ(figures.failed, 2u);
  const std::wstring& summary = application.batch_export().last_summary();
  EXPECT_NE(summary.find(L"18 written"), std::wstring::npos) << std::string(summary.begin(), summary.end());
  EXPECT_NE(summary.find(L"1 skipped"), std::wstring::npos);
  EXPECT_NE(summary.find(L"photo-07b.jpg: "), std::wstring::npos);
  EXPECT_NE(summary.find(L"photo-12b.png: "), std::wstring::npos);
  // Every good photo has its copy, whole; the one there is untouched; nothing else is left.
  std::vector<std::wstring> expected{L"extra-watermarked.jpg"};
  for (int i = 1; i <= 18; ++i) {
    wchar_t name[40];
    swprintf(name, 40, L"photo-%02d-watermarked.jpg", i);
    expected.push_back(name);
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names_in(out), expected);
  EXPECT_EQ(orvane::test::read_bytes((out / L"photo-05-watermarked.jpg").wstring()),
            (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
  const auto copy = orvane::engine::read_image_dimensions((out / L"photo-18-watermarked.jpg").wstring());
  ASSERT_TRUE(copy.has_value());
  EXPECT_EQ(copy->width, 3000u);
  EXPECT_EQ(application.batch().at(index_of(L"photo-05.jpg")).state, PhotoState::skipped);
  EXPECT_EQ(application.batch().at(index_of(L"photo-12b.png")).state, PhotoState::failed);
  EXPECT_EQ(application.batch().at(index_of(L"photo-18.jpg")).state, PhotoState::written);
  EXPECT_EQ(application.status().rfind(L"21/21 done \u00B7 2 failed \u00B7 ", 0), 0u);
  EXPECT_EQ(application.status().find(L"left"), std::wstring::npos) << "time left shown at the end";
  save_shot(program.hwnd(), L"batch_done.png");

  // 2. Again into an empty folder, in Chinese and dark from half-way (the content is made anew while
  // the batch runs), stopped once a few are written: whole files only, no temporary.
  const fs::path stopped = scratch.path() / L"stopped";
  fs::create_directories(stopped);
  bool stopped_seen = false;
  {
    Hand hand([&] {
      if (!fill_folder_dialog(stopped.wstring())) return;
      HWND summary = wait_for_window(L"Win32UiScaffoldWindow_v1", L"\u5BFC\u51FA\u5DF2\u505C\u6B62", 120000);  // 导出已停止
      if (summary == nullptr) return;
      stopped_seen = true;
      Sleep(200);
      save_shot(summary, L"batch_stopped_summary_chinese_dark.png");
      SetForegroundWindow(summary);
      key(VK_ESCAPE);
    });
    desktop::press_key('S', false, true);
    ASSERT_TRUE(desktop::pump_until([&] { return application.batch_export().figures().written >= 2; }, 60000));
    save_shot(program.hwnd(), L"batch_progress.png");
    application.set_language(orvane::app::UiLanguage::simplified_chinese);
    application.set_theme(win32_ui::modern::ThemeMode::dark);
    ASSERT_TRUE(desktop::pump_until([&] { return application.batch_export().figures().written >= 4; }, 60000));
    desktop::pump(100);
    save_shot(program.hwnd(), L"batch_progress_chinese_dark.png");
    EXPECT_TRUE(application.exporting()) << "the batch ended before it could be stopped";
    desktop::click(program.hwnd(), program.centre_of_command(orvane::app::command_number(orvane::app::CommandId::cancel_export)));
    hand.finish();
  }
  application.set_language(orvane::app::UiLanguage::english);
  application.set_theme(win32_ui::modern::ThemeMode::light);
  desktop::pump(100);
  EXPECT_TRUE(stopped_seen);
  const std::size_t written = application.batch_export().figures().written;
  EXPECT_GE(written, 4u);
  EXPECT_LT(written, 19u) << "the stop came too late to prove anything";
  const std::vector<std::wstring> left = names_in(stopped);
  EXPECT_EQ(left.size(), written);
  for (const std::wstring& name : left) {
    EXPECT_NE(name.find(L"-watermarked.jpg"), std::wstring::npos) << "a temporary file was left";
    EXPECT_TRUE(orvane::engine::read_image_dimensions((stopped / name).wstring()).has_value()) << "a copy is not whole";
  }
  EXPECT_EQ(names_in(shoot).size(), 21u) << "the sources changed";
}

// Several photos chosen together in the real open dialog open as a list; Delete takes one out; two
// photos whose copies would share a name are refused before anything is written.
TEST(BatchWindow, OpensSeveralFromTheDialogRemovesOneAndRefusesTwoCopiesOfOneName) {
  Environment environment;
  orvane::test::TempDir scratch;
  const std::vector<std::wstring> photos = make_shoot(scratch.path() / L"a", 3, 600, 400);
  ASSERT_EQ(photos.size(), 3u);
  Program program(L"");
  OrvaneApplication& application = program.application();
  {
    // The dialog's folder first, then the names, quoted, as Explorer's own multiple choice.
    Hand hand([&] {
      if (!fill_file_dialog((scratch.path() / L"a").wstring() + L"\\")) return;
      Sleep(500);
      type(L"\"photo-01.jpg\" \"photo-03.jpg\" \"photo-02.jpg\"");
      key(VK_RETURN);
    });
    desktop::press_key('O', false, true);
    hand.finish();
  }
  ASSERT_TRUE(program.settle());
  ASSERT_EQ(application.batch().size(), 3u);
  EXPECT_TRUE(application.batch().find(photos[1]).has_value());
  // Delete on the row shown takes it out; the next one is shown.
  orvane::app::BatchList* list = application.batch_list();
  ASSERT_NE(list, nullptr);
  const std::wstring shown = application.image_path();
  desktop::click(program.hwnd(), point_of(program.hwnd(), *list->row(application.batch().current())));
  desktop::press_key(VK_DELETE);
  ASSERT_TRUE(program.settle());
  ASSERT_EQ(application.batch().size(), 2u);
  EXPECT_FALSE(application.batch().find(shown).has_value());
  EXPECT_NE(application.image_path(), shown);

  // A new list whose first photo is broken shows the next one.
  const std::wstring broken = (scratch.path() / L"broken.jpg").wstring();
  orvane::test::write_bytes(broken, {0xFF, 0xD8, 0xFF});
  application.open_photos({broken, photos[0]});
  ASSERT_TRUE(program.settle());
  EXPECT_EQ(application.batch().at(0).state, PhotoState::failed);
  EXPECT_EQ(application.image_path(), photos[0]);

  // A photo of another folder with the same name: both copies would be photo-02-watermarked.jpg.
  const std::vector<std::wstring> other = make_shoot(scratch.path() / L"b", 2, 600, 400);
  ASSERT_EQ(other.size(), 2u);
  application.open_photos({photos[1], other[1]});
  ASSERT_TRUE(program.settle());
  const fs::path out = scratch.path() / L"out";
  fs::create_directories(out);
  std::wstring seen;
  {
    Hand hand([&] { seen = dismiss_message(L"Cannot export these photos", L"batch_refused.png"); });
    application.batch_export().export_into(out.wstring());
    hand.finish();
  }
  EXPECT_EQ(seen, L"Cannot export these photos");
  EXPECT_EQ(application.last_message(),
            L"a\\photo-02.jpg and b\\photo-02.jpg would both be written as photo-02-watermarked.jpg. Remove one of "
            L"them from the list and export again.");
  EXPECT_FALSE(application.exporting());
  EXPECT_TRUE(fs::is_empty(out)) << "something was written";
}

// The bytes this process holds of its own (what Task Manager calls its commit).
std::uint64_t private_bytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
  return counters.PrivateUsage;
}

// A hundred photos cost their small thumbnails, not a decoded photo each: the list of a shoot stays
// light however large its photos are.
TEST(BatchWindow, AHundredPhotosHoldOnlyTheirThumbnails) {
  Environment environment;
  orvane::test::TempDir scratch;
  // 2400 x 1600: a decode kept per photo would hold 15 MB each, 1.5 GB in all.
  const std::vector<std::wstring> photos = make_shoot(scratch.path() / L"shoot", 100, 2400, 1600);
  ASSERT_EQ(photos.size(), 100u);
  Program program(L"");
  OrvaneApplication& application = program.application();
  ASSERT_TRUE(program.settle());
  const std::uint64_t before = private_bytes();
  application.open_photos(photos);
  ASSERT_TRUE(program.settle());
  ASSERT_TRUE(desktop::pump_until(
      [&] {
        return std::all_of(application.batch().photos().begin(), application.batch().photos().end(),
                           [](const orvane::app::BatchPhoto& photo) { return photo.thumbnail != nullptr; });
      },
      120000))
      << "not every thumbnail arrived";
  desktop::pump(200);
  const std::uint64_t grown = private_bytes() - std::min(private_bytes(), before);
  // The preview's copy of the photo shown, the thumbnails and the list's rows: well under 150 MB.
  EXPECT_LT(grown, std::uint64_t{150} << 20) << (grown >> 20) << " MB more";
  save_shot(program.hwnd(), L"batch_hundred.png");
}

}  // namespace
}  // namespace batch_test
