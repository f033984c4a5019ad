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

namespace {

using win32_ui::scaffold::TaskbarState;

}  // namespace

ExportFlow::ExportFlow(OrvaneApplication& application) : application_(application) {}

ExportFlow::~ExportFlow() = default;

std::wstring ExportFlow::default_output_name() const {
  const std::filesystem::path source(application_.image_path());
  const std::wstring name = source.stem().wstring() + L"-watermarked" + source.extension().wstring();
  return (source.parent_path() / name).wstring();
}

void ExportFlow::export_watermarked() {
  OrvaneApplication& app = application_;
  if (exporting()) return;
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
  // Write the copy aside; the window shows how far it has come and stays free.
  engine::WatermarkOptions options = make_options(app.settings(), image_path);
  options.output_path = output;
  output_path_ = output;
  output_name_ = file_name_of(output);
  progress_ = 0.0;
  const bool started = job_.start(
      std::move(options),
      [this](double done) {
        progress_ = done;
        application_.show_taskbar(TaskbarState::normal, done);
        application_.export_state_changed();
      },
      [this](ExportOutcome outcome) { finished(std::move(outcome)); });
  if (!started) return;
  application_.show_taskbar(TaskbarState::normal, 0.0);
  application_.export_state_changed();
}

void ExportFlow::cancel() { job_.cancel(); }

void ExportFlow::finished(ExportOutcome outcome) {
  OrvaneApplication& app = application_;
  const UiLanguage language = app.language();
  app.export_state_changed();
  // Say how it went.
  if (outcome.cancelled) {
    application_.show_taskbar(TaskbarState::none);
    app.set_status(fill(flow_text(language, FlowText::export_cancelled_status), output_name_));
    return;
  }
  if (!outcome.written) {
    // Red on the taskbar while the message says why, so a user elsewhere sees it failed.
    application_.show_taskbar(TaskbarState::error, 1.0);
    app.message(flow_text(language, FlowText::export_failed_title), outcome.error, true);
    application_.show_taskbar(TaskbarState::none);
    return;
  }
  application_.show_taskbar(TaskbarState::none);
  app.set_status(fill(flow_text(language, FlowText::exported_status), output_name_));
  app.message(flow_text(language, FlowText::export_done_title), fill(flow_text(language, FlowText::export_done_message), output_path_),
              false);
}

bool ExportFlow::confirm_close() {
  OrvaneApplication& app = application_;
  if (!app.exporting()) return true;
  // Closing stops the export and leaves its output as it was, so the user says so first.
  const UiLanguage language = app.language();
  const std::wstring question = exporting() ? fill(flow_text(language, FlowText::close_while_exporting_message), output_name_)
                                            : flow_text(language, FlowText::close_while_batch_message);
  if (!app.ask(flow_text(language, FlowText::close_while_exporting_title), question)) return false;
  // A single export stops at once; a batch's are abandoned as the window goes.
  job_.cancel();
  return true;
}

}  // namespace orvane::app
