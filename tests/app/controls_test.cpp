#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "controls_panel.h"
#include "desktop.h"
#include "modern/native/win32_combo_box.h"
#include "modern/native/win32_edit.h"
#include "modern/widgets/button.h"
#include "modern/widgets/check_box.h"
#include "modern/widgets/display_widgets.h"
#include "modern/widgets/slider.h"
#include "orvane_application.h"
#include "presets_card.h"
#include "program_driver.h"
#include "test_files.h"
#include "test_support.h"
#include "views/color_field.h"
#include "views/preview_view.h"

namespace controls_test {
namespace {

using orvane::app::ControlsPanel;
using orvane::app::OrvaneApplication;
using orvane::test::Pixels;
using program_driver::Environment;
using program_driver::Program;
namespace modern = win32_ui::modern;

// The main window's content is laid out at a UI scale of 0.92.
float pixel_scale(HWND window) { return 0.92f * static_cast<float>(GetDpiForWindow(window)) / 96.0f; }

using program_driver::point_of;

// The centre of a hosted control's own window, in the main window's client pixels.
POINT centre_of_native(HWND window, void* control) {
  RECT r{};
  GetWindowRect(static_cast<HWND>(control), &r);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// What the preview card shows: the client area right of the controls column.
std::vector<std::uint32_t> preview_pixels(HWND window) {
  const Pixels shot = desktop::capture_client(window);
  const auto left = static_cast<std::uint32_t>(480.0f * pixel_scale(window));
  std::vector<std::uint32_t> region;
  for (std::uint32_t y = 0; y < shot.height; ++y) {
    for (std::uint32_t x = left; x < shot.width; ++x) region.push_back(shot.at(x, y));
  }
  return region;
}

// Clicks into an edit and empties it with the keyboard, as a user would.
void clear_edit(HWND window, modern::Win32Edit& edit) {
  program_driver::reveal(edit);
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

// Drops the list open with a click, moves `steps` entries with an arrow key and takes the entry with Enter.
void choose_with_keys(HWND window, modern::Win32ComboBox& box, WORD arrow, int steps) {
  program_driver::reveal(box);
  desktop::click(window, centre_of_native(window, box.window()));
  desktop::pump(60);
  for (int i = 0; i < steps; ++i) desktop::press_key(arrow);
  desktop::press_key(VK_RETURN);
  desktop::pump(200);
}

// Drops the list open with a click and clicks the entry `index` in it, or with -1 the first entry in
// view that is not the selected one; returns the entry clicked, or -1 when it is not in view.
int choose_with_mouse(HWND window, modern::Win32ComboBox& box, int index) {
  program_driver::reveal(box);
  desktop::click(window, centre_of_native(window, box.window()));
  desktop::pump(60);
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  if (!GetComboBoxInfo(static_cast<HWND>(box.window()), &info) || !IsWindowVisible(info.hwndList)) return -1;
  if (index < 0) {
    index = static_cast<int>(SendMessageW(info.hwndList, LB_GETTOPINDEX, 0, 0));
    if (index == box.selected_index()) ++index;
  }
  RECT item{};
  RECT client{};
  SendMessageW(info.hwndList, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  GetClientRect(info.hwndList, &client);
  if (item.bottom > client.bottom || item.top < 0) return -1;
  desktop::click(info.hwndList, POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
  desktop::pump(60);
  return index;
}

// Invokes the colour field with a click while a second thread, as the user, answers the modal
// dialog: with a red component when one is given (then OK), else Escape.
void answer_color_dialog(HWND window, const orvane::app::ColorField& field, const wchar_t* red) {
  program_driver::Hand hand([&] {
    HWND dialog = program_driver::wait_for_window(L"#32770", L"");
    if (dialog == nullptr || GetDlgItem(dialog, 706) == nullptr) return;
    program_driver::save_shot(dialog, L"controls_color_dialog.png");
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
  });
  desktop::click(window, point_of(window, field));
  hand.finish();
  desktop::pump(60);
}

// A photo larger than the preview's source, so the preview is a scaled rendering of its own.
std::wstring make_photo(const orvane::test::TempDir& folder, std::uint32_t width = 900, std::uint32_t height = 600) {
  const std::wstring path = folder.file(L"photo.png");
  EXPECT_TRUE(orvane::test::save_pixels(orvane::test::make_pattern(width, height), path, L"image/png"));
  return path;
}

// For each pixel of a `to`-pixel line, the pixels of a `from`-pixel line under it with their share.
std::vector<std::vector<std::pair<std::uint32_t, double>>> area_weights(std::uint32_t from, std::uint32_t to) {
  std::vector<std::vector<std::pair<std::uint32_t, double>>> weights(to);
  const double step = static_cast<double>(from) / to;
  for (std::uint32_t i = 0; i < to; ++i) {
    const double begin = i * step;
    const double end = (i + 1) * step;
    for (auto s = static_cast<std::uint32_t>(begin); s < from && s < end; ++s) {
      const double cover = std::min(end, s + 1.0) - std::max(begin, static_cast<double>(s));
      if (cover > 0) weights[i].emplace_back(s, cover / step);
    }
  }
  return weights;
}

// An opaque picture scaled down by averaging the area under each new pixel.
Pixels shrink(const Pixels& source, std::uint32_t width, std::uint32_t height) {
  const auto columns = area_weights(source.width, width);
  const auto rows = area_weights(source.height, height);
  std::vector<double> across(static_cast<std::size_t>(source.height) * width * 3);
  for (std::uint32_t y = 0; y < source.height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      double* out = &across[(static_cast<std::size_t>(y) * width + x) * 3];
      for (const auto& [s, w] : columns[x]) {
        const std::uint32_t p = source.at(s, y);
        for (int c = 0; c < 3; ++c) out[c] += w * ((p >> (8 * c)) & 0xFF);
      }
    }
  }
  Pixels result{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint32_t value = 0xFF000000u;
      for (int c = 0; c < 3; ++c) {
        double sum = 0;
        for (const auto& [s, w] : rows[y]) sum += w * across[(static_cast<std::size_t>(s) * width + x) * 3 + c];
        value |= static_cast<std::uint32_t>(std::clamp(std::lround(sum), 0L, 255L)) << (8 * c);
      }
      result.argb[static_cast<std::size_t>(y) * width + x] = value;
    }
  }
  return result;
}

// The frame the preview shows, as straight pixels (it is opaque, so premultiplying changed nothing).
Pixels preview_frame(const OrvaneApplication& application) {
  Pixels frame;
  if (application.preview() == nullptr) return frame;
  const auto& image = application.preview()->image();
  frame.width = image.width();
  frame.height = image.height();
  frame.argb.resize(static_cast<std::size_t>(frame.width) * frame.height);
  for (std::uint32_t y = 0; y < frame.height; ++y) {
    std::memcpy(&frame.argb[static_cast<std::size_t>(y) * frame.width], image.pixels().data() + y * image.stride(),
                frame.width * 4u);
  }
  return frame;
}

// Which pixels of `picture` the watermark marked: any channel more than 32 levels off the photo's.
std::vector<bool> ink_of(const Pixels& picture, const Pixels& photo) {
  std::vector<bool> ink(picture.argb.size());
  for (std::size_t i = 0; i < ink.size(); ++i) {
    for (int c = 0; c < 3; ++c) {
      const int a = static_cast<int>((picture.argb[i] >> (8 * c)) & 0xFF);
      const int b = static_cast<int>((photo.argb[i] >> (8 * c)) & 0xFF);
      if (std::abs(a - b) > 32) ink[i] = true;
    }
  }
  return ink;
}

// The share of the inked pixels of `from` that have ink of `to` within four pixels.
double share_near(const std::vector<bool>& from, const std::vector<bool>& to, std::uint32_t width, std::uint32_t height) {
  std::size_t inked = 0, close_by = 0;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      if (!from[static_cast<std::size_t>(y) * width + x]) continue;
      ++inked;
      bool found = false;
      for (std::uint32_t v = y > 4 ? y - 4 : 0; v <= std::min(y + 4, height - 1) && !found; ++v) {
        for (std::uint32_t u = x > 4 ? x - 4 : 0; u <= std::min(x + 4, width - 1) && !found; ++u) {
          found = to[static_cast<std::size_t>(v) * width + u];
        }
      }
      if (found) ++close_by;
    }
  }
  return inked == 0 ? 0.0 : static_cast<double>(close_by) / static_cast<double>(inked);
}

// Exports through Ctrl+S and the save dialog, and compares the file, scaled down to the frame's size,
// with the frame the preview shows: the same stamps in the same places, nearly every inked pixel of one
// within four pixels of ink in the other (glyphs hinted at two sizes differ at their edges, and a line of
// them adds the differences up).
void expect_export_shows_the_preview(Program& program, const std::wstring& photo, const std::wstring& name) {
  SCOPED_TRACE(testing::Message() << "export " << std::string(name.begin(), name.end()));
  ASSERT_TRUE(program.settle()) << "the preview did not catch up";
  const std::wstring output = std::filesystem::path(photo).replace_filename(name).wstring();
  ASSERT_TRUE(program_driver::export_with_ctrl_s(output));
  const Pixels frame = preview_frame(program.application());
  const Pixels exported = orvane::test::load_pixels(output);
  const Pixels source = orvane::test::load_pixels(photo);
  ASSERT_GT(frame.width, 0u);
  ASSERT_EQ(exported.width, source.width);
  ASSERT_LT(frame.width, source.width) << "the preview is not a scaled rendering";
  const Pixels exported_small = shrink(exported, frame.width, frame.height);
  const Pixels photo_small = shrink(source, frame.width, frame.height);
  const std::vector<bool> frame_ink = ink_of(frame, photo_small);
  const std::vector<bool> export_ink = ink_of(exported_small, photo_small);
  const auto inked = static_cast<std::size_t>(std::count(frame_ink.begin(), frame_ink.end(), true));
  const double frame_in_export = share_near(frame_ink, export_ink, frame.width, frame.height);
  const double export_in_frame = share_near(export_ink, frame_ink, frame.width, frame.height);
  std::printf("  %ls: %zu inked, %.4f and %.4f near\n", name.c_str(), inked, frame_in_export, export_in_frame);
  EXPECT_GT(inked, 200u) << "no watermark to compare";
  EXPECT_GT(frame_in_export, 0.97) << "the preview shows stamps the export lacks";
  EXPECT_GT(export_in_frame, 0.97) << "the export has stamps the preview did not show";
  program_driver::save_shot(program.hwnd(), L"controls_" + std::filesystem::path(name).stem().wstring() + L".png");
  // The two pictures compared, side by side for whoever looks into a failure.
  Pixels pair{frame.width * 2, frame.height, std::vector<std::uint32_t>(frame.argb.size() * 2)};
  for (std::uint32_t y = 0; y < frame.height; ++y) {
    std::copy_n(&frame.argb[static_cast<std::size_t>(y) * frame.width], frame.width, &pair.argb[static_cast<std::size_t>(y) * pair.width]);
    std::copy_n(&exported_small.argb[static_cast<std::size_t>(y) * frame.width], frame.width,
                &pair.argb[static_cast<std::size_t>(y) * pair.width + frame.width]);
  }
  static_cast<void>(orvane::test::save_pixels(pair, std::wstring(L"" ARTEFACT_DIR) + L"/preview_and_export_" + name, L"image/png"));
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

// The real window driven by real input, group by group, each group ending in an export through the save
// dialog that must show what the preview showed. The numeric edits take a number within range the moment
// it is typed and ignore partial, out-of-range and malformed texts without touching what the user typed;
// both lists answer the keyboard and the mouse; the sliders follow the keyboard and a drag; the Position
// list switches which controls can be used.
TEST(Controls, EveryControlWritesItsSettingAndTheExportShowsWhatThePreviewShowed) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring photo = make_photo(folder, 2400, 1600);
  Program program(photo);
  ASSERT_NE(program.hwnd(), nullptr);
  const HWND window = program.hwnd();
  ControlsPanel& panel = program->controls();
  auto& settings = program->settings();
  ASSERT_NE(panel.size_edit(), nullptr);
  ASSERT_NE(panel.size_edit()->window(), nullptr);
  EXPECT_EQ(panel.size_edit()->text(), L"36");
  EXPECT_EQ(panel.color_field()->label(), L"#FFFFFF");
  EXPECT_EQ(panel.opacity_text()->label(), L"110");
  EXPECT_EQ(panel.quality_text()->label(), L"90%");

  // 1. Text in Chinese, a font from the list with the keyboard and another with the mouse.
  std::vector<std::uint32_t> before = preview_pixels(window);
  clear_edit(window, *panel.text_edit());
  type(L"样张 · Orvane");
  EXPECT_EQ(settings.text, L"样张 · Orvane");
  EXPECT_NE(preview_pixels(window), before) << "the preview did not follow the text";
  modern::Win32ComboBox& fonts = *panel.font_box();
  ASSERT_GE(fonts.items().size(), 3u);
  const int first_font = fonts.selected_index();
  choose_with_keys(window, fonts, first_font > 0 ? VK_UP : VK_DOWN, 1);
  EXPECT_NE(fonts.selected_index(), first_font);
  EXPECT_EQ(settings.font_family, fonts.items()[static_cast<std::size_t>(fonts.selected_index())]);
  const int mouse_font = choose_with_mouse(window, fonts, -1);
  ASSERT_GE(mouse_font, 0);
  EXPECT_EQ(fonts.selected_index(), mouse_font);
  EXPECT_EQ(settings.font_family, fonts.items()[static_cast<std::size_t>(mouse_font)]);
  expect_export_shows_the_preview(program, photo, L"1-text-and-font.png");

  // 2. Colour: Escape changes nothing; a red of 0 from the dialog keeps the opacity and shows #00FFFF.
  EXPECT_EQ(panel.color_field()->accessible_name(), std::optional<std::wstring>(L"Choose watermark color"));
  before = preview_pixels(window);
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
  EXPECT_NE(preview_pixels(window), before) << "the preview did not follow the size";
  clear_edit(window, *panel.size_edit());
  type(L"501");
  EXPECT_EQ(settings.font_size, 50.0f) << "\"50\" on the way is taken, \"501\" is not";
  EXPECT_EQ(panel.size_edit()->text(), L"501");
  clear_edit(window, *panel.size_edit());
  type(L"4x");
  EXPECT_EQ(settings.font_size, 50.0f);
  EXPECT_EQ(panel.size_edit()->text(), L"4x");
  // Done with the field (Tab away, or Enter), it shows the value in force again.
  desktop::press_key(VK_TAB);
  desktop::pump(30);
  EXPECT_EQ(panel.size_edit()->text(), L"50") << "the edit left showing what no setting uses";
  EXPECT_EQ(settings.font_size, 50.0f);
  clear_edit(window, *panel.size_edit());
  type(L"2");
  desktop::press_key(VK_RETURN);
  desktop::pump(30);
  EXPECT_EQ(panel.size_edit()->text(), L"50");
  clear_edit(window, *panel.size_edit());
  type(L"50.0");
  desktop::press_key(VK_RETURN);
  desktop::pump(30);
  EXPECT_EQ(panel.size_edit()->text(), L"50.0") << "a text that reads as the value is the user's";

  // Rotation and spacing: "5" on the way to "50" changes neither the setting nor the preview nor the edit.
  clear_edit(window, *panel.rotation_edit());
  type(L"15");
  EXPECT_EQ(settings.rotation, 15.0f);
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
  type(L"320");
  EXPECT_EQ(settings.spacing_y, 320.0f);
  clear_edit(window, *panel.spacing_x_edit());
  type(L"520");
  EXPECT_EQ(settings.spacing_x, 520.0f);
  expect_export_shows_the_preview(program, photo, L"2-colour-size-spacing.png");

  // 3. Opacity with the keyboard (the thumb is grabbed where it is, then two steps to the right) and by
  // dragging the thumb most of the way along.
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
  const int stepped_alpha = settings.color.alpha;
  desktop::drag(window, point_of(window, *panel.opacity_slider(), panel.opacity_slider()->value()),
                point_of(window, *panel.opacity_slider(), 0.9f));
  desktop::pump(60);
  EXPECT_GT(settings.color.alpha, stepped_alpha + 40) << "the drag did not carry the thumb";
  EXPECT_EQ(panel.opacity_text()->label(), std::to_wstring(settings.color.alpha));

  // JPEG quality down to the end of the slider: never below 1.
  desktop::click(window, point_of(window, *panel.quality_slider(), 0.5f));
  for (int i = 0; i < 25; ++i) desktop::press_key(VK_LEFT);
  desktop::pump(30);
  EXPECT_EQ(settings.jpeg_quality, 1);
  EXPECT_EQ(panel.quality_text()->label(), L"1%");
  expect_export_shows_the_preview(program, photo, L"3-opacity.png");

  // 4. Position "Center" with the keyboard: spacing off, fit on; the user can now untick fit, which lets
  // a stamp wider than the photo run over its edges.
  clear_edit(window, *panel.size_edit());
  type(L"480");
  EXPECT_EQ(settings.font_size, 480.0f);
  EXPECT_FALSE(panel.fit_box()->enabled());
  choose_with_keys(window, *panel.position_box(), VK_DOWN, 6);
  EXPECT_EQ(static_cast<int>(settings.layout), 6);
  EXPECT_FALSE(panel.spacing_x_edit()->enabled());
  EXPECT_FALSE(panel.spacing_y_edit()->enabled());
  EXPECT_FALSE(IsWindowEnabled(static_cast<HWND>(panel.spacing_x_edit()->window())));
  EXPECT_TRUE(panel.fit_box()->enabled());
  // The first click after the list closed reaches its target (Wine leaves the closed list holding the
  // mouse unless the box lets go).
  before = preview_pixels(window);
  desktop::click(window, point_of(window, *panel.fit_box(), 0.05f));
  desktop::pump(30);
  EXPECT_FALSE(settings.fit_to_area);
  EXPECT_NE(preview_pixels(window), before) << "the preview did not follow fit";
  desktop::click(window, point_of(window, *panel.fit_box(), 0.05f));
  desktop::pump(30);
  EXPECT_TRUE(settings.fit_to_area);
  expect_export_shows_the_preview(program, photo, L"4-center-fitted.png");

  // 5. "Bottom right" with the mouse, then "Staggered grid" with the keyboard: the opposite rule, and
  // the disabled fit box ignores a click.
  clear_edit(window, *panel.size_edit());
  type(L"72");
  ASSERT_EQ(choose_with_mouse(window, *panel.position_box(), 10), 10);
  EXPECT_EQ(static_cast<int>(settings.layout), 10);
  expect_export_shows_the_preview(program, photo, L"5-bottom-right.png");
  const bool fitted = settings.fit_to_area;
  choose_with_keys(window, *panel.position_box(), VK_UP, 9);
  EXPECT_EQ(static_cast<int>(settings.layout), 1);
  EXPECT_TRUE(panel.spacing_x_edit()->enabled());
  EXPECT_TRUE(IsWindowEnabled(static_cast<HWND>(panel.spacing_x_edit()->window())));
  EXPECT_FALSE(panel.fit_box()->enabled());
  desktop::click(window, point_of(window, *panel.fit_box(), 0.05f));
  desktop::pump(30);
  EXPECT_EQ(settings.fit_to_area, fitted);
  expect_export_shows_the_preview(program, photo, L"6-staggered.png");
}

// A logo as people make them: a red disc with a white bar on a transparent ground.
std::wstring make_logo(const orvane::test::TempDir& folder, const std::wstring& name) {
  Pixels logo{300, 200, std::vector<std::uint32_t>(300 * 200, 0)};
  for (std::uint32_t y = 0; y < logo.height; ++y) {
    for (std::uint32_t x = 0; x < logo.width; ++x) {
      const double dx = x - 150.0, dy = y - 100.0;
      if (dx * dx + dy * dy < 95.0 * 95.0) logo.argb[y * logo.width + x] = (y > 85 && y < 115) ? 0xFFFFFFFF : 0xFFD02020;
    }
  }
  const std::wstring path = folder.file(name);
  EXPECT_TRUE(orvane::test::save_pixels(logo, path, L"image/png"));
  return path;
}

// Clicks the logo's choose button while the hand picks `path` in the open dialog and, when
// `expected_message` is given, answers the message that follows.
std::wstring choose_logo(Program& program, const std::wstring& path, bool expect_message = false) {
  std::wstring seen;
  program_driver::Hand hand([&] {
    if (!program_driver::fill_file_dialog(path, expect_message ? L"" : L"controls_logo_dialog.png")) return;
    if (expect_message) seen = program_driver::dismiss_message(L"", L"controls_logo_refused.png");
  });
  desktop::click(program.hwnd(), point_of(program.hwnd(), *program->controls().logo_button(), 0.5f));
  hand.finish();
  desktop::pump(60);
  return seen;
}

// The mark's model through the window: one unit for every length (the mark keeps its look when it
// changes), the margin of the anchored layouts, an outline and a shadow, and a logo picked in the open
// dialog, with the text and alone, on photos of two sizes; each export shows what the preview showed.
// A file that is no image is refused by name, and a logo that has gone leaves the text, said so.
TEST(Controls, TheMarkInPercentWithMarginOutlineShadowAndLogoExportsAsPreviewed) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring photo = make_photo(folder, 2400, 1600);
  Program program(photo);
  ASSERT_NE(program.hwnd(), nullptr);
  const HWND window = program.hwnd();
  ControlsPanel& panel = program->controls();
  auto& settings = program->settings();
  ASSERT_TRUE(program.settle());

  // 1. Percent of the shorter side (1600): 36 px is 2.25 %; the frame stays as it was.
  const Pixels in_pixels = preview_frame(program.application());
  choose_with_keys(window, *panel.unit_box(), VK_DOWN, 1);
  EXPECT_EQ(settings.unit, orvane::engine::LengthUnit::percent_of_shorter_side);
  EXPECT_EQ(settings.font_size, 2.25f);
  EXPECT_EQ(panel.size_edit()->text(), L"2.25");
  EXPECT_EQ(settings.spacing_x, 16.25f);
  EXPECT_EQ(panel.spacing_y_edit()->text(), L"11.25");
  EXPECT_EQ(panel.size_edit()->accessible_name(), std::optional<std::wstring>(L"Size (%)"));
  ASSERT_TRUE(program.settle());
  EXPECT_LT(orvane::test::mean_channel_difference(preview_frame(program.application()), in_pixels), 0.5)
      << "a change of unit changed the mark";
  clear_edit(window, *panel.size_edit());
  const float cleared = settings.font_size;  // what the edit passed through on its way to empty
  type(L"0.4");
  EXPECT_EQ(settings.font_size, cleared) << "below 0.5 % is no size";
  clear_edit(window, *panel.size_edit());
  type(L"4");
  EXPECT_EQ(settings.font_size, 4.0f);
  expect_export_shows_the_preview(program, photo, L"7-percent.png");

  // 2. The same settings on a photo of another size and shape.
  const std::wstring small = folder.file(L"small.png");
  ASSERT_TRUE(orvane::test::save_pixels(orvane::test::make_pattern(533, 800), small, L"image/png"));
  program->open_image(small);
  ASSERT_TRUE(program.settle());
  expect_export_shows_the_preview(program, small, L"8-percent-other-photo.png");
  program->open_image(photo);
  ASSERT_TRUE(program.settle());

  // 3. Bottom right, 2 % from the edges; the margin is for the anchors but the centre.
  EXPECT_FALSE(panel.margin_edit()->enabled());
  ASSERT_EQ(choose_with_mouse(window, *panel.position_box(), 10), 10);
  ASSERT_TRUE(panel.margin_edit()->enabled());
  clear_edit(window, *panel.margin_edit());
  type(L"2");
  EXPECT_EQ(settings.margin, std::optional<float>(2.0f));
  expect_export_shows_the_preview(program, photo, L"9-bottom-right-margin.png");
  clear_edit(window, *panel.margin_edit());
  EXPECT_EQ(settings.margin, std::nullopt) << "an empty margin centres the stamp again";
  type(L"2");

  // 4. An outline 12 % of the text size and a shadow, back on the grid.
  choose_with_keys(window, *panel.position_box(), VK_UP, 10);
  ASSERT_EQ(static_cast<int>(settings.layout), 0);
  EXPECT_FALSE(panel.outline_width_edit()->enabled());
  desktop::click(window, point_of(window, *panel.outline_box(), 0.5f));
  desktop::pump(30);
  ASSERT_TRUE(settings.outline);
  ASSERT_TRUE(panel.outline_width_edit()->enabled());
  clear_edit(window, *panel.outline_width_edit());
  type(L"12");
  EXPECT_EQ(settings.outline_width, 12.0f);
  desktop::click(window, point_of(window, *panel.shadow_box(), 0.5f));
  desktop::pump(30);
  ASSERT_TRUE(settings.shadow);
  EXPECT_TRUE(panel.shadow_color_field()->enabled());
  expect_export_shows_the_preview(program, photo, L"10-outline-shadow.png");

  // 5. A logo from the open dialog: before the text, then alone.
  const std::wstring logo = make_logo(folder, L"logo.png");
  const std::wstring not_an_image = folder.file(L"notes.png");
  orvane::test::write_bytes(not_an_image, {'h', 'e', 'l', 'l', 'o'});
  EXPECT_EQ(choose_logo(program, not_an_image, true), L"Could not use the logo");
  EXPECT_EQ(settings.logo_path, L"");
  EXPECT_FALSE(panel.logo_clear_button()->enabled());
  choose_logo(program, logo);
  EXPECT_EQ(settings.logo_path, std::filesystem::absolute(logo).wstring());
  EXPECT_EQ(panel.logo_button()->label(), L"logo.png");
  clear_edit(window, *panel.logo_size_edit());
  type(L"20");
  EXPECT_EQ(settings.logo_size, 20.0f);
  expect_export_shows_the_preview(program, photo, L"11-logo-and-text.png");
  clear_edit(window, *panel.text_edit());
  EXPECT_EQ(settings.text, L"");
  expect_export_shows_the_preview(program, photo, L"12-logo-alone.png");

  // 6. The logo file goes away: the next frame falls back to the text, and the status line says why.
  type(L"Studio");
  ASSERT_TRUE(program.settle());
  std::filesystem::rename(logo, folder.file(L"moved.png"));
  clear_edit(window, *panel.rotation_edit());
  type(L"10");
  ASSERT_TRUE(program.settle());
  EXPECT_EQ(settings.logo_path, L"");
  EXPECT_EQ(panel.logo_button()->label(), L"Choose…");
  EXPECT_EQ(program->status(), L"Logo logo.png cannot be read · The mark shows the text alone");
  program_driver::save_shot(window, L"controls_logo_gone.png");
  expect_export_shows_the_preview(program, photo, L"13-logo-gone.png");

  // 7. A studio's mark on a landscape: logo and signature set 2 % from the bottom-right corner.
  const std::wstring scene = program_driver::make_scene(folder);
  ASSERT_FALSE(scene.empty());
  program->open_image(scene);
  clear_edit(window, *panel.text_edit());
  type(L"\u00A9 Kestrune Studio");
  choose_logo(program, make_logo(folder, L"kestrune.png"));
  clear_edit(window, *panel.logo_size_edit());
  type(L"6");
  clear_edit(window, *panel.rotation_edit());
  type(L"0");
  desktop::click(window, point_of(window, *panel.outline_box(), 0.5f));
  desktop::pump(30);
  EXPECT_FALSE(settings.outline);
  ASSERT_EQ(choose_with_mouse(window, *panel.position_box(), 10), 10);
  EXPECT_EQ(settings.margin, std::optional<float>(2.0f));
  expect_export_shows_the_preview(program, scene, L"14-studio-mark.png");
  program_driver::reveal(*panel.text_edit());
  program_driver::save_shot(window, L"main_window_mark.png");
}

std::wstring stored_text(const wchar_t* name) {
  wchar_t buffer[64] = {};
  DWORD size = sizeof(buffer);
  if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Kestrune\\Orvane\\Watermark", name, RRF_RT_REG_SZ, nullptr, buffer,
                   &size) != ERROR_SUCCESS) {
    return L"(none)";
  }
  return buffer;
}

DWORD stored_dword(const wchar_t* name) {
  DWORD value = 0xDEADBEEF;
  DWORD size = sizeof(value);
  RegGetValueW(HKEY_CURRENT_USER, L"Software\\Kestrune\\Orvane\\Watermark", name, RRF_RT_REG_DWORD, nullptr, &value, &size);
  return value;
}

void store(const wchar_t* name, DWORD type, const void* data, std::size_t bytes) {
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Kestrune\\Orvane\\Watermark", name, type, data,
                            static_cast<DWORD>(bytes)),
            ERROR_SUCCESS);
}

// The settings outlive the program: what the window was left with is in the registry, one value per
// setting, and a second start of the real window comes up with it, every control showing it. A value
// that is garbage (another type, out of range, far too long) falls back alone; the others stay.
TEST(Controls, SettingsAreRememberedAndGarbageFallsBackValueByValue) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring photo = make_photo(folder);
  {
    Program program(photo);
    ASSERT_NE(program.hwnd(), nullptr);
    const HWND window = program.hwnd();
    ControlsPanel& panel = program->controls();
    clear_edit(window, *panel.text_edit());
    type(L"\u00A9 2026 \u5DE5\u4F5C\u5BA4");
    choose_with_keys(window, *panel.unit_box(), VK_DOWN, 1);
    clear_edit(window, *panel.size_edit());
    type(L"5");
    ASSERT_EQ(choose_with_mouse(window, *panel.position_box(), 10), 10);
    clear_edit(window, *panel.margin_edit());
    type(L"2.5");
    desktop::click(window, point_of(window, *panel.outline_box(), 0.5f));
    desktop::pump(30);
    ASSERT_TRUE(program->settings().outline);
  }
  EXPECT_EQ(stored_text(L"Text"), L"\u00A9 2026 \u5DE5\u4F5C\u5BA4");
  EXPECT_EQ(stored_dword(L"Unit"), 1u);
  EXPECT_EQ(stored_text(L"FontSize"), L"5");
  EXPECT_EQ(stored_dword(L"Layout"), 10u);
  EXPECT_EQ(stored_text(L"Margin"), L"2.5");
  EXPECT_EQ(stored_dword(L"Outline"), 1u);
  EXPECT_EQ(stored_dword(L"Color"), 0x6EFFFFFFu);
  {
    Program program(photo);
    ControlsPanel& panel = program->controls();
    const auto& settings = program->settings();
    EXPECT_EQ(settings.text, L"\u00A9 2026 \u5DE5\u4F5C\u5BA4");
    EXPECT_EQ(settings.unit, orvane::engine::LengthUnit::percent_of_shorter_side);
    EXPECT_EQ(panel.unit_box()->selected_index(), 1);
    EXPECT_EQ(panel.size_edit()->text(), L"5");
    EXPECT_EQ(panel.position_box()->selected_index(), 10);
    EXPECT_TRUE(panel.margin_edit()->enabled());
    EXPECT_EQ(panel.margin_edit()->text(), L"2.5");
    EXPECT_TRUE(panel.outline_box()->checked());
    EXPECT_TRUE(panel.outline_width_edit()->enabled());
    program_driver::save_shot(program.hwnd(), L"controls_remembered.png");
  }

  const DWORD twelve = 12, forty_two = 42, red = 0x80FF0000;
  store(L"FontSize", REG_DWORD, &twelve, sizeof(twelve));         // a number as the wrong type
  store(L"Rotation", REG_SZ, L"999", 8);                          // out of range
  const std::wstring huge(5000, L'x');                            // longer than any watermark
  store(L"Text", REG_SZ, huge.c_str(), (huge.size() + 1) * sizeof(wchar_t));
  store(L"Layout", REG_DWORD, &forty_two, sizeof(forty_two));      // no such layout
  store(L"JpegQuality", REG_SZ, L"90", 6);                        // a DWORD as text
  store(L"Margin", REG_SZ, L"nan", 8);
  store(L"Color", REG_DWORD, &red, sizeof(red));                  // fine
  store(L"FutureSetting", REG_DWORD, &twelve, sizeof(twelve));    // from a later version
  {
    Program program(photo);
    const auto& settings = program->settings();
    EXPECT_EQ(settings.unit, orvane::engine::LengthUnit::percent_of_shorter_side);
    EXPECT_EQ(settings.font_size, 3.6f) << "the first-run size, in percent";
    EXPECT_EQ(settings.rotation, -30.0f);
    EXPECT_EQ(settings.text, orvane::app::default_settings(program->language()).text);
    EXPECT_EQ(settings.layout, orvane::engine::WatermarkLayout::Grid);
    EXPECT_EQ(settings.jpeg_quality, 90);
    EXPECT_EQ(settings.margin, std::nullopt);
    EXPECT_EQ(settings.color.argb(), red);
    EXPECT_TRUE(settings.outline) << "a good value beside bad ones stays";
  }
}

// Runs orvane-cli with `arguments` and waits for it; its exit status, or -1 when it did not start.
int run_cli(const std::wstring& arguments) {
  std::wstring command = L"\"" ORVANE_CLI_EXE L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process)) {
    return -1;
  }
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, 60000);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}

std::vector<char> file_bytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Presses a button of the presets card while the hand answers what it opens.
void press_preset_button(Program& program, modern::View& button, std::function<void()> script) {
  program_driver::Hand hand(std::move(script));
  desktop::click(program.hwnd(), point_of(program.hwnd(), button, 0.5f));
  hand.finish();
  desktop::pump(60);
}

// The name dialog: the hand types `name` over what it suggests and accepts.
std::function<void()> name_it(const std::wstring& title, const std::wstring& name, const std::wstring& picture = {}) {
  return [title, name, picture] {
    HWND dialog = program_driver::wait_for_window(L"Win32UiScaffoldWindow_v1", title);
    if (dialog == nullptr) return;
    Sleep(150);
    if (!picture.empty()) program_driver::save_shot(dialog, picture);
    SetForegroundWindow(dialog);
    program_driver::key(VK_END);
    for (int i = 0; i < 40; ++i) program_driver::key(VK_BACK);
    program_driver::type(name);
    program_driver::key(VK_RETURN);
  };
}

// Presets from the window: the mark saved under a name in the real name dialog, chosen again after
// changes (every control follows at once), exported to a file that orvane-cli turns into the very
// bytes the window exports, renamed, deleted and imported back; a file that is no preset is refused
// and changes nothing.
TEST(Controls, PresetsSaveChooseExportToTheCliRenameDeleteAndImport) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring photo = make_photo(folder);
  Program program(photo);
  ASSERT_NE(program.hwnd(), nullptr);
  const HWND window = program.hwnd();
  ControlsPanel& panel = program->controls();
  auto& settings = program->settings();
  const orvane::app::PresetsCard::Widgets& presets = panel.presets().widgets();
  ASSERT_NE(presets.list, nullptr);
  EXPECT_TRUE(presets.list->items().empty());
  EXPECT_FALSE(presets.rename->enabled());

  // 1. The mark of a client, saved as "Client A".
  clear_edit(window, *panel.text_edit());
  type(L"\u00A9 Client A");
  clear_edit(window, *panel.size_edit());
  type(L"48");
  ASSERT_EQ(choose_with_mouse(window, *panel.position_box(), 10), 10);
  desktop::click(window, point_of(window, *panel.shadow_box(), 0.5f));
  desktop::pump(30);
  press_preset_button(program, *presets.save, name_it(L"Save preset", L"Client A", L"controls_preset_name.png"));
  ASSERT_EQ(presets.list->items(), std::vector<std::wstring>{L"Client A"});
  EXPECT_EQ(presets.list->selected_index(), 0);

  // 2. Other settings; the list lets go of the preset, and choosing it brings every control back.
  clear_edit(window, *panel.text_edit());
  type(L"Other");
  clear_edit(window, *panel.size_edit());
  type(L"20");
  EXPECT_EQ(presets.list->selected_index(), -1) << "the settings are no longer the preset's";
  choose_with_keys(window, *presets.list, VK_DOWN, 1);
  EXPECT_EQ(settings.text, L"\u00A9 Client A");
  EXPECT_EQ(settings.font_size, 48.0f);
  EXPECT_EQ(panel.text_edit()->text(), L"\u00A9 Client A");
  EXPECT_EQ(panel.size_edit()->text(), L"48");
  EXPECT_EQ(panel.position_box()->selected_index(), 10);
  EXPECT_TRUE(panel.shadow_box()->checked());
  EXPECT_EQ(program->status(), L"Preset Client A applied");
  program_driver::save_shot(window, L"controls_preset_applied.png");

  // 3. Exported to a file, the preset gives orvane-cli the window's own export, byte for byte.
  const std::wstring preset_file = folder.file(L"client-a.orvane.json");
  press_preset_button(program, *presets.export_file, [&] { program_driver::fill_file_dialog(preset_file); });
  ASSERT_TRUE(std::filesystem::exists(preset_file));
  const std::wstring from_window = folder.file(L"window.png");
  ASSERT_TRUE(program_driver::export_with_ctrl_s(from_window));
  const std::wstring from_cli = folder.file(L"cli.png");
  ASSERT_EQ(run_cli(L"--preset-file \"" + preset_file + L"\" \"" + photo + L"\" -o \"" + from_cli + L"\""), 0);
  EXPECT_EQ(file_bytes(from_cli), file_bytes(from_window)) << "the window and the CLI stamped the preset differently";

  // 4. Renamed, then deleted after the question.
  press_preset_button(program, *presets.rename, name_it(L"Rename preset", L"Client B"));
  EXPECT_EQ(presets.list->items(), std::vector<std::wstring>{L"Client B"});
  press_preset_button(program, *presets.remove, [] { program_driver::dismiss_message(L"Delete preset?"); });
  EXPECT_TRUE(presets.list->items().empty());

  // 5. A file that is no preset changes nothing; the exported one comes back as "Client A".
  const std::wstring broken = folder.file(L"broken.orvane.json");
  orvane::test::write_bytes(broken, {'{', '"', 'f', 'o'});
  std::wstring seen;
  press_preset_button(program, *presets.import_file, [&] {
    if (program_driver::fill_file_dialog(broken)) seen = program_driver::dismiss_message(L"", L"controls_preset_refused.png");
  });
  EXPECT_EQ(seen, L"Preset not changed");
  EXPECT_TRUE(presets.list->items().empty());
  press_preset_button(program, *presets.import_file, [&] { program_driver::fill_file_dialog(preset_file); });
  EXPECT_EQ(presets.list->items(), std::vector<std::wstring>{L"Client A"});
  EXPECT_EQ(settings.text, L"\u00A9 Client A");
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
  RegDeleteTreeW(HKEY_CURRENT_USER, key);
}

}  // namespace
}  // namespace controls_test
