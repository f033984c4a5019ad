#pragma once

#include <string>

#include "ui_language.h"

namespace orvane::app {

// The texts of opening, exporting and the preview card, in the UI language.
enum class FlowText : int {
  open_dialog_title,
  open_filter_images,
  open_filter_all,
  opened_status,  // "{}" is the file name
  open_failed_title,
  save_dialog_title,
  save_filter_png,
  save_filter_jpeg,
  save_filter_bmp,
  save_filter_tiff,
  no_image_title,
  no_image_message,
  empty_text_title,
  empty_text_message,
  same_file_title,
  same_file_message,
  export_failed_title,
  export_done_title,
  export_done_message,  // "{}" is the full output path
  exported_status,      // "{}" is the output file name
  support_failed_title,
  support_failed_message,  // "{}" is the address
  opening_status,          // "{}" is the file name
  logo_dialog_title,
  logo_failed_title,
  logo_dropped_status,  // "{}" is the logo's file name
  save_preset_title,
  rename_preset_title,
  replace_preset_title,
  replace_preset_message,  // "{}" is the preset's name
  delete_preset_title,
  delete_preset_message,  // "{}" is the preset's name
  preset_failed_title,
  import_preset_title,
  export_preset_title,
  preset_filter,
  preset_applied_status,       // "{}" is the preset's name
  preset_logo_missing_status,  // "{}" is the logo's file name
  preset_exported_status,      // "{}" is the file name
  exporting_status,            // "{}" is the output file name
  export_cancelled_status,     // "{}" is the output file name
  cancel_export,
  export_progress,
  close_while_exporting_title,
  close_while_exporting_message,  // "{}" is the output file name
  close_while_batch_message,
};

[[nodiscard]] std::wstring flow_text(UiLanguage language, FlowText id);

// `pattern` with its "{}" replaced by `value`.
[[nodiscard]] std::wstring fill(const std::wstring& pattern, const std::wstring& value);

}  // namespace orvane::app
