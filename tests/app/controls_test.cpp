#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <cmath>
#include <thread>
#include <string>
#include <vector>

#include "controls_panel.h"
#include "desktop.h"
#include "modern/check_box.h"
#include "modern/display_widgets.h"
#include "modern/win32_combo_box.h"
#include "modern/win32_edit.h"
#include "orvane_application.h"
#include "test_files.h"
#include "test_support.h"
#include "views/color_field.h"

namespace controls_test {
namespace {

using orvane::app::ControlsPanel;
using orvane::app::OrvaneApplication;
namespace modern = win32_ui::modern;

struct Environment {
  Environment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~Environment() { CoUninitialize(); }
  orvane::test::GdiplusScope gdiplus;
};

// The main window's content is laid out at a UI scale of 0.92.
float pixel_scale(HWND window) { return 0.92f * static_cast<float>(GetDpiForWindow(window)) / 96.0f; }

// A point of a view, `fraction` of the way across and half-way down, in client pixels.
POINT point_of(HWND window, const modern::View& view, float fraction = 0.5f) {
  const auto r = view.arranged_rect();
  const float scale = pixel_scale(window);
  return POINT{static_cast<LONG>((r.x + r.width * fraction) * scale), static_cast<LONG>((r.y + r.height / 2.0f) * scale)};
}

// The centre of a hosted control's own window, in the main window's client pixels.
POINT centre_of_native(HWND window, void* control) {
  RECT r{};
  GetWindowRect(static_cast<HWND>(control), &r);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// What the preview card shows: the client area right of the controls column.
std::vector<std::uint32_t> preview_pixels(HWND window) {
  const orvane::test::Pixels shot = desktop::capture_client(window);
  const auto left = static_cast<std::uint32_t>(480.0f * pixel_scale(window));
  std::vector<std::uint32_t> region;
  for (std::uint32_t y = 0; y < shot.height; ++y) {
    for (std::uint32_t x = left; x < shot.width; ++x) region.push_back(shot.at(x, y));
  }
  return region;
}

// Clicks into an edit and empties it with the keyboard, as a user would.
void clear_edit(HWND window, modern::Win32Edit& edit) {
  desktop::click(window, centre_of_native(window, edit.window()));
  desktop::press_key(VK_END);
  const std::size_t length = edit.text().size();
  for (std::size_t i = 0; i < length + 2; ++i) desktop::press_key(VK_BACK);
  desktop::pump(30);
}

void type(const std::wstring& text) {
  desktop::type_text(text);
  desktop::pump(30);
}

bool under_wine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// Drops the list open with a click, moves `steps` entries with an arrow key and takes the entry with Enter.
void choose_position(HWND window, modern::Win32ComboBox& box, WORD arrow, int steps) {
  desktop::click(window, centre_of_native(window, box.window()));
  desktop::pump(60);
  for (int i = 0; i < steps; ++i) desktop::press_key(arrow);
  desktop::press_key(VK_RETURN);
  desktop::pump(60);
  // Wine 8 leaves the mouse captured by the closed (hidden) list, so the next click would only go
  // there; Windows releases it when the list closes.
  if (under_wine() && GetCapture() != nullptr) ReleaseCapture();
}

// The system's colour dialog of this process, once it shows.
HWND wait_for_color_dialog() {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < end) {
    HWND found = nullptr;
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
          DWORD process = 0;
          GetWindowThreadProcessId(window, &process);
          wchar_t name[16] = {};
          GetClassNameW(window, name, 16);
          if (process != GetCurrentProcessId() || !IsWindowVisible(window) || std::wstring(name) != L"#32770") return TRUE;
          *reinterpret_cast<HWND*>(data) = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    if (found != nullptr && GetDlgItem(found, 706) != nullptr) return found;
    Sleep(30);
  }
  return nullptr;
}

// Invokes the colour field with a click while a second thread, as the user, answers the modal
// dialog: with a red component when one is given (then OK), else Escape.
void answer_color_dialog(HWND window, const orvane::app::ColorField& field, const wchar_t* red) {
  std::atomic<bool> done{false};
  std::thread hand([&] {
    if (HWND dialog = wait_for_color_dialog()) {
      SetForegroundWindow(dialog);
      Sleep(100);
      if (red != nullptr) {
        HWND edit = GetDlgItem(dialog, 706);  // the red component
        RECT r{};
        GetWindowRect(edit, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        desktop::click(dialog, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        desktop::press_key(VK_END);
        for (int i = 0; i < 4; ++i) desktop::press_key(VK_BACK);
        desktop::type_text(red);
        desktop::press_key(VK_RETURN);
      } else {
        desktop::press_key(VK_ESCAPE);
      }
    }
    done = true;
  });
  desktop::click(window, point_of(window, field));
  desktop::pump_until([&] { return done.load(); }, 20000);
  hand.join();
  desktop::pump(60);
}

std::wstring make_photo(const orvane::test::TempDir& folder) {
  const std::wstring path = folder.file(L"photo.png");
  EXPECT_TRUE(orvane::test::save_pixels(orvane::test::make_pattern(900, 600), path, L"image/png"));
  return path;
}

// The number rule of the numeric edits: the whole text, leading space allowed, inclusive ranges.
TEST(Controls, NumbersAreTakenOnlyWholeFiniteAndWithinTheirRange) {
  using orvane::app::parse_number;
  EXPECT_FALSE(parse_number(L"5", 6, 500));
  EXPECT_FALSE(parse_number(L"501", 6, 500));
  EXPECT_EQ(parse_number(L"6", 6, 500), 6.0f);
  EXPECT_EQ(parse_number(L"500", 6, 500), 500.0f);
  EXPECT_FALSE(parse_number(L"36 ", 6, 500)) << "a trailing space";
  EXPECT_EQ(parse_number(L" 36", 6, 500), 36.0f) << "a leading space";
  EXPECT_EQ(parse_number(L"180", -180, 180), 180.0f);
  EXPECT_EQ(parse_number(L"-180", -180, 180), -180.0f);
  EXPECT_FALSE(parse_number(L"181", -180, 180));
  EXPECT_FALSE(parse_number(L"31.9", 32, 5000));
  EXPECT_EQ(parse_number(L"32", 32, 5000), 32.0f);
  EXPECT_EQ(parse_number(L"1e2", 32, 5000), 100.0f);
  for (const wchar_t* text : {L"inf", L"-inf", L"nan", L"", L"-", L"1e99", L"12px"}) {
    EXPECT_FALSE(parse_number(text, -1e30f, 1e30f)) << "text " << testing::PrintToString(std::wstring(text));
  }
}

// The real window driven by real input: the numeric edits take a number within range the moment it
// is typed, ignore partial, out-of-range and malformed texts without touching what the user typed,
// the sliders follow the keyboard with their value texts, and the Position list switches which
// controls can be used.
TEST(Controls, EveryControlWritesItsSettingAndTheRuleOfTheLayoutHolds) {
  Environment environment;
  orvane::test::TempDir folder;
  OrvaneApplication application(GetModuleHandleW(nullptr));
  ASSERT_TRUE(application.create(make_photo(folder)));
  const HWND window = application.hwnd();
  SetForegroundWindow(window);
  desktop::pump(200);
  ControlsPanel& panel = application.controls();
  auto& settings = application.settings();
  ASSERT_NE(panel.size_edit(), nullptr);
  ASSERT_NE(panel.size_edit()->window(), nullptr);
  EXPECT_EQ(panel.size_edit()->text(), L"36");
  EXPECT_EQ(panel.color_field()->label(), L"#FFFFFF");
  EXPECT_EQ(panel.opacity_text()->label(), L"110");
  EXPECT_EQ(panel.quality_text()->label(), L"90%");

  // Colour: Escape changes nothing; a red of 0 from the dialog keeps the opacity and shows #00FFFF.
  EXPECT_EQ(panel.color_field()->accessible_name(), std::optional<std::wstring>(L"Choose watermark color"));
  std::vector<std::uint32_t> before = preview_pixels(window);
  answer_color_dialog(window, *panel.color_field(), nullptr);
  EXPECT_EQ(settings.color.red, 255);
  EXPECT_EQ(panel.color_field()->label(), L"#FFFFFF");
  answer_color_dialog(window, *panel.color_field(), L"0");
  EXPECT_EQ(settings.color.red, 0);
  EXPECT_EQ(settings.color.green, 255);
  EXPECT_EQ(settings.color.alpha, 110);
  EXPECT_EQ(panel.color_field()->label(), L"#00FFFF");
  EXPECT_NE(preview_pixels(window), before) << "the preview did not follow the colour";

  // Size: in range applies at once; out of range and garbage change nothing and stay as typed.
  before = preview_pixels(window);
  clear_edit(window, *panel.size_edit());
  type(L"120");
  EXPECT_EQ(settings.font_size, 120.0f);
  std::vector<std::uint32_t> after = preview_pixels(window);
  EXPECT_NE(before, after) << "the preview did not follow the size";
  clear_edit(window, *panel.size_edit());
  type(L"501");
  EXPECT_EQ(settings.font_size, 50.0f) << "\"50\" on the way is taken, \"501\" is not";
  EXPECT_EQ(panel.size_edit()->text(), L"501");
  clear_edit(window, *panel.size_edit());
  type(L"4x");
  EXPECT_EQ(settings.font_size, 50.0f);
  EXPECT_EQ(panel.size_edit()->text(), L"4x");

  // X spacing: "5" on the way to "50" changes neither the setting nor the preview nor the edit.
  ASSERT_TRUE(panel.spacing_x_edit()->enabled());
  clear_edit(window, *panel.spacing_x_edit());
  before = preview_pixels(window);
  type(L"5");
  EXPECT_EQ(settings.spacing_x, 260.0f);
  EXPECT_EQ(panel.spacing_x_edit()->text(), L"5");
  EXPECT_EQ(preview_pixels(window), before) << "a rejected number moved the preview";
  type(L"0");
  EXPECT_EQ(settings.spacing_x, 50.0f);
  EXPECT_NE(preview_pixels(window), before);
  type(L"q");
  EXPECT_EQ(settings.spacing_x, 50.0f);
  EXPECT_EQ(panel.spacing_x_edit()->text(), L"50q");
  clear_edit(window, *panel.spacing_y_edit());
  type(L"nan");
  EXPECT_EQ(settings.spacing_y, 180.0f);
  clear_edit(window, *panel.spacing_y_edit());
  type(L"31.9");
  EXPECT_EQ(settings.spacing_y, 180.0f);
  clear_edit(window, *panel.spacing_y_edit());
  type(L"32");
  EXPECT_EQ(settings.spacing_y, 32.0f);
  (void)after;

  // Opacity with the keyboard: the thumb is grabbed where it is, then two steps to the right.
  desktop::click(window, point_of(window, *panel.opacity_slider(), 0.5f));
  desktop::pump(30);
  const int clicked_alpha = settings.color.alpha;
  before = preview_pixels(window);
  desktop::press_key(VK_RIGHT);
  desktop::press_key(VK_RIGHT);
  desktop::pump(30);
  EXPECT_GT(settings.color.alpha, clicked_alpha);
  EXPECT_EQ(settings.color.alpha, std::lround(panel.opacity_slider()->value() * 255.0f));
  EXPECT_EQ(panel.opacity_text()->label(), std::to_wstring(settings.color.alpha));
  EXPECT_NE(preview_pixels(window), before);

  // JPEG quality down to the end of the slider: never below 1.
  desktop::click(window, point_of(window, *panel.quality_slider(), 0.5f));
  for (int i = 0; i < 25; ++i) desktop::press_key(VK_LEFT);
  desktop::pump(30);
  EXPECT_EQ(settings.jpeg_quality, 1);
  EXPECT_EQ(panel.quality_text()->label(), L"1%");

  // Position "Center": spacing off, fit on; the user can now untick fit.
  EXPECT_FALSE(panel.fit_box()->enabled());
  choose_position(window, *panel.position_box(), VK_DOWN, 6);
  EXPECT_EQ(static_cast<int>(settings.layout), 6);
  EXPECT_FALSE(panel.spacing_x_edit()->enabled());
  EXPECT_FALSE(panel.spacing_y_edit()->enabled());
  EXPECT_FALSE(IsWindowEnabled(static_cast<HWND>(panel.spacing_x_edit()->window())));
  EXPECT_TRUE(panel.fit_box()->enabled());
  before = preview_pixels(window);
  desktop::click(window, point_of(window, *panel.fit_box(), 0.05f));
  desktop::pump(30);
  EXPECT_FALSE(settings.fit_to_area);
  EXPECT_NE(preview_pixels(window), before) << "the preview did not follow fit";

  // "Staggered grid": the opposite, and the disabled fit box ignores a click.
  choose_position(window, *panel.position_box(), VK_UP, 5);
  EXPECT_EQ(static_cast<int>(settings.layout), 1);
  EXPECT_TRUE(panel.spacing_x_edit()->enabled());
  EXPECT_TRUE(IsWindowEnabled(static_cast<HWND>(panel.spacing_x_edit()->window())));
  EXPECT_FALSE(panel.fit_box()->enabled());
  desktop::click(window, point_of(window, *panel.fit_box(), 0.05f));
  desktop::pump(30);
  EXPECT_FALSE(settings.fit_to_area);
  EXPECT_TRUE(orvane::test::save_pixels(desktop::capture_client(window), std::wstring(L"" ARTEFACT_DIR) + L"/controls_after_input.png",
                            L"image/png"));
}

// Pictures of the panel in both palettes and languages, built from the settings in force.
TEST(Controls, PicturesOfThePanelInBothPalettesAndLanguages) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring photo = make_photo(folder);
  const wchar_t* key = L"Software\\Kestrune\\Orvane";
  struct Case {
    DWORD language;
    DWORD theme;
    const wchar_t* picture;
  };
  for (const Case& c : {Case{2, 1, L"controls_english_light.png"}, Case{1, 2, L"controls_chinese_dark.png"}}) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key, L"Language", REG_DWORD, &c.language, sizeof(c.language));
    RegSetKeyValueW(HKEY_CURRENT_USER, key, L"ThemeMode", REG_DWORD, &c.theme, sizeof(c.theme));
    OrvaneApplication application(GetModuleHandleW(nullptr));
    ASSERT_TRUE(application.create(photo));
    SetForegroundWindow(application.hwnd());
    desktop::pump(250);
    const ControlsPanel& panel = application.controls();
    // The hosted edits sit inside their rows: none spills out of the 430 DIP column.
    const float column_right = (18.0f + 430.0f) * pixel_scale(application.hwnd());
    for (const modern::Win32Edit* edit : {panel.size_edit(), panel.rotation_edit(), panel.spacing_y_edit()}) {
      RECT r{};
      GetWindowRect(static_cast<HWND>(edit->window()), &r);
      MapWindowPoints(nullptr, application.hwnd(), reinterpret_cast<POINT*>(&r), 2);
      EXPECT_LE(static_cast<float>(r.right), column_right + 1.0f);
      EXPECT_GT(r.bottom - r.top, 10);
    }
    EXPECT_TRUE(orvane::test::save_pixels(desktop::capture_client(application.hwnd()),
                                          std::wstring(L"" ARTEFACT_DIR) + L"/" + c.picture, L"image/png"));
  }
  RegDeleteKeyW(HKEY_CURRENT_USER, key);
}

}  // namespace
}  // namespace controls_test
