#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cwctype>
#include <memory>
#include <cstdint>
#include <set>
#include <span>
#include <type_traits>
#include <string>
#include <utility>
#include <vector>

#include "icon_tint.h"
#include "orvane_version.h"
#include "resources/resource_ids.h"
#include "test_support.h"
#include "ui_resources.h"

namespace orvane::app {
namespace {

using win32_ui::ui::graphics::Image;
using Bgra = std::array<int, 4>;

HMODULE self() { return GetModuleHandleW(nullptr); }

std::span<const std::uint8_t> resource_bytes(const wchar_t* type, int id) {
  HRSRC found = FindResourceW(self(), MAKEINTRESOURCEW(id), type);
  if (found == nullptr) return {};
  const void* bytes = LockResource(LoadResource(self(), found));
  return {static_cast<const std::uint8_t*>(bytes), SizeofResource(self(), found)};
}

Bgra at(const Image& image, std::uint32_t x, std::uint32_t y) {
  const std::uint8_t* p = image.pixels().data() + static_cast<std::size_t>(y) * image.stride() + x * 4;
  return {p[0], p[1], p[2], p[3]};
}

Bgra opaque(Rgb c) { return {c.blue, c.green, c.red, 255}; }

// Decoding needs COM on the calling thread.
class IconSheet : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
  void TearDown() override { CoUninitialize(); }
};

// A sheet of one row of pixels given as R, G, B.
Image row_sheet(const std::vector<Rgb>& colours) {
  std::vector<std::uint8_t> bytes;
  for (const Rgb& c : colours) bytes.insert(bytes.end(), {c.blue, c.green, c.red, 255});
  Image sheet;
  EXPECT_EQ(Image::from_pixels(static_cast<std::uint32_t>(colours.size()), 1,
                               static_cast<std::uint32_t>(colours.size() * 4), bytes, sheet),
            0);
  return sheet;
}

// A grey sheet of side `side` with a white block at [x0, x1) × [y0, y1).
Image block_sheet(std::uint32_t side, std::uint32_t x0, std::uint32_t y0, std::uint32_t x1, std::uint32_t y1) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(side) * side * 4, 180);
  for (std::uint32_t y = 0; y < side; ++y) {
    for (std::uint32_t x = 0; x < side; ++x) {
      std::uint8_t* p = bytes.data() + (static_cast<std::size_t>(y) * side + x) * 4;
      if (x >= x0 && x < x1 && y >= y0 && y < y1) p[0] = p[1] = p[2] = 255;
      p[3] = 255;
    }
  }
  Image sheet;
  EXPECT_EQ(Image::from_pixels(side, side, side * 4, bytes, sheet), 0);
  return sheet;
}

TEST_F(IconSheet, TintKeysByTheFormulaWhoseFirstVisibleGreyIs219) {
  constexpr Rgb ink{0x33, 0x41, 0x55}, accent{0x02, 0x84, 0xC7};
  // avg 218 | avg 219 | white | blue spread 23 | blue spread 22 | green above blue | vivid blue
  const Image icon = tint_icon(row_sheet({{218, 218, 218}, {219, 219, 220}, {255, 255, 255}, {200, 210, 223},
                                          {200, 210, 222}, {40, 231, 230}, {0x1E, 0x88, 0xE5}}),
                               0, 0, ink, accent, 1);
  ASSERT_EQ(icon.width(), 7u);
  EXPECT_EQ(at(icon, 0, 0), (Bgra{0, 0, 0, 0}));
  EXPECT_EQ(at(icon, 1, 0), (Bgra{7 * 0x55 / 255, 7 * 0x41 / 255, 7 * 0x33 / 255, 7}));
  EXPECT_EQ(at(icon, 2, 0), opaque(ink));
  EXPECT_EQ(at(icon, 3, 0), (Bgra{55 * 0xC7 / 255, 55 * 0x84 / 255, 55 * 0x02 / 255, 55}));
  EXPECT_EQ(at(icon, 4, 0), (Bgra{0, 0, 0, 0}));  // not saturated: grey of average 210, keyed out
  EXPECT_EQ(at(icon, 5, 0)[3], 0);               // green above blue: not the accent, average 167
  EXPECT_EQ(at(icon, 6, 0), opaque(accent));
}

TEST_F(IconSheet, TintCropsToWhatShowsWithAMarginOfAtLeastFive) {
  constexpr Rgb white{255, 255, 255};
  // 120 / 24 = 5: the margin.
  Image icon = tint_icon(block_sheet(120, 40, 50, 43, 52), 0, 0, white, white, 1);
  EXPECT_EQ(std::pair(icon.width(), icon.height()), std::pair(13u, 12u));
  EXPECT_EQ(at(icon, 5, 5), opaque(white));
  // 72 / 24 = 3, below 5: the margin is 4.
  icon = tint_icon(block_sheet(72, 40, 50, 43, 52), 0, 0, white, white, 1);
  EXPECT_EQ(std::pair(icon.width(), icon.height()), std::pair(11u, 10u));
  // Clipped to the cell: a block in the corner of the second cell of a 2 × 2 sheet.
  icon = tint_icon(block_sheet(120, 60, 0, 62, 2), 1, 0, white, white, 2);
  EXPECT_EQ(std::pair(icon.width(), icon.height()), std::pair(6u, 6u));
  EXPECT_EQ(at(icon, 0, 0), opaque(white));
  // Nothing shows in the cell: the whole cell, all transparent.
  icon = tint_icon(block_sheet(120, 0, 0, 10, 10), 1, 1, white, white, 2);
  EXPECT_EQ(std::pair(icon.width(), icon.height()), std::pair(60u, 60u));
  EXPECT_EQ(at(icon, 30, 30)[3], 0);
  // No sheet, no divisions, or a cell outside the grid.
  EXPECT_FALSE(tint_icon(Image(), 0, 0, white, white, 3).is_valid());
  EXPECT_FALSE(tint_icon(block_sheet(12, 0, 0, 1, 1), 0, 0, white, white, 0).is_valid());
  EXPECT_FALSE(tint_icon(block_sheet(12, 0, 0, 1, 1), 3, 0, white, white, 3).is_valid());
  EXPECT_FALSE(tint_icon(block_sheet(12, 0, 0, 1, 1), 0, -1, white, white, 3).is_valid());
}

// Pixels composed over an opaque background, for pictures a person can look at.
class Board {
 public:
  Board(std::uint32_t width, std::uint32_t height, Rgb background) {
    pixels_.width = width;
    pixels_.height = height;
    pixels_.argb.assign(static_cast<std::size_t>(width) * height,
                        0xFF000000u | background.red << 16 | background.green << 8 | background.blue);
  }
  void draw(const Image& image, std::uint32_t left, std::uint32_t top) {
    for (std::uint32_t y = 0; y < image.height() && top + y < pixels_.height; ++y) {
      for (std::uint32_t x = 0; x < image.width() && left + x < pixels_.width; ++x) {
        const Bgra p = at(image, x, y);
        std::uint32_t& out = pixels_.argb[static_cast<std::size_t>(top + y) * pixels_.width + left + x];
        const auto over = [&](int shift, int premultiplied) {
          const int under = static_cast<int>(out >> shift & 0xFF);
          return static_cast<std::uint32_t>(premultiplied + under * (255 - p[3]) / 255) << shift;
        };
        out = 0xFF000000u | over(16, p[2]) | over(8, p[1]) | over(0, p[0]);
      }
    }
  }
  const test::Pixels& pixels() const { return pixels_; }

 private:
  test::Pixels pixels_;
};

void save(const test::Pixels& pixels, const wchar_t* name) {
  test::GdiplusScope gdiplus;
  EXPECT_TRUE(test::save_pixels(pixels, std::wstring(L"" ARTEFACT_DIR) + L"/" + name, L"image/png")) << name;
}

TEST_F(IconSheet, SheetResourceIsAnOpaqueThreeByThreeGridOverAKeyedOutCheckerboard) {
  const auto bytes = resource_bytes(RT_RCDATA, ORVANE_IDR_ICON_SHEET);
  ASSERT_FALSE(bytes.empty());
  Image sheet;
  ASSERT_EQ(Image::decode_image(bytes, sheet), 0);
  ASSERT_EQ(sheet.width(), sheet.height());
  ASSERT_EQ(sheet.width() % 3, 0u);
  for (std::uint32_t y = 0; y < sheet.height(); ++y) {
    for (std::uint32_t x = 0; x < sheet.width(); ++x) ASSERT_EQ(at(sheet, x, y)[3], 255) << x << "," << y;
  }
  Board raw(sheet.width(), sheet.height(), {0, 0, 0});
  raw.draw(sheet, 0, 0);
  save(raw.pixels(), L"icon_sheet.png");

  // Inside the placeholder picture's frame, away from its hills and sun, the sheet shows only
  // the grey checkerboard; the tint takes it out. The glyph is centred in its cell, and so is
  // the cropped icon on it: a quarter of a cell up and left of the centre lies in that spot.
  const std::uint32_t cell = sheet.width() / 3, quarter = cell / 4;
  const Bgra grey = at(sheet, 2 * cell + cell / 2 - quarter, 2 * cell + cell / 2 - quarter);
  EXPECT_EQ(grey[0], grey[1]);
  EXPECT_EQ(grey[1], grey[2]);
  EXPECT_LE(grey[0], 218);
  const UiResources icons = load_icons(self());
  ASSERT_TRUE(icons.picture.light.is_valid());
  const Image& picture = icons.picture.light;
  EXPECT_EQ(at(picture, picture.width() / 2 - quarter, picture.height() / 2 - quarter), (Bgra{0, 0, 0, 0}));
  EXPECT_EQ(at(picture, 0, 0), (Bgra{0, 0, 0, 0}));  // the margin
}

TEST_F(IconSheet, LoadIconsTintsEveryCellSquareInBothVariants) {
  const UiResources icons = load_icons(self());
  const std::pair<const char*, const IconPair*> all[] = {
      {"open", &icons.open},         {"export", &icons.export_image}, {"theme", &icons.theme},
      {"language", &icons.language}, {"help", &icons.help},           {"watermark", &icons.watermark},
      {"layout", &icons.layout},     {"export settings", &icons.export_settings},
      {"picture", &icons.picture}};

  Board light(9 * 140, 140 + 80, {0xF8, 0xFA, 0xFC}), dark(9 * 140, 140 + 80, {0x1B, 0x21, 0x2B});
  std::uint32_t slot = 0;
  for (const auto& [name, pair] : all) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(pair->light.is_valid());
    ASSERT_TRUE(pair->dark.is_valid());
    // Views draw icons into square boxes: a glyph that is not square would be stretched.
    EXPECT_LE(std::abs(static_cast<int>(pair->light.width()) - static_cast<int>(pair->light.height())), 1);
    EXPECT_EQ(pair->light.width(), pair->dark.width());
    EXPECT_EQ(pair->light.height(), pair->dark.height());
    // Every pixel is the ink or the accent of its variant at some opacity, both occur, and most of
    // the checkerboard is gone.
    for (const auto& [image, tint] : {std::pair(&pair->light, light_icon_tint), std::pair(&pair->dark, dark_icon_tint)}) {
      int ink = 0, accent = 0, clear = 0;
      for (std::uint32_t y = 0; y < image->height(); ++y) {
        for (std::uint32_t x = 0; x < image->width(); ++x) {
          const Bgra p = at(*image, x, y);
          const auto tinted = [&](Rgb c) {
            return p == Bgra{p[3] * c.blue / 255, p[3] * c.green / 255, p[3] * c.red / 255, p[3]};
          };
          if (p[3] == 0) {
            EXPECT_EQ(p, (Bgra{0, 0, 0, 0}));
            ++clear;
          } else if (tinted(tint.ink)) {
            ink += p[3] == 255;
          } else {
            ASSERT_TRUE(tinted(tint.accent)) << x << "," << y;
            accent += p[3] == 255;
          }
        }
      }
      EXPECT_GT(ink, 50);
      EXPECT_GT(accent, 20);
      EXPECT_GT(clear, static_cast<int>(image->width() * image->height() / 3));
    }
    light.draw(pair->light, slot * 140 + 4, 4);
    dark.draw(pair->dark, slot * 140 + 4, 4);
    // At the sizes the window shows them: header buttons 30, section headers 22.
    for (const auto& [board, image] : {std::pair(&light, &pair->light), std::pair(&dark, &pair->dark)}) {
      Image small;
      Image smaller;
      ASSERT_EQ(image->resized(30, 30, small), 0);
      ASSERT_EQ(image->resized(22, 22, smaller), 0);
      board->draw(small, slot * 140 + 10, 150);
      board->draw(smaller, slot * 140 + 60, 154);
    }
    ++slot;
  }
  save(light.pixels(), L"icons_light.png");
  save(dark.pixels(), L"icons_dark.png");

  // Known spots: the centre of the globe is on its equator (ink), the centre of the "i" on its
  // stem and the centre of the focus frame on its dot (accent).
  const auto centre = [](const Image& image) { return at(image, image.width() / 2, image.height() / 2); };
  EXPECT_EQ(centre(icons.language.light), opaque(light_icon_tint.ink));
  EXPECT_EQ(centre(icons.language.dark), opaque(dark_icon_tint.ink));
  EXPECT_EQ(centre(icons.help.light), opaque(light_icon_tint.accent));
  EXPECT_EQ(centre(icons.help.dark), opaque(dark_icon_tint.accent));
  EXPECT_EQ(centre(icons.layout.light), opaque(light_icon_tint.accent));
}

TEST_F(IconSheet, AModuleWithoutTheSheetLeavesEveryIconEmpty) {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const UiResources icons = load_icons(kernel);
  EXPECT_FALSE(icons.open.light.is_valid());
  EXPECT_FALSE(icons.picture.dark.is_valid());
}

struct IconDeleter {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct BitmapDeleter {
  void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};
using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;
using BitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapDeleter>;

TEST(ApplicationIcon, HoldsAPngImageOfEveryIconSizeAndLoadsAtEach) {
  const auto group = resource_bytes(RT_GROUP_ICON, ORVANE_IDI_APPLICATION);
  ASSERT_FALSE(group.empty());
  std::set<int> ids;
  for (const int size : {16, 20, 24, 32, 48, 64, 128, 256}) {
    SCOPED_TRACE(size);
    const int id =
        LookupIconIdFromDirectoryEx(const_cast<PBYTE>(group.data()), TRUE, size, size, LR_DEFAULTCOLOR);
    ASSERT_NE(id, 0);
    ids.insert(id);
    const auto image = resource_bytes(RT_ICON, id);
    ASSERT_GE(image.size(), 24u);
    EXPECT_EQ(std::string(image.begin() + 1, image.begin() + 4), "PNG");
    const auto big_endian = [&](std::size_t at) {
      return static_cast<int>(image[at] << 24 | image[at + 1] << 16 | image[at + 2] << 8 | image[at + 3]);
    };
    EXPECT_EQ(big_endian(16), size);  // IHDR width
    EXPECT_EQ(big_endian(20), size);  // IHDR height
    EXPECT_EQ(image[25], 6);          // IHDR colour type: RGB with alpha, for the rounded corners

    const IconHandle icon(static_cast<HICON>(
        LoadImageW(self(), MAKEINTRESOURCEW(ORVANE_IDI_APPLICATION), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon.get(), &info));
    const BitmapHandle colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bitmap{};
    ASSERT_TRUE(GetObjectW(colour.get(), sizeof(bitmap), &bitmap));
    EXPECT_EQ(bitmap.bmWidth, size);
    EXPECT_EQ(bitmap.bmHeight, size);
  }
  EXPECT_EQ(ids.size(), 8u);
}

std::wstring version_string(const std::vector<std::uint8_t>& block, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\080404B0\\") + name;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || value == nullptr) return L"<missing>";
  return static_cast<const wchar_t*>(value);
}

TEST(VersionInformation, OneChineseUnicodeStringTableWithTheProductStrings) {
  wchar_t path[MAX_PATH]{};
  ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  const DWORD size = GetFileVersionInfoSizeW(path, nullptr);
  ASSERT_GT(size, 0u);
  std::vector<std::uint8_t> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));

  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(static_cast<const WORD*>(value)[0], 0x0804);
  EXPECT_EQ(static_cast<const WORD*>(value)[1], 1200);

  EXPECT_EQ(version_string(block, L"FileVersion"), ORVANE_VERSION_WIDE_TEXT);
  EXPECT_EQ(version_string(block, L"ProductVersion"), ORVANE_VERSION_WIDE_TEXT);
  EXPECT_EQ(version_string(block, L"FileDescription"), L"Orvane Image Watermark Tool");
  EXPECT_EQ(version_string(block, L"InternalName"), L"orvane");
  EXPECT_EQ(version_string(block, L"OriginalFilename"), L"orvane.exe");
  EXPECT_EQ(version_string(block, L"ProductName"), L"Orvane");
  EXPECT_EQ(version_string(block, L"CompanyName"), L"Kestrune");
  EXPECT_NE(version_string(block, L"LegalCopyright"), L"<missing>");

  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &value, &length));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(ORVANE_VERSION_MAJOR << 16 | ORVANE_VERSION_MINOR));
  EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(ORVANE_VERSION_PATCH << 16));
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
}

using QueryActCtxSettings = BOOL(WINAPI*)(DWORD, HANDLE, PCWSTR, PCWSTR, PWSTR, SIZE_T, SIZE_T*);

TEST(Manifest, LoadsAsAnActivationContextWithItsWindowsSettings) {
  ACTCTXW request{};
  request.cbSize = sizeof(request);
  request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.hModule = self();
  request.lpResourceName = MAKEINTRESOURCEW(1);
  const HANDLE context = CreateActCtxW(&request);
  ASSERT_NE(context, INVALID_HANDLE_VALUE) << GetLastError();

  const auto query = reinterpret_cast<QueryActCtxSettings>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "QueryActCtxSettingsW")));
  ASSERT_NE(query, nullptr);
  const auto setting = [&](const wchar_t* name_space, const wchar_t* name) {
    wchar_t buffer[64]{};
    SIZE_T written = 0;
    if (!query(0, context, name_space, name, buffer, 64, &written)) return std::wstring(L"<none>");
    return std::wstring(buffer);
  };
  constexpr const wchar_t* ns2005 = L"http://schemas.microsoft.com/SMI/2005/WindowsSettings";
  constexpr const wchar_t* ns2016 = L"http://schemas.microsoft.com/SMI/2016/WindowsSettings";
  EXPECT_EQ(setting(ns2005, L"dpiAware"), L"true/pm");
  EXPECT_EQ(setting(ns2016, L"dpiAwareness"), L"PerMonitorV2");
  EXPECT_EQ(setting(ns2016, L"longPathAware"), L"true");
  ReleaseActCtx(context);

  // The common controls of version 6 are the ones the process gets: the side-by-side assembly.
  const HMODULE comctl = LoadLibraryW(L"comctl32.dll");
  ASSERT_NE(comctl, nullptr);
  wchar_t path[MAX_PATH]{};
  ASSERT_GT(GetModuleFileNameW(comctl, path, MAX_PATH), 0u);
  std::wstring lower(path);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t c) { return static_cast<wchar_t>(towlower(c)); });
  EXPECT_NE(lower.find(L"\\winsxs\\amd64_microsoft.windows.common-controls_6595b64144ccf1df_6.0."), std::wstring::npos)
      << lower;
  const auto get_version = reinterpret_cast<DLLGETVERSIONPROC>(
      reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
  ASSERT_NE(get_version, nullptr);
  DLLVERSIONINFO version{};
  version.cbSize = sizeof(version);
  ASSERT_EQ(get_version(&version), S_OK);
  // Wine's side-by-side copy reports version 5.80 all the same.
  if (!test::running_under_wine()) {
    EXPECT_EQ(version.dwMajorVersion, 6u);
  }
  FreeLibrary(comctl);
}

}  // namespace
}  // namespace orvane::app
