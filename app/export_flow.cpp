#include "export_flow.h"

#include <windows.h>

#include <commdlg.h>

#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <vector>

#include "file_dialog.h"
#include "file_identity.h"
#include "flow_texts.h"
#include "image_export.h"
#include "orvane_application.h"

namespace orvane::app {

std::wstring ExportFlow::default_output_name() const {
  const std::filesystem::path source(application_.image_path());
  const std::wstring name = source.stem().wstring() + L"-watermarked" + source.extension().wstring();
  return (source.parent_path() / name).wstring();
}

void ExportFlow::export_watermarked() {
  OrvaneApplication& app = application_;
  const UiLanguage language = app.language();
  const std::wstring& image_path = app.image_path();
  // Refuse without an image or without a text.
  if (image_path.empty()) {
    app.message(flow_text(language, FlowText::no_image_title), flow_text(language, FlowText::no_image_message), false);
    return;
  }
  if (app.settings().text.empty() && app.settings().logo_path.empty()) {
    app.message(flow_text(language, FlowText::empty_text_title), flow_text(language, FlowText::empty_text_message), false);
    return;
  }
  // Ask for the name, the suggested one filled in.
  std::vector<wchar_t> buffer(path_buffer_units, L'\0');
  const std::wstring suggested = default_output_name();
  std::copy_n(suggested.begin(), std::min(suggested.size(), path_buffer_units - 1), buffer.begin());
  const std::wstring filters = filter_list({
      {flow_text(language, FlowText::save_filter_png), L"*.png"},
      {flow_text(language, FlowText::save_filter_jpeg), L"*.jpg;*.jpeg"},
      {flow_text(language, FlowText::save_filter_bmp), L"*.bmp"},
      {flow_text(language, FlowText::save_filter_tiff), L"*.tif;*.tiff"},
  });
  if (!run_file_dialog(app.hwnd(), flow_text(language, FlowText::save_dialog_title), filters, buffer, L"png",
                       OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT, true)) {
    return;
  }
  // Never over the source: the same path in any letter case, or another name of the same file.
  const std::wstring output = absolute_path(buffer.data());
  const auto source_identity = engine::file_identity(image_path);
  const auto output_identity = engine::file_identity(output);
  if (_wcsicmp(output.c_str(), image_path.c_str()) == 0 ||
      (source_identity && output_identity && *source_identity == *output_identity)) {
    app.message(flow_text(language, FlowText::same_file_title), flow_text(language, FlowText::same_file_message), false);
    return;
  }
  // Write the copy, with the wait cursor while the export blocks.
  engine::WatermarkOptions options = make_options(app.settings(), image_path);
  options.output_path = output;
  engine::ExportReport report;
  std::wstring error;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  const bool written = engine::export_image(options, report, error);
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  // Say how it went.
  if (!written) {
    app.message(flow_text(language, FlowText::export_failed_title), error, true);
    return;
  }
  app.set_status(fill(flow_text(language, FlowText::exported_status), file_name_of(output)));
  app.message(flow_text(language, FlowText::export_done_title), fill(flow_text(language, FlowText::export_done_message), output),
              false);
}

}  // namespace orvane::app
