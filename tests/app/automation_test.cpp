// The real program through UI Automation.
// - Structure from outside the process, as a screen reader reads it: uia_dump walks the windows of
//   orvane.exe and of this process through UIA's node API, and its dumps are compared with files kept
//   with the tests (tests/app/data/uia/).
// - Actions and properties from a thread that is not the UI thread, exactly as UIA calls the providers:
//   text typed through the value pattern, the fit box toggled, a Position entry chosen, a slider moved,
//   Export invoked and its save dialog answered, About invoked while its dialog stays open.
// - Threads: a client reading properties while the UI thread rebuilds the content 100 times.
// - Events: recorded through the bridge's sink, since Wine delivers none to any client.

#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "accessibility/semantics_snapshot.h"
#include "automation_client.h"
#include "controls_panel.h"
#include "desktop.h"
#include "modern/native/win32_combo_box.h"
#include "modern/native/win32_edit.h"
#include "modern/surface.h"
#include "modern/tree/view_group.h"
#include "modern/widgets/check_box.h"
#include "modern/widgets/slider.h"
#include "orvane_application.h"
#include "platform/windows/accessibility/semantics_automation_host.h"
#include "program_driver.h"
#include "test_support.h"

namespace program_automation_test {
namespace {

using automation_client::Element;
using automation_client::Ref;
using orvane::app::OrvaneApplication;
using program_driver::find_window_of;
using program_driver::key;
using program_driver::save_shot;
using program_driver::type;
using win32_ui::platform::windows::accessibility::AutomationEventSink;
using win32_ui::platform::windows::accessibility::SemanticsEvent;
namespace uia = win32_ui::accessibility::uia;

constexpr HRESULT not_enabled = static_cast<HRESULT>(0x80040200L);
constexpr wchar_t preferences_key[] = L"Software\\Kestrune\\Orvane";

// COM for the common dialogs and the image decoder, GDI+ for test pictures.
struct Environment {
  // A first run each time: no language, theme, settings or presets kept from another test.
  Environment() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    RegDeleteTreeW(HKEY_CURRENT_USER, preferences_key);
  }
  ~Environment() {
    RegDeleteTreeW(HKEY_CURRENT_USER, preferences_key);
    CoUninitialize();
  }
  orvane::test::GdiplusScope gdiplus;
};

// The language the next program starts in: 1 Chinese, 2 English; the theme light.
void prefer(DWORD language) {
  const DWORD light = 1;
  RegSetKeyValueW(HKEY_CURRENT_USER, preferences_key, L"Language", REG_DWORD, &language, sizeof(language));
  RegSetKeyValueW(HKEY_CURRENT_USER, preferences_key, L"ThemeMode", REG_DWORD, &light, sizeof(light));
}

std::wstring make_photo(const orvane::test::TempDir& folder, const std::wstring& name, std::uint32_t width,
                        std::uint32_t height) {
  const std::wstring path = folder.file(name);
  EXPECT_TRUE(orvane::test::save_pixels(orvane::test::make_pattern(width, height), path, L"image/jpeg"));
  return path;
}

HWND wait_for_window(const wchar_t* window_class, HWND exclude, int milliseconds = 8000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    if (HWND window = find_window_of(GetCurrentProcessId(), window_class, L"", exclude)) return window;
    Sleep(30);
  }
  return nullptr;
}

// --- uia_dump

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Runs uia_dump with the arguments and returns what it printed. `pump` keeps this thread's windows
// answering while it runs (needed when it dumps a window of this process from the UI thread).
// Under Wine a dump still running after 30 s is ended and the test skipped (callers return when
// IsSkipped()). Wine 8's COM can deadlock the dumped process's RPC thread on itself while it releases
// the client's last node (it tears the multithreaded apartment down and waits for calls that include
// its own), and then the client waits for good. The bridge keeps that apartment alive to prevent it;
// should a dump hang anyway, the dumped program stays responsive and it is only the dump that is lost.
std::string run_dump(const std::wstring& arguments, bool pump, const orvane::test::TempDir& folder, int* exit_code = nullptr) {
  static std::atomic<int> counter{0};
  const std::wstring out = folder.file(L"dump" + std::to_wstring(counter++) + L".txt");
  std::wstring command = L"\"" UIA_DUMP_EXE L"\" " + arguments + L" --out \"" + out + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return {};
  constexpr int bound_ms = 30000;
  if (pump) {
    desktop::pump_until([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, bound_ms);
  } else {
    WaitForSingleObject(process.hProcess, bound_ms);
  }
  DWORD code = 99;
  GetExitCodeProcess(process.hProcess, &code);
  const bool hung = code == STILL_ACTIVE;
  if (hung) {  // end the dump this test started, whatever follows
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
  }
  if (exit_code != nullptr) *exit_code = static_cast<int>(code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (hung && automation_client::under_wine()) {
    [] { GTEST_SKIP() << "Wine 8's UIA left uia_dump blocked for 30 s (its COM deadlocks now and then on a node's release)"; }();
    return {};
  }
  return read_file(out);
}

// The program started as its own process, ended when the test is done with it: asked to close first,
// terminated when it has not gone 15 s later, so no test leaves a program behind.
struct ProgramProcess {
  PROCESS_INFORMATION process{};
  HWND window = nullptr;

  explicit ProgramProcess(std::wstring command) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
      process = PROCESS_INFORMATION{};
    }
  }
  ~ProgramProcess() {
    if (process.hProcess == nullptr) return;
    if (!closed(15000)) {
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;

  [[nodiscard]] bool started() const noexcept { return process.hProcess != nullptr; }
  // Posts WM_CLOSE to its window and waits for the process to end.
  bool closed(DWORD milliseconds) const {
    if (window != nullptr) PostMessageW(window, WM_CLOSE, 0, 0);
    return WaitForSingleObject(process.hProcess, milliseconds) == WAIT_OBJECT_0;
  }
};

std::wstring hex(HWND window) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
  return text;
}

// Default automation ids carry view ids, which change with every build of the tree: they are compared
// as "semantics-#".
std::string normalized(const std::string& dump) {
  return std::regex_replace(dump, std::regex("semantics-[0-9]+"), "semantics-#");
}

// Compares a dump with the expected file kept with the tests; the actual dump is kept in the build tree.
// ORVANE_UPDATE_UIA_DUMPS=1 writes the expected files instead. The files hold what Wine's UIA answers;
// Windows answers more (values, toggle states), so there they are compared only when a ".windows" file
// exists.
void expect_dump(const std::string& raw, const std::string& name) {
  const std::string dump = normalized(raw);
  const std::string flavour = automation_client::under_wine() ? ".wine.txt" : ".windows.txt";
  std::ofstream(std::filesystem::path(ARTEFACT_DIR) / ("uia_" + name + flavour), std::ios::binary) << dump;
  const std::filesystem::path expected = std::filesystem::path(ORVANE_UIA_EXPECTED_DIR) / (name + flavour);
  const char* update = std::getenv("ORVANE_UPDATE_UIA_DUMPS");
  if (update != nullptr && std::string(update) == "1") {
    std::ofstream(expected, std::ios::binary) << dump;
    return;
  }
  if (!std::filesystem::exists(expected)) {
    ASSERT_TRUE(!automation_client::under_wine()) << "missing expected dump " << expected.string();
    return;
  }
  const std::string wanted = read_file(expected);
  if (dump == wanted) return;
  // The first line that differs, for the failure message.
  std::istringstream a(wanted), b(dump);
  std::string la, lb;
  int line = 1;
  while (true) {
    const bool more_a = static_cast<bool>(std::getline(a, la));
    const bool more_b = static_cast<bool>(std::getline(b, lb));
    if (!more_a && !more_b) break;
    if (la != lb || more_a != more_b) break;
    ++line;
  }
  ADD_FAILURE() << name << ": dump differs from " << expected.string() << " at line " << line << "\n  expected: " << la
                << "\n  actual:   " << lb << "\n(the whole dump is in the build tree: uia_" << name << flavour << ")";
}

// --- the program as a separate process

TEST(ProgramAutomation, TheRealProgramsMainWindowDumpsFromAnotherProcessInEnglishAndChinese) {
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring photo = make_photo(folder, L"photo.jpg", 900, 600);
  for (const auto& [language, name] : {std::pair<DWORD, const char*>{2, "main_window_english"}, {1, "main_window_chinese"}}) {
    SCOPED_TRACE(name);
    prefer(language);
    ProgramProcess program(L"\"" ORVANE_EXE L"\" \"" + photo + L"\"");
    ASSERT_TRUE(program.started());
    HWND& window = program.window;
    desktop::pump_until(
        [&] { return (window = find_window_of(program.process.dwProcessId, L"Win32UiScaffoldWindow_v1", L"")) != nullptr; }, 15000);
    ASSERT_NE(window, nullptr);
    // The program has started once its thread waits for input; then the first layout and the preview.
    WaitForInputIdle(program.process.hProcess, 10000);
    desktop::pump(700);
    save_shot(window, language == 2 ? L"uia_main_window_english.png" : L"uia_main_window_chinese.png");
    int code = -1;
    const std::string dump = run_dump(L"--process " + std::to_wstring(program.process.dwProcessId), true, folder, &code);
    if (IsSkipped()) {
      // The dump is lost, but the program must still close when asked.
      EXPECT_TRUE(program.closed(15000)) << "the program did not close after its dump was lost";
      return;
    }
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(dump.empty());
    expect_dump(dump, name);
    EXPECT_TRUE(program.closed(15000)) << "the program did not close";
  }
}

// --- the program in this process

// The program's window with a photo open, in English, light.
struct Program {
  Environment environment;
  orvane::test::TempDir folder;
  std::wstring photo;
  std::unique_ptr<OrvaneApplication> application;
  HWND window = nullptr;

  explicit Program(DWORD language = 2) {
    prefer(language);
    photo = make_photo(folder, L"photo.jpg", 900, 600);
    application = std::make_unique<OrvaneApplication>(GetModuleHandleW(nullptr));
    EXPECT_TRUE(application->create(photo));
    window = application->hwnd();
    SetForegroundWindow(window);
    desktop::pump(300);
    // The photo opens and its first frame shows off the window's thread.
    EXPECT_TRUE(desktop::pump_until([this] { return !application->preview_busy(); }, 20000));
    desktop::pump(50);
  }
  ~Program() {
    application.reset();
    desktop::pump(50);
  }
  // A new reference to the main window's root provider.
  [[nodiscard]] IRawElementProviderSimple* root() { return application->window().surface().automation().root_provider(); }
};

TEST(ProgramAutomation, AnOpenMenuAndAMessageDialogDumpFromAnotherProcess) {
  Program program;
  program.application->show_theme_menu(win32_ui::modern::InputOrigin::pointer);
  desktop::pump(150);
  ASSERT_TRUE(program.application->theme_menu().is_open());
  HWND menu = program.application->theme_menu().popup()->hwnd();
  save_shot(menu, L"uia_theme_menu.png");
  const std::string menu_dump = run_dump(L"--window " + hex(menu), true, program.folder);
  program.application->theme_menu().close();
  desktop::pump(50);
  if (IsSkipped()) return;
  expect_dump(menu_dump, "theme_menu");

  // The message Ctrl+S shows without text to stamp: dumped while it runs modally, then answered.
  program.application->controls().text_edit()->set_text(L"");
  program.application->settings().text.clear();
  std::string dialog_dump;
  std::atomic<bool> done{false};
  std::thread hand([&] {
    HWND dialog = wait_for_window(L"Win32UiScaffoldWindow_v1", program.window);
    if (dialog != nullptr) {
      Sleep(200);
      save_shot(dialog, L"uia_message_dialog.png");
      dialog_dump = run_dump(L"--window " + hex(dialog), false, program.folder);
      SetForegroundWindow(dialog);
      key(VK_RETURN);
    }
    done = true;
  });
  program.application->export_watermarked();
  desktop::pump_until([&] { return done.load(); }, 30000);
  hand.join();
  if (IsSkipped()) return;
  expect_dump(dialog_dump, "message_dialog");
}

// The tree follows what is seen: each card a group named by its title holding its controls, no label
// or nameless node of its own; the preview an image named after what it shows; caption buttons named
// in the interface language; every node disabled while a modal dialog holds the window.
TEST(ProgramAutomation, TheTreeGroupsCardsNamesThePreviewAndFollowsLanguageAndModality) {
  Program program;
  OrvaneApplication& app = *program.application;
  const auto read = [&](const std::function<void(Element&)>& check) {
    ASSERT_TRUE(automation_client::on_client_thread([&] {
      Element root = Element::from_simple(program.root());
      check(root);
    }));
  };
  const auto parent_name = [](const Element& root, const wchar_t* id) { return root.find_id(id).parent().name(); };
  read([&](Element& root) {
    EXPECT_EQ(parent_name(root, L"font"), L"Watermark");
    EXPECT_EQ(parent_name(root, L"opacity-value"), L"Watermark");
    EXPECT_EQ(parent_name(root, L"fit"), L"Layout");
    EXPECT_EQ(parent_name(root, L"quality"), L"Export settings");
    EXPECT_EQ(parent_name(root, L"open"), L"Image watermark");
    EXPECT_EQ(parent_name(root, L"preview"), L"Live preview");
    EXPECT_EQ(root.find_id(L"font").parent().control_type(), 50026);  // Group
    // Labels name their controls and are no nodes; nothing is left without a name.
    EXPECT_FALSE(root.find_named(L"win32_ui.Text", L"Font"));
    EXPECT_FALSE(root.find([](const Element& e) { return e.name().empty(); }));
    Element preview = root.find_id(L"preview");
    EXPECT_EQ(preview.control_type(), 50006);  // Image
    EXPECT_EQ(preview.name(), L"Preview of photo.jpg, 900 \u00D7 600, JPG");
    EXPECT_EQ(root.find_id(L"close").name(), L"Close");
    EXPECT_EQ(root.find_id(L"maximize").name(), L"Maximize or Restore");
  });

  // Another image: the preview is renamed.
  app.open_image(make_photo(program.folder, L"hills.jpg", 300, 200));
  ASSERT_TRUE(desktop::pump_until([&] { return !app.preview_busy(); }, 20000));
  desktop::pump(50);
  read([&](Element& root) { EXPECT_EQ(root.find_id(L"preview").name(), L"Preview of hills.jpg, 300 \u00D7 200, JPG"); });

  // Chinese: the caption buttons and the preview speak it too.
  app.set_language(orvane::app::UiLanguage::simplified_chinese);
  desktop::pump(300);
  read([&](Element& root) {
    EXPECT_EQ(root.find_id(L"close").name(), L"\u5173\u95ED");
    EXPECT_EQ(root.find_id(L"minimize").name(), L"\u6700\u5C0F\u5316");
    EXPECT_EQ(root.find_id(L"preview").name(), L"hills.jpg \u7684\u9884\u89C8\uFF0C300 \u00D7 200\uFF0CJPG");
    EXPECT_EQ(parent_name(root, L"quality"), L"\u5BFC\u51FA\u8BBE\u7F6E");
  });

  // A modal message: the main window's nodes report what the user can do, and again once it is gone.
  app.controls().text_edit()->set_text(L"");
  app.settings().text.clear();
  std::atomic<int> open_enabled{-1};
  std::atomic<bool> done{false};
  std::thread hand([&] {
    HWND dialog = wait_for_window(L"Win32UiScaffoldWindow_v1", program.window);
    if (dialog != nullptr) {
      Sleep(200);
      automation_client::on_client_thread([&] {
        Element root = Element::from_simple(program.root());
        open_enabled = root.find_id(L"open").enabled() ? 1 : 0;
      });
      SetForegroundWindow(dialog);
      key(VK_RETURN);
    }
    done = true;
  });
  app.export_watermarked();
  desktop::pump_until([&] { return done.load(); }, 30000);
  hand.join();
  EXPECT_EQ(open_enabled.load(), 0);
  desktop::pump(100);
  read([&](Element& root) { EXPECT_TRUE(root.find_id(L"open").enabled()); });
}

// Waits (pumping) until the condition read on the client side holds.
template <typename F>
bool eventually(F&& condition, int milliseconds = 3000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    Sleep(20);
  }
  return condition();
}

TEST(ProgramAutomation, TypesTogglesChoosesSlidesAndExportsFromAnotherThread) {
  Program program;
  OrvaneApplication& app = *program.application;
  const std::vector<std::wstring> positions = app.controls().position_box()->items();
  ASSERT_GE(positions.size(), 3u);
  const std::wstring anchored = positions.back();  // an anchor position: fitting applies
  const std::wstring output = program.folder.file(L"through-uia.png");
  IRawElementProviderSimple* root_provider = program.root();
  HRESULT typed = E_FAIL, chosen = E_FAIL, toggled = E_FAIL, slid = E_FAIL, exported = E_FAIL;
  bool fit_on = false;
  bool fit_flipped = false;
  double export_ms = 1e9;
  std::wstring text_after;
  std::atomic<bool> dialog_answered{false};
  ASSERT_TRUE(automation_client::on_client_thread(
      [&] {
        Element root = Element::from_simple(root_provider);
        Element text = root.find_id(L"watermark-text");
        ASSERT_TRUE(text);
        EXPECT_EQ(text.control_type(), 50004);
        typed = text.pattern<IValueProvider>(uia::value_pattern)->SetValue(L"Kestrune · UIA");
        BSTR value = nullptr;
        text.pattern<IValueProvider>(uia::value_pattern)->get_Value(&value);
        text_after = value != nullptr ? value : L"";
        SysFreeString(value);

        Element position = root.find_id(L"position");
        ASSERT_TRUE(position);
        EXPECT_EQ(position.name(), L"Position") << "the row's label names the control";
        chosen = position.pattern<IValueProvider>(uia::value_pattern)->SetValue(anchored.c_str());

        // Fitting is enabled for an anchored position now.
        Element fit = root.find_id(L"fit");
        ASSERT_TRUE(fit);
        EXPECT_TRUE(eventually([&] { return fit.enabled(); }));
        Ref<IToggleProvider> toggle = fit.pattern<IToggleProvider>(uia::toggle_pattern);
        ASSERT_TRUE(toggle);
        enum ToggleState before = ToggleState_On;
        toggle->get_ToggleState(&before);
        toggled = toggle->Toggle();
        fit_flipped = eventually([&] {
          enum ToggleState now = before;
          toggle->get_ToggleState(&now);
          fit_on = now == ToggleState_On;
          return now != before;
        });

        Element opacity = root.find_id(L"opacity");
        ASSERT_TRUE(opacity);
        slid = opacity.pattern<IRangeValueProvider>(uia::range_value_pattern)->SetValue(0.5);

        Sleep(300);  // the controls repaint on the UI thread
        save_shot(program.window, L"uia_operated.png");

        // Export: the save dialog runs modally on the UI thread while Invoke has long returned; a second
        // hand answers it as a user would.
        std::thread hand([&] {
          HWND save = wait_for_window(L"#32770", nullptr, 10000);
          if (save != nullptr) {
            Sleep(300);
            SetForegroundWindow(save);
            key(VK_END);
            for (int i = 0; i < 80; ++i) key(VK_BACK);
            type(output);
            key(VK_RETURN);
            HWND done = wait_for_window(L"Win32UiScaffoldWindow_v1", program.window, 15000);
            if (done != nullptr) {
              Sleep(200);
              SetForegroundWindow(done);
              key(VK_RETURN);
            }
          }
          dialog_answered = true;
        });
        Element export_button = root.find_id(L"export");
        ASSERT_TRUE(export_button);
        export_ms = automation_client::timed([&] { exported = export_button.pattern<IInvokeProvider>(uia::invoke_pattern)->Invoke(); });
        hand.join();
      },
      60000));
  EXPECT_EQ(typed, S_OK);
  EXPECT_EQ(text_after, L"Kestrune · UIA");
  EXPECT_EQ(app.settings().text, L"Kestrune · UIA");
  EXPECT_EQ(chosen, S_OK);
  EXPECT_EQ(app.controls().position_box()->selected_index(), static_cast<int>(positions.size()) - 1);
  EXPECT_EQ(toggled, S_OK);
  EXPECT_TRUE(fit_flipped) << "Toggle returned before the box changed, but it never changed";
  EXPECT_EQ(app.settings().fit_to_area, fit_on);
  EXPECT_EQ(app.controls().fit_box()->checked(), fit_on);
  EXPECT_EQ(slid, S_OK);
  EXPECT_EQ(app.settings().color.alpha, 128);
  EXPECT_EQ(exported, S_OK);
  // A blocking Invoke would return only when the hand had typed the name and closed both dialogs (seconds).
  EXPECT_LT(export_ms, 1000.0) << "Invoke waited for the save dialog";
  EXPECT_TRUE(dialog_answered.load());
  ASSERT_TRUE(std::filesystem::exists(output)) << "nothing was exported";
  const orvane::test::Pixels exported_pixels = orvane::test::load_pixels(output);
  EXPECT_EQ(exported_pixels.width, 900u);
  EXPECT_EQ(exported_pixels.height, 600u);
  const orvane::test::Pixels source = orvane::test::load_pixels(program.photo);
  int changed = 0;
  for (std::size_t i = 0; i < source.argb.size() && i < exported_pixels.argb.size(); ++i) {
    if (std::abs(static_cast<int>(source.argb[i] & 0xFF) - static_cast<int>(exported_pixels.argb[i] & 0xFF)) > 40) ++changed;
  }
  EXPECT_GT(changed, 100) << "no watermark in the export";
}

TEST(ProgramAutomation, InvokingAboutReturnsAtOnceWhileItsDialogIsOpen) {
  Program program;
  OrvaneApplication& app = *program.application;
  IRawElementProviderSimple* root_provider = program.root();
  // Help opens its menu (a pop-up with its own surface).
  HRESULT help = E_FAIL;
  ASSERT_TRUE(automation_client::on_client_thread([&] {
    Element root = Element::from_simple(root_provider);
    help = root.find_id(L"help").pattern<IInvokeProvider>(uia::invoke_pattern)->Invoke();
  }));
  desktop::pump_until([&] { return app.help_menu().is_open(); }, 3000);
  EXPECT_EQ(help, S_OK);
  ASSERT_TRUE(app.help_menu().is_open());
  IRawElementProviderSimple* menu_provider = app.help_menu().popup()->surface().automation().root_provider();
  IRawElementProviderSimple* main_provider = program.root();

  HRESULT about = E_FAIL;
  HRESULT while_modal = E_FAIL;
  double about_ms = 1e9;
  HWND dialog = nullptr;
  bool dialog_open_after_return = false;
  std::atomic<bool> client_done{false};
  std::thread client([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
      Element menu = Element::from_simple(menu_provider);
      Element item = menu.find_id(L"menu-106");
      about_ms = automation_client::timed([&] { about = item.pattern<IInvokeProvider>(uia::invoke_pattern)->Invoke(); });
      // The call is back; the dialog comes up on the UI thread and stays.
      dialog = wait_for_window(L"Win32UiScaffoldWindow_v1", program.window, 8000);
      Sleep(300);
      dialog_open_after_return = dialog != nullptr && IsWindowVisible(dialog);
      save_shot(dialog, L"uia_about_open.png");
      // The main window is disabled under its modal dialog: it refuses actions as it refuses clicks.
      Element main = Element::from_simple(main_provider);
      while_modal = main.find_id(L"open").pattern<IInvokeProvider>(uia::invoke_pattern)->Invoke();
      if (dialog != nullptr) {
        SetForegroundWindow(dialog);
        key(VK_RETURN);
      }
    }
    CoUninitialize();
    client_done = true;
  });
  desktop::pump_until([&] { return client_done.load(); }, 20000);
  client.join();
  desktop::pump(100);
  EXPECT_EQ(about, S_OK);
  // A blocking Invoke would wait for a dialog that only this client closes: the 5-second timeout.
  EXPECT_LT(about_ms, 1000.0) << "Invoke waited for the modal dialog";
  EXPECT_TRUE(dialog_open_after_return);
  EXPECT_EQ(while_modal, not_enabled);
  EXPECT_EQ(find_window_of(GetCurrentProcessId(), L"Win32UiScaffoldWindow_v1", L"", program.window), nullptr)
      << "the about box did not close";
}

TEST(ProgramAutomation, AClientReadsEveryPropertyWhileTheLanguageChangesAHundredTimes) {
  Program program;
  OrvaneApplication& app = *program.application;
  IRawElementProviderSimple* root_provider = program.root();
  std::atomic<bool> stop{false};
  std::atomic<long> calls{0};
  std::atomic<long> unexpected{0};
  std::atomic<double> longest{0};
  std::thread client([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
      Element root = Element::from_simple(root_provider);
      const int properties[] = {uia::name,       uia::control_type, uia::class_name,  uia::automation_id, uia::is_enabled,
                                uia::help_text,  uia::is_offscreen, uia::value_value, uia::toggle_state,  uia::has_keyboard_focus};
      while (!stop.load()) {
        for (Element e = root.navigate(3); e && !stop.load(); e = e.navigate(1)) {
          for (const int property : properties) {
            VARIANT v;
            HRESULT hr = S_OK;
            const double ms = automation_client::timed([&] { hr = e.property(property, v); });
            VariantClear(&v);
            ++calls;
            if (ms > longest.load()) longest = ms;
            // A node rebuilt away meanwhile is gone; nothing else may fail.
            if (FAILED(hr) && hr != static_cast<HRESULT>(0x80040201L)) ++unexpected;
          }
          UiaRect rect;
          e.fragment()->get_BoundingRectangle(&rect);
          for (Element child = e.navigate(3); child; child = child.navigate(1)) {
            static_cast<void>(child.name());
            ++calls;
          }
        }
      }
    }
    CoUninitialize();
  });
  for (int i = 0; i < 100; ++i) {
    app.set_language(i % 2 == 0 ? orvane::app::UiLanguage::simplified_chinese : orvane::app::UiLanguage::english);
    desktop::pump(15);
  }
  stop = true;
  const bool joined = desktop::pump_until([&] { return true; }, 10);
  client.join();
  (void)joined;
  EXPECT_GT(calls.load(), 1000);
  EXPECT_EQ(unexpected.load(), 0);
  EXPECT_LT(longest.load(), 5000.0) << "a call waited for the UI thread";
  // The last language is English and the snapshot says so.
  ASSERT_TRUE(automation_client::on_client_thread([&] {
    Element root = Element::from_simple(program.root());
    EXPECT_EQ(root.find_id(L"export").name(), L"Export");
  }));
}

// Clicks the centre of the main window's view with an automation id.
void modern_click(OrvaneApplication& app, HWND window, const std::wstring& automation_id) {
  win32_ui::modern::Surface& surface = app.window().surface();
  std::vector<win32_ui::modern::View*> stack{surface.root()};
  while (!stack.empty()) {
    win32_ui::modern::View* view = stack.back();
    stack.pop_back();
    if (view == nullptr) continue;
    if (view->automation_id() == automation_id) {
      const float scale = surface.dpi() / 96.0f * surface.ui_scale();
      const win32_ui::layout::Rect r = view->arranged_rect();
      desktop::click(window, POINT{static_cast<LONG>((r.x + r.width / 2) * scale),
                                   static_cast<LONG>((r.y + r.height / 2 - surface.scroll_offset()) * scale)});
      desktop::pump(100);
      return;
    }
    if (auto* group = dynamic_cast<win32_ui::modern::ViewGroup*>(view)) {
      for (const auto& child : group->children()) stack.push_back(child.get());
    }
  }
  ADD_FAILURE() << "no view with that automation id";
}

// Records the events of every surface of the process.
class RecordingSink final : public AutomationEventSink {
 public:
  bool listening() override { return true; }
  void raise(const SemanticsEvent& event, IRawElementProviderSimple& provider) override {
    VARIANT id;
    VariantInit(&id);
    provider.GetPropertyValue(uia::automation_id, &id);
    std::lock_guard lock(mutex_);
    seen_.push_back({event, id.vt == VT_BSTR ? std::wstring(id.bstrVal) : std::wstring()});
    VariantClear(&id);
  }
  bool saw(SemanticsEvent::Kind kind, const std::wstring& automation_id, int property = 0) {
    std::lock_guard lock(mutex_);
    for (const auto& [event, id] : seen_) {
      if (event.kind == kind && id == automation_id && (property == 0 || event.property == property)) return true;
    }
    return false;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    seen_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<std::pair<SemanticsEvent, std::wstring>> seen_;
};

TEST(ProgramAutomation, FocusTogglesAndValueChangesRaiseTheirEvents) {
  auto sink = std::make_shared<RecordingSink>();
  auto previous = win32_ui::platform::windows::accessibility::install_event_sink(sink);
  {
    Program program;
    OrvaneApplication& app = *program.application;
    // Typing into the watermark text: focus comes to its node, its value changes.
    HWND edit = static_cast<HWND>(app.controls().text_edit()->native_window());
    ASSERT_NE(edit, nullptr);
    SetFocus(edit);
    desktop::pump(100);
    EXPECT_TRUE(sink->saw(SemanticsEvent::Kind::focus_changed, L"watermark-text"));
    desktop::press_key(VK_END);
    desktop::type_text(L"!");
    desktop::pump(150);
    EXPECT_TRUE(sink->saw(SemanticsEvent::Kind::property_changed, L"watermark-text", uia::value_value));

    // A click on the fit box (after an anchored position is chosen): its toggle state changes.
    win32_ui::modern::Win32ComboBox* positions = app.controls().position_box();
    win32_ui::modern::ActionRequest choose;
    choose.action = win32_ui::modern::semantics_action_select;
    choose.numeric_value = static_cast<double>(positions->items().size()) - 1.0;
    ASSERT_TRUE(positions->perform_action(choose));
    desktop::pump(100);
    ASSERT_TRUE(app.controls().fit_box()->enabled());
    sink->clear();
    win32_ui::modern::CheckBox* fit = app.controls().fit_box();
    program_driver::reveal(*fit);
    const float scale = app.window().surface().dpi() / 96.0f * app.window().surface().ui_scale();
    const win32_ui::layout::Rect r = fit->arranged_rect();
    desktop::click(program.window,
                   POINT{static_cast<LONG>((r.x + 12) * scale),
                         static_cast<LONG>((r.y + r.height / 2 - app.window().surface().scroll_offset()) * scale)});
    desktop::pump(150);
    EXPECT_TRUE(sink->saw(SemanticsEvent::Kind::property_changed, L"fit", uia::toggle_state));
    EXPECT_TRUE(sink->saw(SemanticsEvent::Kind::focus_changed, L"fit"));

    // A slider moved through UIA: RangeValue's value changes, and the value text beside it is renamed.
    sink->clear();
    IRawElementProviderSimple* root_provider = program.root();
    ASSERT_TRUE(automation_client::on_client_thread([&] {
      Element root = Element::from_simple(root_provider);
      root.find_id(L"quality").pattern<IRangeValueProvider>(uia::range_value_pattern)->SetValue(0.42);
    }));
    desktop::pump(50);
    EXPECT_TRUE(sink->saw(SemanticsEvent::Kind::property_changed, L"quality", uia::range_value_value));
    EXPECT_TRUE(sink->saw(SemanticsEvent::Kind::property_changed, L"quality-value", uia::name));

    // A click on Open's neighbour, Theme, invokes it: Invoked on its node (not made through UIA).
    sink->clear();
    modern_click(app, program.window, L"theme");
    EXPECT_TRUE(sink->saw(SemanticsEvent::Kind::invoked, L"theme"));
    app.theme_menu().close();
    desktop::pump(50);
  }
  win32_ui::platform::windows::accessibility::install_event_sink(previous);
}

// A shoot through UI Automation: the photos are a List of items named by photo and state, Select on
// an item previews it, and while they are written the progress is a read-only ProgressBar and
// Cancel a Button whose Invoke stops the batch.
TEST(ProgramAutomation, AShootIsAListAndItsExportAProgressBarWithCancel) {
  Program program;
  OrvaneApplication& app = *program.application;
  const std::wstring first = program.folder.file(L"shot-1.jpg");
  ASSERT_TRUE(orvane::test::save_pixels(orvane::test::make_pattern(3000, 2000), first, L"image/jpeg"));
  std::vector<std::wstring> photos{first};
  for (int i = 2; i <= 8; ++i) {
    photos.push_back(program.folder.file(L"shot-" + std::to_wstring(i) + L".jpg"));
    ASSERT_TRUE(CopyFileW(first.c_str(), photos.back().c_str(), FALSE));
  }
  app.open_photos(photos);
  ASSERT_TRUE(desktop::pump_until([&] { return !app.preview_busy(); }, 20000));
  desktop::pump(100);

  std::vector<std::wstring> names;
  int list_type = 0, item_type = 0;
  HRESULT selected = E_FAIL;
  ASSERT_TRUE(automation_client::on_client_thread(
      [&] {
        Element root = Element::from_simple(program.root());
        Element list = root.find_id(L"photo-list");
        ASSERT_TRUE(list);
        list_type = list.control_type();
        std::vector<Element> items = list.children();
        ASSERT_EQ(items.size(), photos.size());
        item_type = items[2].control_type();
        for (const Element& item : items) names.push_back(item.name());
        selected = items[2].pattern<ISelectionItemProvider>(uia::selection_item_pattern)->Select();
      },
      30000));
  EXPECT_EQ(list_type, 50008);  // List
  EXPECT_EQ(item_type, 50007);  // ListItem
  EXPECT_EQ(names.front(), L"shot-1.jpg \u00B7 Waiting");
  EXPECT_EQ(selected, S_OK);
  ASSERT_TRUE(desktop::pump_until([&] { return app.image_path() == photos[2] && !app.preview_busy(); }, 20000))
      << "Select did not preview the item";

  // Written into a folder; the progress and Cancel are read and pressed from the client's thread.
  const std::filesystem::path out = program.folder.path() / L"out";
  std::filesystem::create_directories(out);
  std::atomic<bool> summary_answered{false};
  std::thread hand([&] {
    HWND summary = wait_for_window(L"Win32UiScaffoldWindow_v1", program.window, 60000);
    if (summary != nullptr) {
      Sleep(200);
      SetForegroundWindow(summary);
      key(VK_ESCAPE);
      summary_answered = true;
    }
  });
  app.batch_export().export_into(out.wstring());
  ASSERT_TRUE(app.exporting());
  desktop::pump(150);  // the bar and Cancel are laid out and reach the bridge's snapshot
  int bar_type = 0, cancel_type = 0;
  BOOL bar_read_only = FALSE;
  double maximum = 0;
  HRESULT cancelled = E_FAIL;
  ASSERT_TRUE(automation_client::on_client_thread(
      [&] {
        Element root = Element::from_simple(program.root());
        Element bar = root.find_id(L"export-progress");
        ASSERT_TRUE(bar);
        bar_type = bar.control_type();
        Ref<IRangeValueProvider> range = bar.pattern<IRangeValueProvider>(uia::range_value_pattern);
        ASSERT_TRUE(range);
        range->get_IsReadOnly(&bar_read_only);
        range->get_Maximum(&maximum);
        Element cancel = root.find_id(L"cancel-export");
        ASSERT_TRUE(cancel);
        cancel_type = cancel.control_type();
        cancelled = cancel.pattern<IInvokeProvider>(uia::invoke_pattern)->Invoke();
      },
      30000));
  ASSERT_TRUE(desktop::pump_until([&] { return summary_answered.load() && !app.exporting(); }, 60000));
  hand.join();
  EXPECT_EQ(bar_type, 50012);  // ProgressBar
  EXPECT_TRUE(bar_read_only);
  EXPECT_EQ(maximum, 100.0);
  EXPECT_EQ(cancel_type, 50000);  // Button
  EXPECT_EQ(cancelled, S_OK);
  EXPECT_LT(app.batch_export().figures().written, photos.size()) << "Cancel did not stop the batch";
}

}  // namespace
}  // namespace program_automation_test

