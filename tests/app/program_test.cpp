#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "desktop.h"
#include "orvane_application.h"
#include "test_support.h"

namespace program_test {
namespace {

// The program's main window: never taken for one of its dialogs.
HWND main_window = nullptr;

using orvane::app::OrvaneApplication;

// COM for the common dialogs and the image decoder, GDI+ for writing and reading test pictures.
struct Environment {
  Environment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~Environment() { CoUninitialize(); }
  orvane::test::GdiplusScope gdiplus;
};

// A window of this process with a class and (part of a) title, or null.
HWND find_window(const wchar_t* window_class, const std::wstring& title_part) {
  struct Search {
    const wchar_t* window_class;
    const std::wstring* title;
    HWND found;
  } search{window_class, &title_part, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != GetCurrentProcessId() || !IsWindowVisible(window) || window == main_window) return TRUE;
        wchar_t name[64] = {};
        wchar_t title[256] = {};
        GetClassNameW(window, name, 64);
        GetWindowTextW(window, title, 256);
        if (std::wcscmp(name, s.window_class) == 0 && std::wstring(title).find(*s.title) != std::wstring::npos) {
          s.found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND wait_for_window(const wchar_t* window_class, const std::wstring& title, int milliseconds = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    if (HWND window = find_window(window_class, title)) return window;
    Sleep(30);
  }
  return nullptr;
}

void key(WORD vk) {
  INPUT inputs[2]{};
  inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
  inputs[0].ki.wVk = inputs[1].ki.wVk = vk;
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
  Sleep(80);
}

void type(const std::wstring& text) {
  for (const wchar_t c : text) {
    INPUT inputs[2]{};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wScan = inputs[1].ki.wScan = c;
    inputs[0].ki.dwFlags = KEYEVENTF_UNICODE;
    inputs[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
  }
  Sleep(80);
}

void save_shot(HWND window, const std::wstring& name) {
  if (window == nullptr) return;
  orvane::test::save_pixels(desktop::capture_client(window), std::wstring(L"" APP_ARTEFACT_DIR) + L"/" + name,
                            L"image/png");
}

// A user's hand on another thread: it waits for the windows the program opens and types and presses
// keys there, while the program's own thread sits in the dialog's modal loop.
class Hand {
 public:
  explicit Hand(std::function<void()> script) : thread_([this, script = std::move(script)] {
    script();
    done_ = true;
  }) {}
  ~Hand() {
    if (thread_.joinable()) thread_.join();
  }
  // Runs the program's side until the hand is done.
  void finish() {
    desktop::pump_until([this] { return done_.load(); }, 20000);
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// Answers the next message dialog with Enter and remembers its title.
std::wstring dismiss_message(const std::wstring& expected_title, const std::wstring& picture = {}) {
  HWND dialog = wait_for_window(L"Win32UiScaffoldWindow_v1", expected_title);
  if (dialog == nullptr) return L"(no dialog)";
  wchar_t title[256] = {};
  GetWindowTextW(dialog, title, 256);
  Sleep(150);
  if (!picture.empty()) save_shot(dialog, picture);
  SetForegroundWindow(dialog);
  key(VK_RETURN);
  return title;
}

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
  OrvaneApplication application(GetModuleHandleW(nullptr));
  ASSERT_TRUE(application.create(photo));
  HWND window = application.hwnd();
  main_window = window;
  SetForegroundWindow(window);
  desktop::pump(200);
  EXPECT_EQ(application.image_path(), std::filesystem::absolute(photo).wstring());
  save_shot(window, L"program_opened.png");
  const orvane::test::Pixels opened = desktop::capture_client(window);

  // Ctrl+S: the save dialog suggests photo-watermarked.jpg; the user types another name and saves.
  const std::wstring output = folder.file(L"out.png");
  Hand hand([&] {
    HWND dialog = wait_for_window(L"#32770", L"");
    if (dialog == nullptr) return;
    Sleep(200);
    save_shot(dialog, L"program_save_dialog.png");
    SetForegroundWindow(dialog);
    // The name field has the focus and the suggested name selected: typing replaces it.
    key(VK_END);
    for (int i = 0; i < 80; ++i) key(VK_BACK);
    type(output);
    key(VK_RETURN);
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
  OrvaneApplication application(GetModuleHandleW(nullptr));
  ASSERT_TRUE(application.create(L""));
  HWND window = application.hwnd();
  main_window = window;
  SetForegroundWindow(window);
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
      HWND dialog = wait_for_window(L"#32770", L"");
      if (dialog == nullptr) return;
      Sleep(200);
      SetForegroundWindow(dialog);
      key(VK_END);
      for (int i = 0; i < 80; ++i) key(VK_BACK);
      std::wstring upper = std::filesystem::absolute(photo).wstring();
      for (auto& c : upper) c = static_cast<wchar_t>(towupper(c));
      type(upper);
      key(VK_RETURN);
      // The dialog asks before replacing an existing file: yes.
      Sleep(300);
      if (HWND ask = wait_for_window(L"#32770", L"", 1500); ask != nullptr && ask != dialog) key(VK_RETURN);
      seen = dismiss_message(L"");
    });
    application.export_watermarked();
    hand.finish();
  }
  EXPECT_TRUE(seen == L"Choose another filename" || seen == L"请选择其他文件名") << std::string(seen.begin(), seen.end());
  EXPECT_EQ(std::filesystem::file_size(photo), std::filesystem::file_size(photo));
}

TEST(Program, ADropOpensTheFirstFileOnly) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring first = make_photo(folder, L"first.jpg", 320, 200);
  const std::wstring second = make_photo(folder, L"second.jpg", 200, 320);
  OrvaneApplication application(GetModuleHandleW(nullptr));
  ASSERT_TRUE(application.create(L""));
  // A DROPFILES block as Explorer builds it: wide names, each ended, the list ended once more.
  std::wstring names = first + L'\0' + second + L'\0' + folder.path().wstring() + L'\0' + L'\0';
  const std::size_t bytes = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  ASSERT_NE(memory, nullptr);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  SendMessageW(application.hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
  EXPECT_EQ(application.image_path(), std::filesystem::absolute(first).wstring());
  desktop::pump(100);
  save_shot(application.hwnd(), L"program_dropped.png");
}

}  // namespace
}  // namespace program_test
