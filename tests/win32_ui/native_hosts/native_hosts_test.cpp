#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "modern/win32_combo_box.h"
#include "modern/win32_edit.h"
#include "platform/windows/native_control_colors.h"
#include "platform/windows/native_messages.h"
#include "test_support.h"
#include "theme/theme.h"
#include "theme/themed_combo_box.h"
#include "tree_fixture.h"

namespace tree_test {
namespace {

using modern::Event;
using modern::EventKind;
using modern::Palette;
using modern::Win32ComboBox;
using modern::Win32Edit;
using modern::Win32NativeHost;
using platform::NativeKeyMessage;

constexpr int client_width = 420;
constexpr int client_height = 300;
constexpr wchar_t parent_class[] = L"OrvaneNativeHostsTestParent";

HWND hwnd_of(const Win32NativeHost& host) { return static_cast<HWND>(host.window()); }

// GDI objects the process holds. Wine's GetGuiResources answers 0, so there the live entries of its
// handle table are counted instead (Wine accepts a bare table index as a handle).
unsigned gdi_objects_in_use() {
  if (!orvane::test::running_under_wine()) return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  unsigned count = 0;
  for (std::uintptr_t index = 32; index < 0x10000; ++index) {
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++count;
  }
  return count;
}

BOOL CALLBACK count_window(HWND window, LPARAM data) {
  ++*reinterpret_cast<unsigned*>(data);
  EnumChildWindows(window, count_window, data);
  return TRUE;
}

// USER objects the process holds. Wine answers 0 here too; the only USER objects hosts make are
// windows (the controls and a combo box's list), so there this thread's windows are counted.
unsigned user_objects_in_use() {
  if (!orvane::test::running_under_wine()) return GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  unsigned count = 0;
  EnumThreadWindows(GetCurrentThreadId(), count_window, reinterpret_cast<LPARAM>(&count));
  return count;
}

void pump() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// Real keyboard input: each character as a Unicode key press, as an input method delivers it.
void type_text(std::wstring_view text) {
  std::vector<INPUT> inputs;
  for (const wchar_t character : text) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = character;
    input.ki.dwFlags = KEYEVENTF_UNICODE;
    inputs.push_back(input);
    input.ki.dwFlags |= KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  ASSERT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)), inputs.size());
  pump();
}

void press_key(WORD virtual_key) {
  INPUT inputs[2]{};
  inputs[0].type = INPUT_KEYBOARD;
  inputs[0].ki.wVk = virtual_key;
  inputs[1] = inputs[0];
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ASSERT_EQ(SendInput(2, inputs, sizeof(INPUT)), 2u);
  pump();
}

// The window's client area as straight ARGB pixels, read without clipping away the children.
orvane::test::Pixels capture(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  pump();
  RECT client{};
  GetClientRect(window, &client);
  orvane::test::Pixels pixels;
  pixels.width = static_cast<std::uint32_t>(client.right);
  pixels.height = static_cast<std::uint32_t>(client.bottom);
  pixels.argb.resize(static_cast<std::size_t>(pixels.width) * pixels.height);
  HDC source = GetDCEx(window, nullptr, DCX_CACHE);
  HDC memory = CreateCompatibleDC(source);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = client.right;
  info.bmiHeader.biHeight = -client.bottom;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, client.right, client.bottom, source, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* rows = static_cast<const std::uint32_t*>(bits);
  for (std::size_t i = 0; i < pixels.argb.size(); ++i) pixels.argb[i] = 0xFF000000u | (rows[i] & 0x00FFFFFFu);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, source);
  return pixels;
}

BOOL CALLBACK find_dropped_list(HWND window, LPARAM data) {
  wchar_t name[16]{};
  GetClassNameW(window, name, 16);
  if (lstrcmpiW(name, L"ComboLBox") != 0 || IsWindowVisible(window) == FALSE) return TRUE;
  *reinterpret_cast<HWND*>(data) = window;
  return FALSE;
}

// 0x00RRGGBB of a palette colour (palettes hold 0x00BBGGRR).
std::uint32_t rgb_of(const Palette& palette, Palette::ColorIndex index) {
  const std::uint32_t v = palette.colors[index];
  return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

int distance(std::uint32_t a, std::uint32_t b) {
  int worst = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  }
  return worst;
}

// Pixels of a client rectangle within `tolerance` of a colour.
int pixels_near(const orvane::test::Pixels& pixels, RECT area, std::uint32_t rgb, int tolerance) {
  int count = 0;
  for (LONG y = area.top; y < area.bottom; ++y) {
    for (LONG x = area.left; x < area.right; ++x) {
      count +=
          distance(pixels.at(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)) & 0xFFFFFF, rgb) <= tolerance
              ? 1
              : 0;
    }
  }
  return count;
}

// The control's window rectangle in its parent's client coordinates.
RECT placed_rect(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// A top-level window standing in for the surface: it keeps a view tree of hosts and does for their
// controls what a surface does (forwards notifications as events, answers the focus and key
// messages, colours the fields, draws owner-drawn items), recording what it saw.
class Stage {
 public:
  explicit Stage(const Palette& palette = modern::light_palette(modern::default_accent)) : palette_(palette) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = &Stage::procedure;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.lpszClassName = parent_class;
    RegisterClassExW(&window_class);
    RECT frame{0, 0, client_width, client_height};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    window_ = CreateWindowExW(0, parent_class, L"Native hosts", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 30,
                              30, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              GetModuleHandleW(nullptr), this);
    set_palette(palette);
    root.attach_to_host(&host);
    host.root = &root;
    for (EventKind kind : {EventKind::text_changed, EventKind::selection_changed, EventKind::drop_down_opened,
                           EventKind::drop_down_closed}) {
      root.add_event_handler(kind, modern::EventPhase::bubble, [this](Event& e) { events.push_back(e); });
    }
    pump();
  }
  ~Stage() {
    // The controls go while the tree is whole: destroying them sends notifications the stage routes.
    for (std::size_t i = 0; i < root.child_count(); ++i) {
      if (auto* view = dynamic_cast<Win32NativeHost*>(root.child_at(i))) view->peer()->detach();
    }
    root.clear_children();
    if (window_ != nullptr) DestroyWindow(window_);
    if (field_brush_ != nullptr) DeleteObject(field_brush_);
    pump();
  }
  Stage(const Stage&) = delete;
  Stage& operator=(const Stage&) = delete;

  [[nodiscard]] HWND window() const noexcept { return window_; }
  [[nodiscard]] const Palette& palette() const noexcept { return palette_; }

  template <typename T, typename... Args>
  T* add(Rect at, Args&&... args) {
    T* view = add_placed<T>(root, at, std::forward<Args>(args)...);
    lay_out(root, Size{static_cast<float>(client_width), static_cast<float>(client_height)});
    return view;
  }

  [[nodiscard]] platform::NativeViewConfiguration configuration(bool right_to_left = false) const {
    platform::NativeViewConfiguration configuration;
    configuration.palette = &palette_;
    configuration.palette_generation = generation_;
    configuration.right_to_left = right_to_left;
    return configuration;
  }

  // What the surface does when a host has no window: create it, then place it.
  bool show(Win32NativeHost& view, float scale = 1.0f) {
    if (!view.peer()->create(window_, configuration())) return false;
    place(view, view.arranged_rect(), scale);
    return true;
  }

  // Places a control and lets it paint, unless `paint` is false (long loops skip the painting).
  void place(Win32NativeHost& view, Rect rect, float scale = 1.0f, Rect viewport = whole_client(), bool shown = true,
             bool paint = true) {
    platform::NativeViewGeometry geometry;
    geometry.rect = rect;
    geometry.viewport = viewport;
    geometry.scale = scale;
    geometry.shown = shown;
    view.peer()->place(geometry);
    if (paint) pump();
  }

  // A palette change as the surface hands it down: a new generation with each call.
  void set_palette(const Palette& palette) {
    palette_ = palette;
    ++generation_;
    if (field_brush_ != nullptr) DeleteObject(field_brush_);
    field_brush_ = CreateSolidBrush(palette_.colors[Palette::field_background]);
    for (std::size_t i = 0; i < root.child_count(); ++i) {
      if (auto* view = dynamic_cast<Win32NativeHost*>(root.child_at(i))) view->peer()->update(configuration());
    }
    InvalidateRect(window_, nullptr, TRUE);
  }

  static Rect whole_client() { return Rect{0, 0, static_cast<float>(client_width), static_cast<float>(client_height)}; }

  TestHost host;
  Layer root;
  std::vector<Event> events;
  std::vector<NativeKeyMessage> keys;
  std::vector<HWND> focus_reports;
  std::function<bool(const NativeKeyMessage&)> swallow;

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
    }
    auto* stage = reinterpret_cast<Stage*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (stage != nullptr) {
      LRESULT result = 0;
      if (stage->handle(message, wparam, lparam, result)) return result;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }

  Win32NativeHost* host_of(HWND control) {
    for (std::size_t i = 0; i < root.child_count(); ++i) {
      auto* view = dynamic_cast<Win32NativeHost*>(root.child_at(i));
      if (view != nullptr && view->window() == control) return view;
    }
    return nullptr;
  }

  bool handle(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    switch (message) {
      case WM_COMMAND:
      case WM_NOTIFY:
        for (std::size_t i = 0; i < root.child_count(); ++i) {
          auto* view = dynamic_cast<Win32NativeHost*>(root.child_at(i));
          Event event;
          if (view != nullptr &&
              view->peer()->translate({message, static_cast<std::uintptr_t>(wparam), lparam}, event)) {
            host.dispatch_event(event);
            return true;
          }
        }
        return false;
      case platform::native_focus_message:
        focus_reports.push_back(reinterpret_cast<HWND>(lparam));
        if (Win32NativeHost* view = host_of(reinterpret_cast<HWND>(lparam))) {
          host.request_focus(*view, modern::FocusOrigin::native);
        }
        return true;
      case platform::native_key_message: {
        auto* record = reinterpret_cast<NativeKeyMessage*>(lparam);
        keys.push_back(*record);
        record->handled = swallow && swallow(*record);
        result = record->handled ? 1 : 0;
        return true;
      }
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORSTATIC:
        if (!platform::set_native_control_colors(window_, reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam),
                                                 palette_)) {
          return false;
        }
        result = reinterpret_cast<LRESULT>(field_brush_);
        return true;
      case WM_DRAWITEM:
        if (!modern::draw_themed_combo_item(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam))) return false;
        result = TRUE;
        return true;
      case WM_ERASEBKGND: {
        RECT client{};
        GetClientRect(window_, &client);
        HBRUSH brush = CreateSolidBrush(palette_.colors[Palette::window_background]);
        FillRect(reinterpret_cast<HDC>(wparam), &client, brush);
        DeleteObject(brush);
        result = 1;
        return true;
      }
      default:
        return false;
    }
  }

  HWND window_ = nullptr;
  Palette palette_;
  std::uint64_t generation_ = 0;
  HBRUSH field_brush_ = nullptr;
};

// Gives a control keyboard focus the way a click would, through its top-level window.
void focus(Stage& stage, HWND control) {
  SetForegroundWindow(stage.window());
  SetFocus(control);
  pump();
}

TEST(NativeEditTest, TypedUnicodeReachesTheTreeOnceForEachChangeWithTheWholeText) {
  Stage stage;
  auto* edit = stage.add<Win32Edit>(Rect{20, 20, 240, 32}, 41);
  std::vector<std::wstring> heard;
  edit->on_text_changed([&](std::wstring_view text) { heard.emplace_back(text); });
  ASSERT_TRUE(stage.show(*edit));
  HWND control = hwnd_of(*edit);
  ASSERT_NE(control, nullptr);

  // Focus taken by the control is reported to the parent, which focuses the host view.
  focus(stage, control);
  ASSERT_EQ(GetFocus(), control);
  ASSERT_FALSE(stage.focus_reports.empty());
  EXPECT_EQ(stage.focus_reports.back(), control);
  EXPECT_EQ(stage.host.focused, edit);
  EXPECT_EQ(stage.host.last_focus_origin, modern::FocusOrigin::native);

  type_text(L"示例水印");
  EXPECT_EQ(edit->text(), L"示例水印");
  const std::vector<std::wstring> expected{L"示", L"示例", L"示例水", L"示例水印"};
  EXPECT_EQ(heard, expected);
  ASSERT_EQ(stage.events.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Event& event = stage.events[i];
    EXPECT_EQ(event.kind, EventKind::text_changed);
    EXPECT_EQ(event.text, expected[i]);
    EXPECT_EQ(event.origin, modern::InputOrigin::native);
    EXPECT_EQ(event.command_id, 41u);
    EXPECT_EQ(event.source_role, 8);
    EXPECT_EQ(event.source, edit);
  }

  // Keys pass through the parent first; what it marks handled never reaches the control, so Tab
  // and accelerators can belong to the view tree.
  stage.keys.clear();
  stage.swallow = [](const NativeKeyMessage& key) {
    return (key.message == WM_CHAR && key.wparam == L'x') || (key.message == WM_KEYDOWN && key.wparam == VK_TAB);
  };
  type_text(L"x");
  press_key(VK_TAB);
  type_text(L"y");
  EXPECT_EQ(edit->text(), L"示例水印y");
  EXPECT_EQ(stage.events.size(), expected.size() + 1);
  bool saw_x = false;
  bool saw_tab = false;
  for (const NativeKeyMessage& key : stage.keys) {
    saw_x = saw_x || (key.message == WM_CHAR && key.wparam == L'x');
    saw_tab = saw_tab || (key.message == WM_KEYDOWN && key.wparam == VK_TAB);
  }
  EXPECT_TRUE(saw_x);
  EXPECT_TRUE(saw_tab);
}

TEST(NativeEditTest, AccessibilitySetsTheValueOnlyOfAWritableEdit) {
  Stage stage;
  auto* locked = stage.add<Win32Edit>(Rect{20, 20, 200, 32}, 1, L"fixed", true);
  auto* open = stage.add<Win32Edit>(Rect{20, 60, 200, 32}, 2, L"old");
  open->set_placeholder(L"Watermark text");
  std::vector<std::wstring> heard;
  open->on_text_changed([&](std::wstring_view text) { heard.emplace_back(text); });
  ASSERT_TRUE(stage.show(*locked));
  ASSERT_TRUE(stage.show(*open));

  modern::SemanticsNode node;
  locked->describe(node);
  EXPECT_EQ(node.role, static_cast<std::int32_t>(modern::SemanticsRole::edit));
  EXPECT_TRUE(node.read_only);
  EXPECT_EQ(node.actions & modern::semantics_action_set_text_value, 0u);
  modern::ActionRequest request{modern::semantics_action_set_text_value, 0.0, L"changed"};
  EXPECT_FALSE(locked->perform_action(request));
  wchar_t shown[32]{};
  GetWindowTextW(hwnd_of(*locked), shown, 32);
  EXPECT_STREQ(shown, L"fixed");
  EXPECT_EQ(locked->text(), L"fixed");

  node = {};
  open->describe(node);
  EXPECT_EQ(node.name, L"Watermark text");
  EXPECT_EQ(node.value, L"old");
  EXPECT_NE(node.actions & modern::semantics_action_set_text_value, 0u);
  EXPECT_TRUE(open->perform_action(request));
  pump();
  GetWindowTextW(hwnd_of(*open), shown, 32);
  EXPECT_STREQ(shown, L"changed");
  EXPECT_EQ(open->text(), L"changed");
  // The application hears of it like of typing.
  EXPECT_EQ(heard, std::vector<std::wstring>{L"changed"});
}

TEST(NativeComboBoxTest, KeyboardSelectionAndDropDownAreReportedOnce) {
  const Palette dark = modern::dark_palette(modern::default_accent);
  Stage stage(dark);
  auto* combo = stage.add<Win32ComboBox>(Rect{20, 20, 200, 32}, 7);
  combo->set_items({L"Tiled", L"Staggered", L"Centre"});
  combo->set_selected_index(0);
  std::vector<int> heard;
  combo->on_selection_changed([&](int index) { heard.push_back(index); });
  ASSERT_TRUE(stage.show(*combo));
  HWND control = hwnd_of(*combo);
  ASSERT_EQ(SendMessageW(control, CB_GETCOUNT, 0, 0), 3);
  ASSERT_EQ(SendMessageW(control, CB_GETCURSEL, 0, 0), 0);

  focus(stage, control);
  ASSERT_EQ(GetFocus(), control);
  press_key(VK_DOWN);
  EXPECT_EQ(combo->selected_index(), 1);
  EXPECT_EQ(heard, std::vector<int>{1});
  ASSERT_EQ(stage.events.size(), 1u);
  EXPECT_EQ(stage.events[0].kind, EventKind::selection_changed);
  EXPECT_EQ(stage.events[0].selected_index, 1);
  EXPECT_EQ(stage.events[0].origin, modern::InputOrigin::native);
  EXPECT_EQ(stage.events[0].command_id, 7u);

  // A repeated notification for the same choice is no new change.
  SendMessageW(stage.window(), WM_COMMAND, MAKEWPARAM(7, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
  EXPECT_EQ(heard, std::vector<int>{1});

  stage.events.clear();
  SendMessageW(control, CB_SHOWDROPDOWN, TRUE, 0);
  pump();
  // The open list is dark too: items in the field colour, the selected one in the accent.
  HWND list = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), find_dropped_list, reinterpret_cast<LPARAM>(&list));
  ASSERT_NE(list, nullptr);
  const orvane::test::Pixels shown = capture(list);
  ASSERT_GE(shown.height, 3u * 32u);
  EXPECT_EQ(pixels_near(shown, RECT{0, 2, 8, 30}, rgb_of(dark, Palette::field_background), 2), 8 * 28);
  EXPECT_EQ(pixels_near(shown, RECT{0, 34, 8, 62}, rgb_of(dark, Palette::accent), 2), 8 * 28);
  SendMessageW(control, CB_SHOWDROPDOWN, FALSE, 0);
  pump();
  ASSERT_EQ(stage.events.size(), 2u);
  EXPECT_EQ(stage.events[0].kind, EventKind::drop_down_opened);
  EXPECT_EQ(stage.events[1].kind, EventKind::drop_down_closed);

  // Accessibility selects within -1 to the last item, and the application hears of it.
  modern::SemanticsNode node;
  combo->describe(node);
  EXPECT_EQ(node.role, static_cast<std::int32_t>(modern::SemanticsRole::combo_box));
  EXPECT_EQ(node.value, L"Staggered");
  EXPECT_NE(node.actions & modern::semantics_action_select, 0u);
  for (double refused : {3.0, -2.0, 0.5, std::nan("")}) {
    modern::ActionRequest request{modern::semantics_action_select, refused, {}};
    EXPECT_FALSE(combo->perform_action(request)) << refused;
  }
  EXPECT_EQ(combo->selected_index(), 1);
  modern::ActionRequest request{modern::semantics_action_select, 2.0, {}};
  EXPECT_TRUE(combo->perform_action(request));
  EXPECT_EQ(SendMessageW(control, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(heard, (std::vector<int>{1, 2}));
  request.numeric_value = -1.0;
  EXPECT_TRUE(combo->perform_action(request));
  EXPECT_EQ(SendMessageW(control, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(combo->selected_index(), -1);
}

TEST(NativeHostPlacementTest, ControlsLandOnTheRoundedPixelsOfTheWholeSurfaceScale) {
  Stage stage;
  auto* edit = stage.add<Win32Edit>(Rect{0, 0, 50, 20}, 1);
  auto* combo = stage.add<Win32ComboBox>(Rect{0, 40, 50, 20}, 2);
  ASSERT_TRUE(stage.show(*edit));
  ASSERT_TRUE(stage.show(*combo));
  // 144 dpi with a UI zoom of 0.92: 1.38 pixels per DIP, not the dpi's 1.5.
  const float scale = 1.5f * 0.92f;
  stage.place(*edit, Rect{10.3f, 20.7f, 100.2f, 30.1f}, scale);
  stage.place(*combo, Rect{10.3f, 60.2f, 150.0f, 32.0f}, scale);
  const RECT edit_rect = placed_rect(hwnd_of(*edit));
  EXPECT_EQ(edit_rect.left, 14);
  EXPECT_EQ(edit_rect.top, 29);
  EXPECT_EQ(edit_rect.right, 152);
  EXPECT_EQ(edit_rect.bottom, 70);
  EXPECT_TRUE(IsWindowVisible(hwnd_of(*edit)));
  // The combo box's window holds its list: at least 160 DIPs tall.
  RECT dropped{};
  SendMessageW(hwnd_of(*combo), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  EXPECT_EQ(dropped.right - dropped.left, 221 - 14);
  // Wine's dropped rectangle leaves out the selection field that Windows counts in.
  const RECT field = placed_rect(hwnd_of(*combo));
  const LONG field_height = orvane::test::running_under_wine() ? field.bottom - field.top : 0;
  EXPECT_EQ(dropped.bottom - dropped.top + field_height, 304 - 83);

  // Hidden outside the viewport or when the view is not shown; the enabled state follows the view.
  stage.place(*edit, Rect{10, 200, 100, 30}, 1.0f, Rect{0, 0, 420, 200});
  EXPECT_FALSE(IsWindowVisible(hwnd_of(*edit)));
  stage.place(*edit, Rect{10, 100, 100, 30}, 1.0f, Stage::whole_client(), false);
  EXPECT_FALSE(IsWindowVisible(hwnd_of(*edit)));
  edit->set_enabled(false);
  stage.place(*edit, Rect{10, 100, 100, 30});
  EXPECT_TRUE(IsWindowVisible(hwnd_of(*edit)));
  EXPECT_FALSE(IsWindowEnabled(hwnd_of(*edit)));
  edit->set_enabled(true);
  stage.place(*edit, Rect{10, 100, 100, 30});
  EXPECT_TRUE(IsWindowEnabled(hwnd_of(*edit)));
}

TEST(NativeHostPlacementTest, ScrollingHalfOutShowsOnlyTheVisiblePartWithoutLeakingRegions) {
  Stage stage;
  auto* edit = stage.add<Win32Edit>(Rect{20, 60, 200, 32}, 1);
  ASSERT_TRUE(stage.show(*edit));
  HWND control = hwnd_of(*edit);
  const Rect viewport{0, 60, 420, 240};
  const Rect inside{20, 100, 200, 32};
  const Rect half_out{20, 44, 200, 32};  // its top 16 DIPs above the viewport
  const Palette light = modern::light_palette(modern::default_accent);
  const Palette dark = modern::dark_palette(modern::default_accent);

  const auto region_box = [&](RECT& box) { return GetWindowRgnBox(control, &box); };
  const auto scroll_cycle = [&](int i) {
    RECT box{};
    stage.place(*edit, half_out, 1.0f, viewport, true, false);
    if (region_box(box) == ERROR || box.top != 16 || box.bottom != 32 || box.left != 0 || box.right != 200) {
      ADD_FAILURE() << "no visible-part region after scrolling half out, cycle " << i;
      return false;
    }
    // A theme change drops the region; the same placement must set a fresh one.
    stage.set_palette(i % 2 == 0 ? dark : light);
    stage.place(*edit, half_out, 1.0f, viewport, true, false);
    if (region_box(box) == ERROR || box.top != 16) {
      ADD_FAILURE() << "region lost when placed again after a theme change, cycle " << i;
      return false;
    }
    stage.place(*edit, inside, 1.0f, viewport, true, false);
    if (region_box(box) != ERROR) {
      ADD_FAILURE() << "region kept when fully inside, cycle " << i;
      return false;
    }
    return true;
  };
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(scroll_cycle(i));
  const unsigned gdi_before = gdi_objects_in_use();
  for (int i = 0; i < 1000; ++i) {
    if (!scroll_cycle(i)) break;
  }
  EXPECT_EQ(gdi_objects_in_use(), gdi_before);

  // What the user sees: above the viewport only the parent's background, below it the field.
  stage.set_palette(light);
  stage.place(*edit, half_out, 1.0f, viewport);
  const orvane::test::Pixels pixels = capture(stage.window());
  EXPECT_EQ(pixels_near(pixels, RECT{40, 46, 200, 58}, rgb_of(light, Palette::window_background), 2), 160 * 12);
  EXPECT_GT(pixels_near(pixels, RECT{40, 62, 200, 74}, rgb_of(light, Palette::field_background), 2), 160 * 10);
}

TEST(NativeHostTest, FontFollowsTheDpiAndDirectionTheConfiguration) {
  Stage stage;
  auto* edit = stage.add<Win32Edit>(Rect{20, 20, 200, 32}, 1, L"text");
  ASSERT_TRUE(stage.show(*edit));
  HWND control = hwnd_of(*edit);
  const auto font_of = [&] { return reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)); };
  const auto height_of = [](HFONT font) {
    LOGFONTW description{};
    GetObjectW(font, sizeof(description), &description);
    return description.lfHeight;
  };
  const UINT dpi = GetDpiForWindow(stage.window()) == 0 ? 96 : GetDpiForWindow(stage.window());
  const HFONT first = font_of();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(height_of(first), -MulDiv(10, static_cast<int>(dpi), 72));
  LOGFONTW face{};
  GetObjectW(first, sizeof(face), &face);
  EXPECT_STREQ(face.lfFaceName, L"Segoe UI");

  // The same dpi keeps the font; another makes a new one at 10 points and deletes the old.
  const unsigned gdi_before = gdi_objects_in_use();
  edit->refresh_font(dpi);
  stage.place(*edit, edit->arranged_rect());
  EXPECT_EQ(font_of(), first);
  EXPECT_EQ(gdi_objects_in_use(), gdi_before);
  edit->refresh_font(144);
  const HFONT second = font_of();
  EXPECT_NE(second, first);
  EXPECT_EQ(height_of(second), -20);
  EXPECT_EQ(GetObjectType(first), 0u);
  // Placing reads the parent's dpi again.
  stage.place(*edit, edit->arranged_rect());
  EXPECT_EQ(height_of(font_of()), -MulDiv(10, static_cast<int>(dpi), 72));
  EXPECT_EQ(gdi_objects_in_use(), gdi_before);

  // Right to left flips reading order, alignment, scroll bar side and layout, and back.
  constexpr LONG_PTR rtl = WS_EX_LAYOUTRTL | WS_EX_RTLREADING | WS_EX_RIGHT | WS_EX_LEFTSCROLLBAR;
  edit->peer()->update(stage.configuration(true));
  EXPECT_EQ(GetWindowLongPtrW(control, GWL_EXSTYLE) & rtl, rtl);
  edit->peer()->update(stage.configuration(false));
  EXPECT_EQ(GetWindowLongPtrW(control, GWL_EXSTYLE) & rtl, 0);
  // A control made again while the tree reads right to left starts so.
  edit->peer()->update(stage.configuration(true));
  edit->peer()->detach();
  ASSERT_TRUE(edit->peer()->create(stage.window(), stage.configuration(true)));
  EXPECT_EQ(GetWindowLongPtrW(hwnd_of(*edit), GWL_EXSTYLE) & rtl, rtl);
}

TEST(NativeHostLifecycleTest, AWindowDestroyedFromOutsideIsForgottenAndMadeAgain) {
  Stage stage;
  auto* edit = stage.add<Win32Edit>(Rect{20, 20, 200, 32}, 1, L"kept");
  ASSERT_TRUE(stage.show(*edit));
  HWND first = hwnd_of(*edit);
  Stage other;
  // A live control only takes the configuration and says whether it hangs from that parent.
  EXPECT_TRUE(edit->peer()->create(stage.window(), stage.configuration()));
  EXPECT_FALSE(edit->peer()->create(other.window(), stage.configuration()));
  EXPECT_EQ(hwnd_of(*edit), first);

  DestroyWindow(first);
  EXPECT_EQ(edit->native_window(), nullptr);
  EXPECT_EQ(edit->peer()->native_window(), nullptr);
  edit->peer()->place(platform::NativeViewGeometry{});  // nothing to place, nothing breaks
  ASSERT_TRUE(stage.show(*edit));
  HWND second = hwnd_of(*edit);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(IsWindowVisible(second));
  wchar_t shown[16]{};
  GetWindowTextW(second, shown, 16);
  EXPECT_STREQ(shown, L"kept");
  EXPECT_NE(SendMessageW(second, WM_GETFONT, 0, 0), 0);
  // Themed again: the flat field has no system border.
  EXPECT_EQ(GetWindowLongPtrW(second, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
}

TEST(NativeHostLifecycleTest, ThousandCreateDetachCyclesLeaveGdiAndUserObjectsFlat) {
  Stage stage;
  auto* edit = stage.add<Win32Edit>(Rect{20, 20, 200, 32}, 1, L"cycle");
  auto* combo = stage.add<Win32ComboBox>(Rect{20, 60, 200, 32}, 2);
  combo->set_items({L"one", L"two"});
  combo->set_selected_index(1);
  // A shown combo box paints at once, through Direct2D, which is slow under Wine: the long loop
  // shows and paints everything only now and then.
  const auto cycle = [&](bool show_all) {
    ASSERT_TRUE(edit->peer()->create(stage.window(), stage.configuration()));
    ASSERT_TRUE(combo->peer()->create(stage.window(), stage.configuration()));
    stage.place(*edit, Rect{20, 4, 200, 32}, 1.0f, Rect{0, 10, 420, 200}, true, show_all);  // with a region
    if (show_all) stage.place(*combo, Rect{20, 60, 200, 32});
    edit->peer()->detach();
    combo->peer()->detach();
  };
  for (int i = 0; i < 5; ++i) cycle(true);
  pump();
  const unsigned gdi_before = gdi_objects_in_use();
  const unsigned user_before = user_objects_in_use();
  for (int i = 0; i < 1000 && !HasFatalFailure(); ++i) cycle(i % 100 == 0);
  pump();
  EXPECT_EQ(gdi_objects_in_use(), gdi_before);
  EXPECT_EQ(user_objects_in_use(), user_before);
  EXPECT_EQ(edit->native_window(), nullptr);
}

TEST(NativeHostPicturesTest, FieldsLookThemedAndLegibleInLightAndDark) {
  orvane::test::GdiplusScope gdiplus;
  for (const auto& [name, palette] : {std::pair{L"light", modern::light_palette(modern::default_accent)},
                                      std::pair{L"dark", modern::dark_palette(modern::default_accent)}}) {
    SCOPED_TRACE(name[0] == L'l' ? "light" : "dark");
    Stage stage(palette);
    auto* filled = stage.add<Win32Edit>(Rect{20, 20, 240, 32}, 1, L"Orvane 示例水印");
    auto* empty = stage.add<Win32Edit>(Rect{20, 64, 240, 32}, 2);
    empty->set_placeholder(L"Watermark text");
    auto* lines = stage.add<Win32Edit>(Rect{20, 108, 240, 72}, 3, L"First line\r\nSecond line");
    lines->set_multiline(true);
    auto* combo = stage.add<Win32ComboBox>(Rect{20, 196, 240, 32}, 4);
    combo->set_items({L"Tiled grid", L"Centre"});
    combo->set_selected_index(0);
    for (Win32NativeHost* view : std::initializer_list<Win32NativeHost*>{filled, empty, lines, combo}) {
      ASSERT_TRUE(stage.show(*view));
    }
    const orvane::test::Pixels pixels = capture(stage.window());
    const std::wstring file = std::wstring(L"" NATIVE_HOSTS_ARTEFACT_DIR) + L"/native_hosts_" + name + L".png";
    EXPECT_TRUE(orvane::test::save_pixels(pixels, file, L"image/png"));

    const std::uint32_t field = rgb_of(palette, Palette::field_background);
    const std::uint32_t text = rgb_of(palette, Palette::text);
    // Outside the fields the window background; inside, the field colour with text in the text colour.
    EXPECT_EQ(pixels_near(pixels, RECT{280, 20, 400, 230}, rgb_of(palette, Palette::window_background), 2), 120 * 210);
    EXPECT_GT(pixels_near(pixels, RECT{22, 22, 258, 50}, field, 2), 236 * 28 / 2);
    EXPECT_GT(pixels_near(pixels, RECT{22, 22, 258, 50}, text, 48), 20);
    EXPECT_GT(pixels_near(pixels, RECT{22, 110, 250, 178}, text, 48), 20);
    EXPECT_GT(pixels_near(pixels, RECT{22, 198, 230, 226}, text, 48), 20);
    // The outline in the control border colour along the left edges of the first field and the combo
    // box, whose arrow sits on the field itself, not on a system button.
    EXPECT_GT(pixels_near(pixels, RECT{20, 30, 21, 42}, rgb_of(palette, Palette::control_border), 8), 8);
    EXPECT_GT(pixels_near(pixels, RECT{20, 206, 21, 218}, rgb_of(palette, Palette::control_border), 8), 8);
    EXPECT_GT(pixels_near(pixels, RECT{236, 200, 256, 224}, field, 8), 20 * 24 * 9 / 10);
    // The placeholder shows in the empty field, unlike the field colour.
    EXPECT_GT(236 * 28 - pixels_near(pixels, RECT{22, 66, 258, 94}, field, 24), 20);
  }
}

}  // namespace
}  // namespace tree_test
