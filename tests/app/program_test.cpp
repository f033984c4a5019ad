#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <atomic>
#include <cmath>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "command_line.h"
#include "controls_panel.h"
#include "desktop.h"
#include "modern/native/win32_edit.h"
#include "modern/surface.h"
#include "modern/tree/view_group.h"
#include "modern/tree/view_root.h"
#include "modern/widgets/widget.h"
#include "orvane_application.h"
#include "program_driver.h"
#include "test_support.h"

namespace program_test {
namespace {

using orvane::app::OrvaneApplication;
using namespace program_driver;

// A photo to open: a pattern saved as JPEG with the size given.
std::wstring make_photo(const orvane::test::TempDir& folder, const std::wstring& name, std::uint32_t width,
                        std::uint32_t height) {
  const std::wstring path = folder.file(name);
  EXPECT_TRUE(orvane::test::save_pixels(orvane::test::make_pattern(width, height), path, L"image/jpeg"));
  return path;
}

TEST(Program, OpensFromTheCommandLineAndExportsThroughTheSaveDialog) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring photo = make_photo(folder, L"photo.jpg", 900, 600);
  Program program(photo);
  ASSERT_NE(program.hwnd(), nullptr);
  OrvaneApplication& application = program.application();
  HWND window = application.hwnd();
  desktop::pump(200);
  EXPECT_EQ(application.image_path(), std::filesystem::absolute(photo).wstring());
  save_shot(window, L"program_opened.png");
  const orvane::test::Pixels opened = desktop::capture_client(window);

  // A click on Export, then on Open, shows one dialog each: Escape there leaves no second behind it.
  for (const std::uint32_t command : {2u, 1u}) {
    int dialogs = 0;
    Hand hand([&] {
      while (HWND dialog = wait_for_window(L"#32770", L"", dialogs == 0 ? 5000 : 1500)) {
        ++dialogs;
        Sleep(200);
        SetForegroundWindow(dialog);
        key(VK_ESCAPE);
        Sleep(300);
      }
    });
    desktop::click(window, program.centre_of_command(command));
    hand.finish();
    EXPECT_EQ(dialogs, 1) << "command " << command;
  }

  // Ctrl+S: the save dialog suggests photo-watermarked.jpg; the user types another name and saves.
  const std::wstring output = folder.file(L"out.png");
  Hand hand([&] {
    if (!fill_file_dialog(output, L"program_save_dialog.png")) return;
    dismiss_message(L"", L"program_export_done.png");
  });
  desktop::press_key('S', false, true);
  hand.finish();
  desktop::pump(100);
  ASSERT_TRUE(std::filesystem::exists(output)) << "nothing was exported";
  const orvane::test::Pixels exported = orvane::test::load_pixels(output);
  EXPECT_EQ(exported.width, 900u);
  EXPECT_EQ(exported.height, 600u);
  // The watermark changed some pixels and left most of the photo alone.
  const orvane::test::Pixels source = orvane::test::load_pixels(photo);
  int changed = 0;
  for (std::size_t i = 0; i < source.argb.size(); ++i) {
    const auto a = source.argb[i];
    const auto b = exported.argb[i];
    const int difference = std::abs(static_cast<int>(a & 0xFF) - static_cast<int>(b & 0xFF));
    if (difference > 40) ++changed;
  }
  EXPECT_GT(changed, 200) << "no watermark in the export";
  EXPECT_LT(changed, static_cast<int>(source.argb.size() / 3));
  (void)opened;
}

TEST(Program, RefusesToWriteOverTheSourceAndReportsWhatItCannotOpen) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring photo = make_photo(folder, L"Photo.jpg", 640, 480);
  Program program(L"");
  ASSERT_NE(program.hwnd(), nullptr);
  OrvaneApplication& application = program.application();
  desktop::pump(100);

  // No image yet: Ctrl+S says so even though Export is disabled.
  std::wstring seen;
  {
    Hand hand([&] { seen = dismiss_message(L""); });
    desktop::press_key('S', false, true);
    hand.finish();
  }
  EXPECT_TRUE(seen == L"No image selected" || seen == L"尚未选择图片") << std::string(seen.begin(), seen.end());

  // A folder and a missing file are ignored without a word; a broken file is reported, and the image
  // that was open stays open and working.
  application.open_image(photo);
  ASSERT_TRUE(program.settle());
  ASSERT_FALSE(application.image_path().empty());
  application.open_image(folder.path().wstring());
  application.open_image(folder.file(L"missing.jpg"));
  EXPECT_EQ(application.image_path(), std::filesystem::absolute(photo).wstring());
  const std::wstring broken = folder.file(L"broken.jpg");
  orvane::test::write_bytes(broken, {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'});
  {
    Hand hand([&] { seen = dismiss_message(L"", L"program_open_failed.png"); });
    application.open_image(broken);
    hand.finish();
  }
  EXPECT_TRUE(seen == L"Could not open image" || seen == L"无法打开图片");
  EXPECT_EQ(application.image_path(), std::filesystem::absolute(photo).wstring()) << "a failed open lost the image";

  // The same file under another letter case is refused before anything is written.
  {
    Hand hand([&] {
      std::wstring upper = std::filesystem::absolute(photo).wstring();
      for (auto& c : upper) c = static_cast<wchar_t>(towupper(c));
      if (!fill_file_dialog(upper)) return;
      // The dialog asks before replacing an existing file: yes.
      Sleep(300);
      if (wait_for_window(L"#32770", L"", 1500) != nullptr) key(VK_RETURN);
      seen = dismiss_message(L"");
    });
    application.export_watermarked();
    hand.finish();
  }
  EXPECT_TRUE(seen == L"Choose another filename" || seen == L"请选择其他文件名") << std::string(seen.begin(), seen.end());
  EXPECT_EQ(std::filesystem::file_size(photo), std::filesystem::file_size(photo));
}

TEST(Program, ADropListsEachPhotoOnceAndShowsTheFirst) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring first = make_photo(folder, L"first.jpg", 320, 200);
  const std::wstring second = make_photo(folder, L"second.jpg", 200, 320);
  Program program(L"");
  ASSERT_NE(program.hwnd(), nullptr);
  OrvaneApplication& application = program.application();
  // Two photos and the folder holding them: each is listed once, the first shown.
  drop_files(application.hwnd(), {first, second, folder.path().wstring()});
  ASSERT_TRUE(program.settle());
  EXPECT_EQ(application.image_path(), std::filesystem::absolute(first).wstring());
  ASSERT_EQ(application.batch().size(), 2u);
  EXPECT_EQ(application.batch().at(1).path, std::filesystem::absolute(second).wstring());
  desktop::pump(100);
  save_shot(application.hwnd(), L"program_dropped.png");
}

// Ctrl+O from inside the watermark text edit (keys there are forwarded to the surface), through the
// real open dialog; then hostile files, each reported while the open image stays.
TEST(Program, CtrlOOpensThroughTheDialogFromAnywhereAndHostileFilesAreReported) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring first = make_photo(folder, L"first.jpg", 500, 400);
  const std::wstring second = make_photo(folder, L"second.jpg", 300, 600);
  Program program(first);
  ASSERT_NE(program.hwnd(), nullptr);
  OrvaneApplication& application = program.application();
  const HWND main_window = program.hwnd();
  SetForegroundWindow(main_window);
  desktop::pump(150);
  // Focus the watermark text edit.
  HWND edit = static_cast<HWND>(application.controls().text_edit()->native_window());
  ASSERT_NE(edit, nullptr);
  SetFocus(edit);
  desktop::pump(50);
  ASSERT_EQ(GetFocus(), edit);
  {
    Hand hand([&] { fill_file_dialog(second, L"program_open_dialog.png"); });
    desktop::press_key('O', false, true);
    hand.finish();
  }
  EXPECT_EQ(application.image_path(), std::filesystem::absolute(second).wstring()) << "Ctrl+O from the edit opened nothing";

  for (const wchar_t* name : {L"truncated.jpg", L"not-an-image.jpg", L"bomb-65000.png", L"bomb-65000.jpg",
                              L"zero-width.png", L"png-signature-only.png"}) {
    const std::wstring hostile = (orvane::test::data_dir() / L"malformed" / name).wstring();
    std::wstring seen;
    Hand hand([&] { seen = dismiss_message(L""); });
    application.open_image(hostile);
    hand.finish();
    EXPECT_TRUE(seen == L"Could not open image" || seen == L"无法打开图片") << std::string(name, name + wcslen(name));
    EXPECT_EQ(application.image_path(), std::filesystem::absolute(second).wstring());
  }
}

TEST(Program, TheCommandLineNamesPhotosUpToTheFirstOption) {
  using orvane::app::image_paths_from_command_line;
  using Paths = std::vector<std::wstring>;
  EXPECT_EQ(image_paths_from_command_line(L"orvane.exe -x image.png"), Paths{});
  EXPECT_EQ(image_paths_from_command_line(L"orvane.exe image.png -x b.png"), Paths{L"image.png"});
  EXPECT_EQ(image_paths_from_command_line(L"orvane.exe \"\""), Paths{});
  EXPECT_EQ(image_paths_from_command_line(L"\"C:\\Program Files\\orvane.exe\" \"D:\\My photos\\cat.jpg\" b.jpg"),
            (Paths{L"D:\\My photos\\cat.jpg", L"b.jpg"}));
  EXPECT_EQ(image_paths_from_command_line(L"orvane.exe"), Paths{});
}

// The real program as a separate process: it opens the photo it is given, exports it through its save
// dialog when the user presses Ctrl+S, and ends with 0 when its window is closed.
TEST(Program, TheRealProgramExportsWithCtrlSAndEndsWithZeroWhenClosed) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring photo = make_photo(folder, L"started.jpg", 400, 300);
  ChildProgram child(photo);
  ASSERT_TRUE(child.started());
  const auto find_in_child = [&](const wchar_t* window_class, HWND exclude) {
    return find_window_of(child.id(), window_class, L"", exclude);
  };
  const HWND window = child.window();
  ASSERT_NE(window, nullptr) << "the program showed no window";
  wchar_t title[128] = {};
  GetWindowTextW(window, title, 128);
  EXPECT_NE(std::wstring(title).find(L"Orvane"), std::wstring::npos);

  // As a user would: Ctrl+S in the program's window, a name typed into its save dialog, Enter on its
  // "Export complete" message.
  const std::wstring output = folder.file(L"from-child.png");
  SetForegroundWindow(window);
  desktop::pump(200);
  desktop::press_key('S', false, true);
  HWND save = nullptr;
  desktop::pump_until([&] { return (save = find_in_child(L"#32770", nullptr)) != nullptr; }, 10000);
  ASSERT_NE(save, nullptr) << "Ctrl+S showed no save dialog";
  desktop::pump(300);
  SetForegroundWindow(save);
  desktop::pump(100);
  key(VK_END);
  for (int i = 0; i < 40; ++i) key(VK_BACK);
  type(output);
  key(VK_RETURN);
  HWND done = nullptr;
  desktop::pump_until([&] { return (done = find_in_child(L"Win32UiScaffoldWindow_v1", window)) != nullptr; }, 15000);
  ASSERT_NE(done, nullptr) << "no message after the export";
  desktop::pump(200);
  save_shot(done, L"program_child_export_done.png");
  SetForegroundWindow(done);
  desktop::pump(100);
  key(VK_RETURN);
  desktop::pump_until([&] { return find_in_child(L"Win32UiScaffoldWindow_v1", window) == nullptr; }, 5000);
  EXPECT_TRUE(std::filesystem::exists(output)) << "the program wrote nothing";
  EXPECT_EQ(orvane::test::load_pixels(output).width, 400u);

  EXPECT_EQ(child.close_and_wait(), 0);
}

// A photo in a folder past MAX_PATH, named plainly or in its "\\?\" form as the command line names
// it, opens and exports; a missing one there is still passed over without a word. On Windows the C
// runtime's stat takes such paths for missing ones, which once left the window empty.
TEST(Program, OpensAndExportsAPhotoPastMaxPath) {
  Environment environment;
  orvane::test::TempDir folder;
  const orvane::test::LongFolder deep(folder.path().wstring(), 300);
  const std::wstring photo = deep.path() + L"\\photo.jpg";
  ASSERT_TRUE(CopyFileW(make_photo(folder, L"short.jpg", 480, 320).c_str(), (L"\\\\?\\" + photo).c_str(), FALSE));
  int run = 0;
  for (const std::wstring& path : {photo, L"\\\\?\\" + photo}) {
    SCOPED_TRACE(path.substr(0, 12));
    Program program(path);
    ASSERT_NE(program.hwnd(), nullptr);
    OrvaneApplication& application = program.application();
    EXPECT_EQ(application.image_path(), path) << "the photo was not opened";
    if (run == 0) save_shot(application.hwnd(), L"program_long_path.png");
    const std::wstring output = folder.file(L"long" + std::to_wstring(run++) + L".png");
    EXPECT_TRUE(export_with_ctrl_s(output));
    EXPECT_EQ(orvane::test::load_pixels(output).width, 480u);
    std::wstring seen;
    {
      Hand hand([&] { seen = dismiss_message(L""); });
      application.open_image(deep.path() + L"\\missing.jpg");
      hand.finish();
    }
    EXPECT_EQ(seen, L"(no dialog)");
    EXPECT_EQ(application.image_path(), path);
  }
}

// The two preferences as the program reads them at start, with real registry values: the running
// window follows them, and values of the wrong type or out of range fall back.
TEST(Program, PreferencesShapeTheRunningWindow) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring photo = program_driver::make_scene(folder);
  const wchar_t* key = L"Software\\Kestrune\\Orvane";
  struct Case {
    DWORD language;
    DWORD theme;
    bool theme_as_text;
    const wchar_t* picture;
    const wchar_t* title;
    bool dark;
  };
  const Case cases[] = {
      {2, 1, false, L"main_window_english_light.png", L"Orvane · Image Watermark", false},
      {2, 2, false, L"main_window_english_dark.png", L"Orvane · Image Watermark", true},
      {1, 1, false, L"main_window_chinese_light.png", L"Orvane · 图片水印", false},
      {1, 2, false, L"main_window_chinese_dark.png", L"Orvane · 图片水印", true},
      {1, 2, true, nullptr, L"Orvane · 图片水印", false},  // "2" as text: the system's theme (light here)
      {7, 9, false, nullptr, nullptr, false},             // out of range: the display language, the system's theme
  };
  for (const Case& c : cases) {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"ThemeMode");
    RegSetKeyValueW(HKEY_CURRENT_USER, key, L"Language", REG_DWORD, &c.language, sizeof(c.language));
    if (c.theme_as_text) {
      RegSetKeyValueW(HKEY_CURRENT_USER, key, L"ThemeMode", REG_SZ, L"2", 4);
    } else {
      RegSetKeyValueW(HKEY_CURRENT_USER, key, L"ThemeMode", REG_DWORD, &c.theme, sizeof(c.theme));
    }
    Program program(photo);
    ASSERT_NE(program.hwnd(), nullptr);
    const HWND main_window = program.hwnd();
    desktop::pump(50);
    wchar_t title[128] = {};
    GetWindowTextW(main_window, title, 128);
    if (c.title != nullptr) {
      EXPECT_STREQ(title, c.title);
    }
    const orvane::test::Pixels shot = desktop::capture_client(main_window);
    // The window background at the bottom-left corner tells the palette.
    const std::uint32_t corner = shot.at(4, shot.height - 4);
    const int brightness = static_cast<int>((corner >> 16) & 0xFF) + static_cast<int>((corner >> 8) & 0xFF) +
                           static_cast<int>(corner & 0xFF);
    EXPECT_EQ(brightness < 300, c.dark) << "case " << c.language << "/" << c.theme;
    if (c.picture != nullptr) save_shot(main_window, c.picture);
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, key);
}

}  // namespace
}  // namespace program_test

namespace program_test {
namespace {

// The header's menus with real clicks: each button toggles its menu, opening one closes another, the
// theme choice repaints and is remembered, and the help menu leads to the about box.
TEST(Header, MenusToggleChooseAndLeadToTheAboutBox) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring photo = make_photo(folder, L"header.jpg", 600, 400);
  Program program(photo);
  ASSERT_NE(program.hwnd(), nullptr);
  OrvaneApplication& application = program.application();
  const HWND main_window = program.hwnd();
  win32_ui::modern::Surface& surface = application.window().surface();
  const POINT theme = program.centre_of_command(3);
  const POINT language = program.centre_of_command(4);
  const POINT help = program.centre_of_command(6);
  ASSERT_GE(theme.x, 0);

  desktop::click(main_window, theme);
  EXPECT_TRUE(application.theme_menu().is_open());
  save_shot(application.theme_menu().popup()->hwnd(), L"header_theme_menu.png");
  desktop::click(main_window, theme);
  desktop::pump(100);
  EXPECT_FALSE(application.theme_menu().is_open()) << "a second click on Theme must close its menu";
  desktop::click(main_window, theme);
  EXPECT_TRUE(application.theme_menu().is_open());
  desktop::click(main_window, language);
  desktop::pump(100);
  EXPECT_FALSE(application.theme_menu().is_open());
  EXPECT_TRUE(application.language_menu().is_open()) << "Language while the theme menu is open opens its own";
  desktop::press_key(VK_ESCAPE);
  desktop::pump(100);

  // Dark from the theme menu: the window turns dark and the choice is in the registry.
  desktop::click(main_window, theme);
  ASSERT_TRUE(application.theme_menu().is_open());
  HWND popup = application.theme_menu().popup()->hwnd();
  RECT client{};
  GetClientRect(popup, &client);
  // Three 40-DIP rows under 6 DIPs of padding at 0.92: the third is Dark.
  const float s = surface.dpi() / 96.0f * 0.92f;
  desktop::click(popup, POINT{client.right / 2, static_cast<LONG>((6 + 80 + 20) * s)});
  desktop::pump(150);
  EXPECT_NE(surface.palette().dark, 0) << "Dark did not reach the window";
  DWORD stored = 0;
  DWORD size = sizeof(stored);
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Kestrune\\Orvane", L"ThemeMode", RRF_RT_REG_DWORD, nullptr, &stored,
                         &size),
            ERROR_SUCCESS);
  EXPECT_EQ(stored, 2u);
  save_shot(main_window, L"header_after_dark.png");

  // Help, then About: the about box opens and Enter closes it.
  desktop::click(main_window, help);
  ASSERT_TRUE(application.help_menu().is_open());
  popup = application.help_menu().popup()->hwnd();
  GetClientRect(popup, &client);
  std::wstring about_title;
  Hand hand([&] { about_title = dismiss_message(L"Orvane", L"header_about.png"); });
  desktop::click(popup, POINT{client.right / 2, static_cast<LONG>((6 + 40 + 20) * s)});
  hand.finish();
  EXPECT_NE(about_title.find(L"Orvane"), std::wstring::npos);
  application.set_theme(win32_ui::modern::ThemeMode::follow_system);
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kestrune\\Orvane");
}

// Switching the language rebuilds the whole content under a focused edit and a hovering pointer: fifty
// times there and back leave no stale focus or hover, and the open image, its status and Export stay.
TEST(Header, LanguageSwitchesRebuildEverythingAndKeepTheImage) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring photo = make_photo(folder, L"switch.jpg", 640, 480);
  Program program(photo);
  ASSERT_NE(program.hwnd(), nullptr);
  OrvaneApplication& application = program.application();
  const HWND main_window = program.hwnd();
  win32_ui::modern::Surface& surface = application.window().surface();
  for (int round = 0; round < 50; ++round) {
    // Focus in the text edit, the pointer over the Open button.
    HWND edit = static_cast<HWND>(application.controls().text_edit()->native_window());
    if (edit != nullptr) SetFocus(edit);
    desktop::move_mouse(main_window, POINT{static_cast<LONG>(surface.root()->arranged_rect().width * 0.5f), 40});
    application.set_language(round % 2 == 0 ? orvane::app::UiLanguage::simplified_chinese
                                            : orvane::app::UiLanguage::english);
    desktop::pump(10);
    win32_ui::modern::View* focused = surface.view_root().focused();
    win32_ui::modern::View* hovered = surface.view_root().hovered(1);
    for (win32_ui::modern::View* view : {focused, hovered}) {
      if (view == nullptr) continue;
      EXPECT_EQ(view->root_view(), surface.root()) << "a view of a replaced tree is still referenced";
    }
  }
  wchar_t title[128] = {};
  GetWindowTextW(main_window, title, 128);
  EXPECT_STREQ(title, L"Orvane · Image Watermark");
  EXPECT_EQ(application.image_path(), std::filesystem::absolute(photo).wstring());
  // Typing still reaches the rebuilt edit.
  HWND edit = static_cast<HWND>(application.controls().text_edit()->native_window());
  ASSERT_NE(edit, nullptr);
  SetFocus(edit);
  desktop::type_text(L"!");
  EXPECT_NE(application.settings().text.find(L'!'), std::wstring::npos);
  save_shot(main_window, L"header_after_switches.png");
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kestrune\\Orvane");
}

// Tabs through the window until the widget with `command_id` has the focus; false when it never does.
bool tab_to(Program& program, std::uint32_t command_id) {
  win32_ui::modern::ViewRoot& root = program->window().surface().view_root();
  for (int i = 0; i < 60; ++i) {
    const auto* widget = dynamic_cast<const win32_ui::modern::Widget*>(root.focused());
    if (widget != nullptr && widget->command_id() == command_id) return true;
    desktop::press_key(VK_TAB);
    desktop::pump(20);
  }
  return false;
}

// The registry number stored under the program's key, or 0.
DWORD stored_preference(const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Kestrune\\Orvane", name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS) {
    return 0;
  }
  return value;
}

// Chooses entry `row` of the header menu of button `anchor`: by a click on the button and one on the
// entry, or by Tab to the button, Enter, Down `row` times and Enter.
void choose_entry(Program& program, win32_ui::scaffold::PopupHolder& menu, std::uint32_t anchor, int row, bool keys) {
  if (keys) {
    ASSERT_TRUE(tab_to(program, anchor));
    desktop::press_key(VK_RETURN);
    desktop::pump(100);
    ASSERT_TRUE(menu.is_open()) << "Enter on the button opened no menu";
    // Where the arrows start shows at once: the first entry, with its focus ring.
    win32_ui::modern::ViewRoot& popup_root = menu.popup()->surface().view_root();
    const auto* focused = dynamic_cast<const win32_ui::modern::Widget*>(popup_root.focused());
    EXPECT_TRUE(focused != nullptr && focused->command_id() == (anchor == 3 ? 100u : 103u));
    EXPECT_TRUE(popup_root.focus_visible());
    for (int i = 0; i < row; ++i) desktop::press_key(VK_DOWN);
    desktop::press_key(VK_RETURN);
  } else {
    desktop::click(program.hwnd(), program.centre_of_command(anchor));
    ASSERT_TRUE(menu.is_open()) << "a click on the button opened no menu";
    HWND popup = menu.popup()->hwnd();
    RECT client{};
    GetClientRect(popup, &client);
    // 40-DIP rows under 6 DIPs of padding at the window's scale of 0.92.
    const float s = program->window().surface().dpi() / 96.0f * 0.92f;
    desktop::click(popup, POINT{client.right / 2, static_cast<LONG>((6 + 40 * row + 20) * s)});
  }
  desktop::pump(150);
  EXPECT_FALSE(menu.is_open()) << "the menu stayed open after its entry was taken";
}

// Every entry of the theme and language menus, by mouse and by keys: each is applied at once and
// written to the registry, numbers typed before a language switch stay in force in the rebuilt edits,
// Escape leaves a menu without choosing, and the real program started afterwards comes up in the
// last choices (Chinese and dark).
TEST(Header, EveryMenuEntryByMouseAndByKeysIsAppliedAndRememberedForTheNextStart) {
  using orvane::app::UiLanguage;
  Environment environment;
  orvane::test::TempDir folder;
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kestrune\\Orvane");
  const std::wstring photo = make_photo(folder, L"keys.jpg", 800, 600);
  {
    Program program(photo);
    ASSERT_NE(program.hwnd(), nullptr);
    ASSERT_EQ(program->language(), UiLanguage::english);
    HWND size_edit = static_cast<HWND>(program->controls().size_edit()->native_window());
    SetFocus(size_edit);
    desktop::press_key(VK_END);
    desktop::press_key(VK_BACK);
    desktop::press_key(VK_BACK);
    desktop::type_text(L"120");
    desktop::pump(30);
    ASSERT_EQ(program->settings().font_size, 120.0f);

    for (const bool keys : {false, true}) {
      const std::wstring way = keys ? L"keys" : L"mouse";
      // Theme: Follow system (stored as 0; the prefix's system theme is light), Light, Dark.
      for (const int row : {0, 1, 2}) {
        SCOPED_TRACE(testing::Message() << (keys ? "keys" : "mouse") << ", theme entry " << row);
        choose_entry(program, program->theme_menu(), 3, row, keys);
        EXPECT_EQ(stored_preference(L"ThemeMode"), static_cast<DWORD>(row));
        EXPECT_EQ(program->window().surface().palette().dark != 0, row == 2);
        const orvane::test::Pixels shot = desktop::capture_client(program.hwnd());
        const std::uint32_t corner = shot.at(4, shot.height - 4);
        EXPECT_EQ(((corner >> 16) & 0xFF) + ((corner >> 8) & 0xFF) + (corner & 0xFF) < 300u, row == 2)
            << "the window was not repainted in the chosen palette";
      }
      save_shot(program.hwnd(), L"header_dark_by_" + way + L".png");
      // Language: 简体中文, English, and 简体中文 again.
      for (const int row : {0, 1, 0}) {
        SCOPED_TRACE(testing::Message() << (keys ? "keys" : "mouse") << ", language entry " << row);
        choose_entry(program, program->language_menu(), 4, row, keys);
        EXPECT_EQ(program->language(), row == 0 ? UiLanguage::simplified_chinese : UiLanguage::english);
        EXPECT_EQ(stored_preference(L"Language"), row == 0 ? 1u : 2u);
        wchar_t title[128] = {};
        GetWindowTextW(program.hwnd(), title, 128);
        EXPECT_STREQ(title, row == 0 ? L"Orvane · 图片水印" : L"Orvane · Image Watermark");
        EXPECT_EQ(program->controls().size_edit()->text(), L"120") << "the rebuilt edit does not show the size in force";
      }
      save_shot(program.hwnd(), L"header_chinese_by_" + way + L".png");
    }
    // Escape closes a menu opened from the keyboard without choosing.
    ASSERT_TRUE(tab_to(program, 3));
    desktop::press_key(VK_RETURN);
    desktop::pump(100);
    ASSERT_TRUE(program->theme_menu().is_open());
    desktop::pump(50);
    save_shot(program->theme_menu().popup()->hwnd(), L"header_theme_menu_by_keys.png");
    desktop::press_key(VK_DOWN);
    desktop::press_key(VK_ESCAPE);
    desktop::pump(100);
    EXPECT_FALSE(program->theme_menu().is_open());
    EXPECT_EQ(stored_preference(L"ThemeMode"), 2u);
  }

  // The second start: the real program, in its own process, reads the saved choices.
  ChildProgram child(photo);
  ASSERT_TRUE(child.started());
  ASSERT_NE(child.window(), nullptr) << "the program showed no window";
  desktop::pump(600);
  wchar_t title[128] = {};
  GetWindowTextW(child.window(), title, 128);
  EXPECT_STREQ(title, L"Orvane · 图片水印");
  const orvane::test::Pixels shot = desktop::capture_client(child.window());
  const std::uint32_t corner = shot.at(4, shot.height - 4);
  EXPECT_LT(((corner >> 16) & 0xFF) + ((corner >> 8) & 0xFF) + (corner & 0xFF), 300u) << "the second start is not dark";
  save_shot(child.window(), L"second_start_chinese_dark.png");
  EXPECT_EQ(child.close_and_wait(), 0);
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kestrune\\Orvane");
}

}  // namespace
}  // namespace program_test
