// uia_dump: prints a window's UI Automation tree as a screen reader sees it, from its own process,
// through UIA's node API only (UiaNodeFromHandle, UiaNavigate, UiaGetPropertyValue): one line per
// element, indented two spaces per level, with its control type, name, class name, automation id,
// enabled state and whatever else the platform answers. It calls no *Pattern_* function and no
// IUIAutomation: Wine 8 implements neither (its pattern functions are stubs that abort).
//
//   uia_dump [--window HEX] [--process PID] [--class NAME] [--title TEXT] [--wait MS] [--bounds]
//            [--focus] [--out FILE]
//
// Without --window it takes the topmost visible top-level window of the given class (default
// "Win32UiScaffoldWindow_v1"), of the process when given, whose title contains TEXT, waiting up to MS
// milliseconds (default 5000) for it to appear. --bounds adds bounding rectangles and --focus keyboard
// focus (both change from run to run, so the tests leave them out). The dump is written as UTF-8.
// Exit codes: 0 done, 2 bad usage, 3 no such window, 4 the window has no UIA element.

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/windows/accessibility/uia_api.h"

namespace {

using win32_ui::platform::windows::accessibility::UiaApi;
using win32_ui::platform::windows::accessibility::UiaCacheRequestRecord;
using win32_ui::platform::windows::accessibility::UiaNode;
using win32_ui::platform::windows::accessibility::UiaTrueCondition;
using win32_ui::platform::windows::accessibility::uia_api;

constexpr int max_depth = 48;
constexpr int max_elements = 4000;

const wchar_t* control_type_name(int id) {
  static const wchar_t* const names[] = {
      L"Button",    L"Calendar",    L"CheckBox",  L"ComboBox",    L"Edit",     L"Hyperlink",   L"Image",     L"ListItem",
      L"List",      L"Menu",        L"MenuBar",   L"MenuItem",    L"ProgressBar", L"RadioButton", L"ScrollBar", L"Slider",
      L"Spinner",   L"StatusBar",   L"Tab",       L"TabItem",     L"Text",     L"ToolBar",     L"ToolTip",   L"Tree",
      L"TreeItem",  L"Custom",      L"Group",     L"Thumb",       L"DataGrid", L"DataItem",    L"Document",  L"SplitButton",
      L"Window",    L"Pane",        L"Header",    L"HeaderItem",  L"Table",    L"TitleBar",    L"Separator"};
  if (id < 50000 || id >= 50000 + static_cast<int>(sizeof(names) / sizeof(names[0]))) return nullptr;
  return names[id - 50000];
}

struct Options {
  HWND window = nullptr;
  DWORD process = 0;
  std::wstring window_class = L"Win32UiScaffoldWindow_v1";
  std::wstring title;
  int wait_ms = 5000;
  bool bounds = false;
  bool focus = false;
  std::wstring out;
};

HWND find_window(const Options& options) {
  struct Search {
    const Options* options;
    HWND found;
  } search{&options, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if ((s.options->process != 0 && process != s.options->process) || !IsWindowVisible(window)) return TRUE;
        wchar_t name[128] = {};
        wchar_t title[512] = {};
        GetClassNameW(window, name, 128);
        InternalGetWindowText(window, title, 512);
        if (s.options->window_class != name || std::wstring(title).find(s.options->title) == std::wstring::npos) return TRUE;
        s.found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A property's value as text, or empty when the platform gave none.
std::wstring text_of(const VARIANT& v) {
  switch (v.vt) {
    case VT_BSTR:
      return v.bstrVal != nullptr ? std::wstring(v.bstrVal, SysStringLen(v.bstrVal)) : std::wstring();
    case VT_BOOL:
      return v.boolVal != VARIANT_FALSE ? L"true" : L"false";
    case VT_I4:
      return std::to_wstring(v.lVal);
    case VT_R8: {
      wchar_t number[64];
      std::swprintf(number, 64, L"%g", v.dblVal);
      return number;
    }
    case VT_R8 | VT_ARRAY: {
      std::wstring joined;
      double* values = nullptr;
      if (v.parray == nullptr || FAILED(SafeArrayAccessData(v.parray, reinterpret_cast<void**>(&values)))) return {};
      const ULONG count = v.parray->rgsabound[0].cElements;
      for (ULONG i = 0; i < count; ++i) {
        wchar_t number[64];
        std::swprintf(number, 64, L"%g", values[i]);
        if (!joined.empty()) joined += L',';
        joined += number;
      }
      SafeArrayUnaccessData(v.parray);
      return joined;
    }
    default:
      return {};
  }
}

// Asks one property; `answered` is false when the platform gave nothing (an error, empty or a value of
// another kind).
std::wstring property(const UiaApi& api, UiaNode node, int id, bool& answered) {
  VARIANT v;
  VariantInit(&v);
  answered = false;
  if (FAILED(api.get_property_value(node, id, &v))) return {};
  answered = v.vt == VT_BSTR || v.vt == VT_BOOL || v.vt == VT_I4 || v.vt == VT_R8 || v.vt == (VT_R8 | VT_ARRAY);
  std::wstring text = text_of(v);
  VariantClear(&v);
  return text;
}

std::wstring quoted(const std::wstring& text) {
  std::wstring out = L"\"";
  for (const wchar_t c : text) {
    if (c == L'"' || c == L'\\') out += L'\\';
    if (c == L'\n') {
      out += L"\\n";
      continue;
    }
    if (c == L'\r') continue;
    out += c;
  }
  return out + L"\"";
}

struct Dumper {
  const UiaApi& api;
  const Options& options;
  std::wstring out;
  int elements = 0;

  void line(UiaNode node, int depth) {
    bool answered = false;
    std::wstring text(static_cast<std::size_t>(depth) * 2, L' ');
    const std::wstring type = property(api, node, 30003, answered);
    const wchar_t* type_name = answered ? control_type_name(_wtoi(type.c_str())) : nullptr;
    text += type_name != nullptr ? type_name : (answered ? L"ControlType(" + type + L")" : L"?");
    text += L' ' + quoted(property(api, node, 30005, answered));
    const std::wstring class_name = property(api, node, 30012, answered);
    if (answered && !class_name.empty()) text += L" class=" + class_name;
    const std::wstring automation_id = property(api, node, 30011, answered);
    if (answered && !automation_id.empty()) text += L" id=" + automation_id;
    if (property(api, node, 30010, answered) == L"false" && answered) text += L" disabled";
    // Whatever else the platform answers, named as UIA names it.
    struct Extra {
      int id;
      const wchar_t* name;
      bool only_true;  // a flag printed only when set
    };
    static const Extra extras[] = {{30013, L"help", false},          {30009, L"focusable", true},
                                   {30022, L"offscreen", true},      {30045, L"value", false},
                                   {30046, L"readonly", true},       {30047, L"range", false},
                                   {30086, L"toggle", false},        {30070, L"expanded", false},
                                   {30174, L"dialog", true}};
    for (const Extra& extra : extras) {
      const std::wstring value = property(api, node, extra.id, answered);
      if (!answered) continue;
      if (extra.only_true) {
        if (value == L"true") text += std::wstring(L" ") + extra.name;
        continue;
      }
      if (extra.id == 30013 && value.empty()) continue;
      text += std::wstring(L" ") + extra.name + L"=" + (extra.id == 30045 || extra.id == 30013 ? quoted(value) : value);
    }
    if (options.focus && property(api, node, 30008, answered) == L"true" && answered) text += L" focused";
    if (options.bounds) {
      const std::wstring rect = property(api, node, 30001, answered);
      if (answered) text += L" bounds=" + rect;
    }
    out += text + L'\n';
  }

  // The next element in a direction (3 first child, 1 next sibling), or null. The array holds the
  // node as a plain number (the reference it carries is ours, released with UiaNodeRelease).
  UiaNode step(UiaNode node, int direction) {
    UiaTrueCondition condition;
    UiaCacheRequestRecord request;
    request.view_condition = &condition;
    SAFEARRAY* data = nullptr;
    BSTR structure = nullptr;
    UiaNode next = nullptr;
    if (SUCCEEDED(api.navigate(node, direction, &condition, &request, &data, &structure)) && data != nullptr) {
      LONG index[2] = {0, 0};
      VARIANT v;
      VariantInit(&v);
      if (SUCCEEDED(SafeArrayGetElement(data, index, &v)) && api.node_from_variant != nullptr) {
        api.node_from_variant(&v, &next);
      }
      VariantClear(&v);
    }
    if (structure != nullptr) SysFreeString(structure);
    if (data != nullptr) SafeArrayDestroy(data);
    return next;
  }

  void walk(UiaNode node, int depth) {
    if (++elements > max_elements) return;
    line(node, depth);
    if (depth >= max_depth) return;
    UiaNode child = step(node, 3);
    while (child != nullptr && elements <= max_elements) {
      walk(child, depth + 1);
      UiaNode next = step(child, 1);
      api.node_release(child);
      child = next;
    }
    if (child != nullptr) api.node_release(child);
  }
};

std::string utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

bool parse(int argc, wchar_t** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == L"--bounds") {
      options.bounds = true;
    } else if (arg == L"--focus") {
      options.focus = true;
    } else if (arg == L"--window" && has_value) {
      options.window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::wcstoull(argv[++i], nullptr, 16)));
    } else if (arg == L"--process" && has_value) {
      options.process = static_cast<DWORD>(std::wcstoul(argv[++i], nullptr, 10));
    } else if (arg == L"--class" && has_value) {
      options.window_class = argv[++i];
    } else if (arg == L"--title" && has_value) {
      options.title = argv[++i];
    } else if (arg == L"--wait" && has_value) {
      options.wait_ms = _wtoi(argv[++i]);
    } else if (arg == L"--out" && has_value) {
      options.out = argv[++i];
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (!parse(argc, argv, options)) {
    std::fputs("usage: uia_dump [--window HEX] [--process PID] [--class NAME] [--title TEXT] [--wait MS] [--bounds] "
               "[--focus] [--out FILE]\n",
               stderr);
    return 2;
  }
  HWND window = options.window;
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(options.wait_ms > 0 ? options.wait_ms : 0);
  while (window == nullptr) {
    window = find_window(options);
    if (window != nullptr || GetTickCount64() >= end) break;
    Sleep(50);
  }
  if (window == nullptr || !IsWindow(window)) {
    std::fputs("uia_dump: no such window\n", stderr);
    return 3;
  }
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  const UiaApi& api = uia_api();
  UiaNode root = nullptr;
  if (api.node_from_handle == nullptr || api.get_property_value == nullptr || api.navigate == nullptr ||
      api.node_release == nullptr || FAILED(api.node_from_handle(window, &root)) || root == nullptr) {
    std::fputs("uia_dump: the window has no UI Automation element\n", stderr);
    CoUninitialize();
    return 4;
  }
  Dumper dumper{api, options, {}, 0};
  dumper.walk(root, 0);
  api.node_release(root);
  const std::string bytes = utf8(dumper.out);
  int status = 0;
  if (options.out.empty()) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  } else {
    HANDLE file = CreateFileW(options.out.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (file == INVALID_HANDLE_VALUE || !WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
      status = 5;
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  CoUninitialize();
  return status;
}
