#include "open_flow.h"

#include <shellapi.h>
#include <commctrl.h>
#include <commdlg.h>

#include <memory>
#include <vector>

#include "file_dialog.h"
#include "file_system.h"
#include "flow_texts.h"
#include "orvane_application.h"

namespace orvane::app {

namespace {

constexpr UINT_PTR app_subclass_id = 0x4F52564E;  // "ORVN"

}  // namespace

void OpenFlow::choose_image() {
  const UiLanguage language = application_.language();
  std::vector<wchar_t> buffer(path_buffer_units, L'\0');
  const std::wstring filters = filter_list({
      {flow_text(language, FlowText::open_filter_images), L"*.png;*.jpg;*.jpeg;*.bmp;*.gif;*.tif;*.tiff"},
      {flow_text(language, FlowText::open_filter_all), L"*.*"},
  });
  if (!run_file_dialog(application_.hwnd(), flow_text(language, FlowText::open_dialog_title), filters, buffer, nullptr,
                       OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, false)) {
    return;
  }
  open_image(buffer.data());
}

void OpenFlow::open_image(const std::wstring& path) {
  const UiLanguage language = application_.language();
  // Only existing files; a missing path or a folder is ignored silently, and a path the system
  // cannot tell about is reported. Asked of the system, not the runtime's stat, which takes long
  // paths for missing ones.
  switch (engine::path_kind(path)) {
    case engine::PathKind::missing:
    case engine::PathKind::folder:
      return;
    case engine::PathKind::unknown:
      application_.message(flow_text(language, FlowText::open_failed_title), engine::kInputInaccessible, true);
      return;
    case engine::PathKind::file:
      break;
  }
  // Decode the new image aside: a failure leaves the open image working as before.
  application_.start_opening(absolute_path(path));
}

void OpenFlow::finish_open(const std::wstring& path, const std::wstring& error) {
  if (!error.empty()) {
    application_.message(flow_text(application_.language(), FlowText::open_failed_title), error, true);
    return;
  }
  // The new image becomes the open one.
  application_.take_image(path);
}

void OpenFlow::accept_drops(HWND window) {
  DragAcceptFiles(window, TRUE);
  SetWindowSubclass(window, &OpenFlow::subclass_proc, app_subclass_id, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK OpenFlow::subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                         DWORD_PTR data) noexcept {
  auto* self = reinterpret_cast<OpenFlow*>(data);
  try {
    switch (message) {
      case WM_DROPFILES: {
        auto drop = reinterpret_cast<HDROP>(wparam);
        std::vector<wchar_t> name(path_buffer_units, L'\0');
        const UINT length = DragQueryFileW(drop, 0, name.data(), static_cast<UINT>(name.size()));
        DragFinish(drop);
        // Only the first file of a drop counts; nothing opens while an export is written.
        if (length != 0 && !self->application_.exporting()) self->open_image(name.data());
        return 0;
      }
      case WM_NCDESTROY:
        RemoveWindowSubclass(window, &OpenFlow::subclass_proc, app_subclass_id);
        break;
      default:
        break;
    }
  } catch (...) {
    // Nothing unwinds into the system's dispatcher.
    return 0;
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

}  // namespace orvane::app
