#include "batch_export_flow.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <filesystem>
#include <utility>

#include "batch_plan.h"
#include "batch_texts.h"
#include "file_dialog.h"
#include "flow_texts.h"
#include "orvane_application.h"
#include "scaffold/taskbar_progress.h"

namespace orvane::app {

namespace {

using win32_ui::scaffold::TaskbarState;

// The failures a summary names one by one; the rest are counted.
constexpr std::size_t named_failures = 8;

PhotoState state_of(const batch::ItemResult& result) {
  switch (result.status) {
    case batch::ItemStatus::Written: return PhotoState::written;
    case batch::ItemStatus::Skipped: return PhotoState::skipped;
    case batch::ItemStatus::NotStarted: return PhotoState::waiting;
    case batch::ItemStatus::Failed:
    case batch::ItemStatus::Cancelled: break;
  }
  return PhotoState::failed;
}

// A photo named with its folder, so two of one name from two folders can be told apart.
std::wstring with_folder(const std::wstring& path) {
  const std::filesystem::path full(path);
  const std::wstring folder = full.parent_path().filename().wstring();
  return folder.empty() ? full.filename().wstring() : folder + L"\\" + full.filename().wstring();
}

}  // namespace

void BatchExportFlow::export_all() {
  OrvaneApplication& app = application_;
  if (app.exporting() || app.batch().empty()) return;
  const UiLanguage language = app.language();
  if (app.settings().text.empty() && app.settings().logo_path.empty()) {
    app.message(flow_text(language, FlowText::empty_text_title), flow_text(language, FlowText::empty_text_message), false);
    return;
  }
  // The last folder chosen, else the folder of the photo shown.
  std::wstring start = folder_;
  if (start.empty()) start = std::filesystem::path(app.batch().at(app.batch().current()).path).parent_path().wstring();
  const std::wstring folder = choose_folder(app.hwnd(), batch_text(language, BatchText::folder_dialog_title), start);
  if (!folder.empty()) export_into(folder);
}

void BatchExportFlow::export_into(const std::wstring& folder) {
  OrvaneApplication& app = application_;
  if (app.exporting() || app.batch().empty()) return;
  const UiLanguage language = app.language();
  std::vector<std::wstring> photos;
  for (const BatchPhoto& photo : app.batch().photos()) photos.push_back(photo.path);
  batch::FolderPlan planned = batch::plan_into_folder(photos, folder);
  const std::vector<batch::PlanItem>& items = planned.plan.items;

  // Refused before anything is written: one file for two photos, or a copy over a source.
  if (!planned.collisions.empty()) {
    const batch::Collision& collision = planned.collisions.front();
    std::wstring text = batch_text(language, BatchText::collision_message);
    text = fill(fill(fill(text, with_folder(items[collision.first].input)), with_folder(items[collision.second].input)),
                file_name_of(items[collision.first].output));
    app.message(batch_text(language, BatchText::refused_title), text, true);
    return;
  }
  if (!planned.sources.empty()) {
    const batch::PlanItem& item = items[planned.sources.front()];
    app.message(batch_text(language, BatchText::refused_title),
                fill(fill(batch_text(language, BatchText::source_message), file_name_of(item.input)), item.output),
                true);
    return;
  }
  // Existing copies: replaced or kept, asked once for the whole batch.
  bool replace = false;
  if (!planned.existing.empty()) {
    replace = app.ask(batch_text(language, BatchText::replace_title),
                      fill(fill(batch_text(language, BatchText::replace_message), std::to_wstring(planned.existing.size())),
                           planned.plan.output_folder));
  }

  batch::RunSettings settings;
  settings.options = make_options(app.settings(), std::wstring());
  settings.overwrite = replace;
  settings.skip_existing = !replace;
  settings.jobs = batch::default_jobs();
  settings.memory_budget = batch::default_memory_budget();

  folder_ = planned.plan.output_folder;
  rows_.clear();
  for (std::size_t i = 0; i < items.size(); ++i) rows_.push_back(app.batch().find(items[i].input_full).value_or(i));
  app.batch().reset_states();
  figures_ = {};
  figures_.images = planned.plan.images;
  app.batch_changed();

  BatchJob::Handlers handlers;
  handlers.started = [this](std::size_t index) {
    if (index >= rows_.size() || rows_[index] >= application_.batch().size()) return;
    application_.batch().at(rows_[index]).state = PhotoState::working;
    application_.photo_changed(rows_[index]);
  };
  handlers.finished = [this](std::size_t index, batch::ItemResult result) {
    if (index >= rows_.size() || rows_[index] >= application_.batch().size()) return;
    BatchPhoto& photo = application_.batch().at(rows_[index]);
    photo.state = state_of(result);
    photo.result = std::move(result);
    application_.photo_changed(rows_[index]);
  };
  handlers.progress = [this](batch::BatchFigures figures) {
    figures_ = figures;
    application_.show_taskbar(TaskbarState::normal, progress());
    application_.export_state_changed();
  };
  handlers.done = [this](batch::BatchOutcome outcome) { finished(outcome); };
  if (!job_.start(std::move(planned.plan), std::move(settings), std::move(handlers))) return;
  app.show_taskbar(TaskbarState::normal, 0.0);
  app.export_state_changed();
}

double BatchExportFlow::progress() const noexcept {
  return figures_.images == 0 ? 0.0 : static_cast<double>(figures_.done()) / static_cast<double>(figures_.images);
}

void BatchExportFlow::stop() {
  if (!job_.running()) return;
  job_.stop();
  application_.show_taskbar(TaskbarState::paused, progress());
  application_.export_state_changed();
}

void BatchExportFlow::finished(const batch::BatchOutcome& outcome) {
  OrvaneApplication& app = application_;
  const UiLanguage language = app.language();
  figures_ = outcome.figures;
  app.export_state_changed();
  app.set_status(progress_text(language, figures_));
  // Red on the taskbar while the summary names the failures.
  app.show_taskbar(figures_.failed > 0 ? TaskbarState::error : TaskbarState::none, 1.0);
  const std::wstring title = batch_text(language, outcome.interrupted ? BatchText::stopped_title : BatchText::finished_title);
  last_summary_ = summary(outcome);
  const bool open = app.ask(title, last_summary_ + L"\n\n" + batch_text(language, BatchText::open_folder_question));
  app.show_taskbar(TaskbarState::none);
  if (open) ShellExecuteW(app.hwnd(), L"open", folder_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

std::wstring BatchExportFlow::summary(const batch::BatchOutcome& outcome) const {
  const UiLanguage language = application_.language();
  const batch::BatchFigures& figures = outcome.figures;
  std::wstring text = fill(batch_text(language, BatchText::written_line), std::to_wstring(figures.written));
  const auto line = [&](BatchText id, std::size_t count) {
    if (count > 0) text += L"\n" + fill(batch_text(language, id), std::to_wstring(count));
  };
  line(BatchText::skipped_line, figures.existing);
  const std::size_t not_started = figures.images - std::min(figures.images, figures.done());
  if (outcome.interrupted) line(BatchText::not_started_line, not_started);
  line(BatchText::failed_line, figures.failed);
  std::size_t named = 0;
  for (const BatchPhoto& photo : application_.batch().photos()) {
    if (photo.state != PhotoState::failed || !photo.result) continue;
    if (named++ == named_failures) break;
    text += L"\n    " + file_name_of(photo.path) + L": " + reason_text(language, *photo.result);
  }
  if (figures.failed > named_failures) {
    text += L"\n    " + fill(batch_text(language, BatchText::more_failures), std::to_wstring(figures.failed - named_failures));
  }
  return text;
}

}  // namespace orvane::app
