#pragma once

#include <cstddef>
#include <string>

#include "batch_figures.h"
#include "item_result.h"
#include "photo_batch.h"
#include "ui_language.h"

namespace orvane::app {

// The texts of a batch of photos in the window, in the UI language. "{}" marks are filled in order.
enum class BatchText : int {
  folder_dialog_title,
  refused_title,
  collision_message,  // two photo names, then the copy's name
  source_message,     // the photo, then the source its copy would replace
  replace_title,
  replace_message,    // how many, then the folder
  exporting_status,   // how many photos
  stopping_status,
  done_count,         // done, then total
  failed_count,
  rate,               // photos per second
  time_left,          // a clock text
  finished_title,
  stopped_title,
  written_line,       // how many
  skipped_line,       // how many
  failed_line,        // how many
  not_started_line,   // how many
  more_failures,      // how many
  open_folder_question,
  state_waiting,
  state_working,
  state_written,
  state_skipped,
  state_failed,       // the reason
  reason_source,
  reason_written_earlier,
  reason_output_unknown,
  reason_output_exists,
  reason_folder_missing,
  reason_memory,
  reason_stopped,
  photos_list,
  remove_photo,
  opened_photos_status,  // how many
  photo_failed_status,   // the file name
  no_photos_status,
  searching_status,
  searched_status,  // how many files so far
};

[[nodiscard]] std::wstring batch_text(UiLanguage language, BatchText id);

// Why a photo was skipped or failed, in a few words.
[[nodiscard]] std::wstring reason_text(UiLanguage language, const batch::ItemResult& result);
// What a row of the list says of its photo: "Waiting", "Done", "Failed: ..." and so on.
[[nodiscard]] std::wstring state_text(UiLanguage language, const BatchPhoto& photo);
// "12/20 done · 1 failed · 2.4 photos/s · about 0:34 left", the parts there is something to say about.
[[nodiscard]] std::wstring progress_text(UiLanguage language, const batch::BatchFigures& figures);

}  // namespace orvane::app
