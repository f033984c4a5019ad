#include "open_flow.h"

#include <shellapi.h>
#include <commctrl.h>
#include <commdlg.h>

#include <memory>
#include <vector>

#include "batch_texts.h"
#include "file_dialog.h"
#include "flow_texts.h"
#include "file_system.h"
#include "flow_texts.h"
#include "orvane_application.h"

namespace orvane::app {

void OpenFlow::choose_image() {
  const UiLanguage language = application_.language();
  std::vector<wchar_t> buffer(path_buffer_units, L'\0');
  const std::wstring filters = filter_list({
      {flow_text(language, FlowText::open_filter_images), L"*.png;*.jpg;*.jpeg;*.bmp;*.gif;*.tif;*.tiff"},
      {flow_text(language, FlowText::open_filter_all), L"*.*"},
  });
  if (!run_file_dialog(application_.hwnd(), flow_text(language, FlowText::open_dialog_title), filters, buffer, nullptr,
                       OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT, false)) {
    return;
  }
  application_.open_photos(chosen_files(buffer));
}

void OpenFlow::open_paths(const std::vector<std::wstring>& paths) {
  if (paths.empty() || application_.exporting()) return;
  if (paths.size() == 1 && engine::path_kind(paths.front()) != engine::PathKind::folder) {
    open_image(paths.front());
    return;
  }
  // Folders give the image files in them and below, as orvane-cli -r finds them, looked for aside;
  // named files stay, whatever their extension, and say in their row whether they open.
  application_.set_status(batch_text(application_.language(), BatchText::searching_status));
  search_.start(
      paths,
      [this](std::size_t files) {
        application_.set_status(fill(batch_text(application_.language(), BatchText::searched_status), std::to_wstring(files)));
      },
      [this](std::vector<std::wstring> photos) {
        if (application_.exporting()) return;
        if (photos.empty()) {
          application_.set_status(batch_text(application_.language(), BatchText::no_photos_status));
        } else {
          application_.open_photos(std::move(photos));
        }
      });
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

void OpenFlow::take_drop(HDROP drop) {
  std::vector<std::wstring> paths;
  std::vector<wchar_t> name(path_buffer_units, L'\0');
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size()));
    if (length != 0) paths.emplace_back(name.data(), length);
  }
  DragFinish(drop);
  if (!application_.exporting()) open_paths(paths);
}

}  // namespace orvane::app
