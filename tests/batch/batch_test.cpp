// The batch engine as the window drives it: its plan of photos into one folder, checked before
// anything is written, and run_batch over real files with a sink that records what it hears.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <vector>

#include "batch_plan.h"
#include "batch_run.h"
#include "input_search.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace orvane::batch;
using namespace orvane::test;

TEST(InputSearch, WildcardsMatchAsWindowsToolsDo) {
  EXPECT_TRUE(wildcard_match(L"*.jpg", L"IMG_0001.JPG"));
  EXPECT_TRUE(wildcard_match(L"IMG_????.jpg", L"img_0001.jpg"));
  EXPECT_FALSE(wildcard_match(L"IMG_????.jpg", L"IMG_01.jpg"));
  EXPECT_FALSE(wildcard_match(L"*.jpg", L"photo.jpeg")) << "no short-name surprises";
  EXPECT_FALSE(wildcard_match(L"*.jpg", L"photo.jpg.txt"));
  EXPECT_TRUE(wildcard_match(L"*", L"anything"));
  EXPECT_TRUE(wildcard_match(L"*.*", L"no-extension"));
  EXPECT_TRUE(wildcard_match(L"a*b*c", L"aXXbYYbZc"));
  EXPECT_FALSE(wildcard_match(L"a*b*c", L"aXXbYYbZ"));
  EXPECT_TRUE(wildcard_match(L"照片*.PNG", L"照片 01.png"));
  EXPECT_TRUE(wildcard_match(L"É*", L"été.jpg")) << "letter case beyond ASCII";
  const std::wstring long_name(2000, L'a');
  EXPECT_FALSE(wildcard_match(L"*a*a*a*a*a*a*a*a*b", long_name)) << "and in linear time";

  EXPECT_TRUE(has_wildcard(L"shoot\\*.jpg"));
  EXPECT_TRUE(has_wildcard(L"C:IMG_?.png"));
  EXPECT_FALSE(has_wildcard(L"shoot\\a.jpg"));
  EXPECT_FALSE(has_wildcard(L"\\\\?\\C:\\shoot\\a.jpg"));
  EXPECT_TRUE(has_wildcard(L"\\\\?\\C:\\shoot\\*.jpg"));
  EXPECT_TRUE(has_wildcard_in_folder(L"shoot*\\a.jpg"));
  EXPECT_FALSE(has_wildcard_in_folder(L"\\\\?\\C:\\shoot\\*.jpg"));
}

// Hears the batch as a front does, checking that it is told on the thread that runs the batch.
class RecordingSink : public BatchSink {
 public:
  struct Finished {
    std::size_t index;
    ItemResult result;
  };

  void item_started(std::size_t index) override {
    EXPECT_EQ(GetCurrentThreadId(), thread_);
    started.push_back(index);
    if (on_started) on_started(index);
  }
  void item_finished(std::size_t index, const ItemResult& result) override {
    EXPECT_EQ(GetCurrentThreadId(), thread_);
    const std::vector<std::size_t> told = finished_indices();
    EXPECT_TRUE(std::find(told.begin(), told.end(), index) == told.end()) << "item " << index << " told twice";
    finished.push_back({index, result});
  }
  void progress(const BatchFigures&) override {
    EXPECT_EQ(GetCurrentThreadId(), thread_);
    ++progress_calls;
  }

  [[nodiscard]] std::vector<std::size_t> finished_indices() const {
    std::vector<std::size_t> indices;
    for (const Finished& f : finished) indices.push_back(f.index);
    return indices;
  }

  std::function<void(std::size_t)> on_started;
  std::vector<std::size_t> started;
  std::vector<Finished> finished;
  int progress_calls = 0;

 private:
  DWORD thread_ = GetCurrentThreadId();
};

class BatchRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_.path() / L"in");
    fs::create_directories(dir_.path() / L"out");
    settings_.options.text = L"Orvane";
    settings_.jobs = 2;
    settings_.memory_budget = default_memory_budget();
  }

  std::wstring photo(const std::wstring& name, std::uint32_t width = 40, std::uint32_t height = 30) {
    const std::wstring path = dir_.file(L"in\\" + name);
    EXPECT_TRUE(save_pixels(make_pattern(width, height), path, L"image/png"));
    return path;
  }

  void add(const std::wstring& input, const std::wstring& output) {
    PlanItem item;
    item.input = item.input_full = input;
    item.output = item.output_full = output;
    item.named = true;
    (void)read_header(item);
    plan_.items.push_back(std::move(item));
  }

  void finish_plan() {
    plan_.input_paths = number_images(plan_.items);
    plan_.images = static_cast<std::size_t>(
        std::count_if(plan_.items.begin(), plan_.items.end(), [](const PlanItem& i) { return i.kind == ItemKind::Image; }));
  }

  std::set<std::wstring> files_in(const std::wstring& folder) const {
    std::set<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(dir_.path() / folder)) names.insert(entry.path().filename().wstring());
    return names;
  }

  GdiplusScope gdiplus_;
  TempDir dir_;
  Plan plan_;
  RunSettings settings_;
  StopControl stop_;
};

TEST_F(BatchRunTest, EveryItemOnceInPlanOrderWithItsReason) {
  const std::wstring out = dir_.file(L"out\\");
  add(photo(L"a.png"), out + L"a-watermarked.png");
  const std::wstring broken = dir_.file(L"in\\broken.png");
  write_bytes(broken, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
  add(broken, out + L"broken-watermarked.png");
  add(photo(L"c.png"), out + L"c-watermarked.png");
  write_bytes(out + L"c-watermarked.png", {'o', 'l', 'd'});
  add(photo(L"d.png"), dir_.file(L"in\\a.png"));  // onto a source
  add(photo(L"e.png"), dir_.file(L"gone\\e-watermarked.png"));
  PlanItem notes;
  notes.kind = ItemKind::NotImage;
  notes.input = notes.input_full = dir_.file(L"in\\notes.txt");
  plan_.items.push_back(notes);
  add(photo(L"b.png", 50, 20), out + L"A-WATERMARKED.png");  // the first copy's name, another case
  finish_plan();

  RecordingSink sink;
  settings_.jobs = 1;  // the last item must come after the first has been written
  const BatchOutcome outcome = run_batch(plan_, settings_, stop_, sink);

  ASSERT_EQ(sink.finished_indices(), (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6})) << "each once, in plan order";
  const auto reason = [&](std::size_t i) { return sink.finished[i].result.reason; };
  const auto status = [&](std::size_t i) { return sink.finished[i].result.status; };
  EXPECT_EQ(status(0), ItemStatus::Written);
  EXPECT_EQ(sink.finished[0].result.report.output_width, 40u);
  EXPECT_EQ(status(1), ItemStatus::Failed);
  EXPECT_EQ(reason(1), ItemReason::ExportFailed);
  EXPECT_FALSE(sink.finished[1].result.engine_error.empty()) << "the engine's own message";
  EXPECT_EQ(status(2), ItemStatus::Skipped);
  EXPECT_EQ(reason(2), ItemReason::OutputExists);
  EXPECT_EQ(reason(3), ItemReason::SourceWouldBeOverwritten);
  EXPECT_EQ(reason(4), ItemReason::OutputFolderMissing);
  EXPECT_EQ(status(5), ItemStatus::Skipped);
  EXPECT_EQ(reason(5), ItemReason::NotImage);
  EXPECT_EQ(reason(6), ItemReason::OutputWrittenEarlier);
  EXPECT_EQ(sink.started, (std::vector<std::size_t>{0, 1})) << "only the exports that ran are told as started";

  EXPECT_TRUE(outcome.any_failure);
  EXPECT_FALSE(outcome.interrupted);
  EXPECT_EQ(outcome.figures.written, 1u);
  EXPECT_EQ(outcome.figures.failed, 4u);
  EXPECT_EQ(outcome.figures.existing, 1u);
  EXPECT_EQ(outcome.figures.not_images, 1u);
  EXPECT_EQ(read_bytes(out + L"c-watermarked.png"), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(load_pixels(out + L"a-watermarked.png").width, 40u) << "the first copy stays the first input's";
  EXPECT_EQ(files_in(L"out"), (std::set<std::wstring>{L"a-watermarked.png", L"c-watermarked.png"}));

  // Skipping what exists is no failure; a strict budget refuses a file that needs more.
  plan_ = Plan{};
  add(dir_.file(L"in\\c.png"), out + L"c-watermarked.png");
  add(dir_.file(L"in\\e.png"), out + L"e-watermarked.png");
  finish_plan();
  settings_.skip_existing = true;
  settings_.strict_memory_budget = true;
  settings_.memory_budget = 1000;
  RecordingSink second;
  const BatchOutcome skipped = run_batch(plan_, settings_, stop_, second);
  ASSERT_EQ(second.finished.size(), 2u);
  EXPECT_EQ(second.finished[0].result.reason, ItemReason::OutputExists);
  EXPECT_FALSE(second.finished[0].result.counts_as_failure);
  EXPECT_EQ(second.finished[1].result.reason, ItemReason::OverMemoryLimit);
  EXPECT_GT(second.finished[1].result.bytes_needed, 1000u);
  EXPECT_EQ(second.finished[1].result.memory_budget, 1000u);
  EXPECT_TRUE(skipped.any_failure);
}

// A stop asked while the first export runs starts no other; abandoning cancels the running one
// too. Either way nothing half-written is left. The first photo is large, so its export outlasts
// the sink hearing that it started by far.
TEST_F(BatchRunTest, StopStartsNoMoreAndAbandonLeavesNothing) {
  const std::wstring out = dir_.file(L"out\\");
  add(photo(L"large.png", 4000, 2500), out + L"large-watermarked.png");
  for (const wchar_t* name : {L"1", L"2", L"3"}) add(photo(std::wstring(name) + L".png"), out + name + L"-w.png");
  finish_plan();
  settings_.jobs = 1;

  RecordingSink sink;
  sink.on_started = [&](std::size_t) { stop_.stop_starting(); };
  const BatchOutcome stopped = run_batch(plan_, settings_, stop_, sink);
  ASSERT_EQ(sink.finished_indices(), (std::vector<std::size_t>{0, 1, 2, 3}));
  EXPECT_EQ(sink.started, (std::vector<std::size_t>{0}));
  EXPECT_EQ(sink.finished[0].result.status, ItemStatus::Written) << "the file in progress is finished";
  for (std::size_t i = 1; i < 4; ++i) EXPECT_EQ(sink.finished[i].result.status, ItemStatus::NotStarted) << i;
  EXPECT_TRUE(stopped.interrupted);
  EXPECT_EQ(files_in(L"out"), (std::set<std::wstring>{L"large-watermarked.png"}));

  fs::remove(out + L"large-watermarked.png");
  StopControl abandon;
  RecordingSink abandoned;
  abandoned.on_started = [&](std::size_t) { abandon.abandon(); };
  const BatchOutcome cancelled = run_batch(plan_, settings_, abandon, abandoned);
  ASSERT_EQ(abandoned.finished.size(), 4u);
  EXPECT_EQ(abandoned.finished[0].result.status, ItemStatus::Cancelled);
  EXPECT_EQ(abandoned.finished[0].result.reason, ItemReason::Cancelled);
  EXPECT_TRUE(cancelled.interrupted);
  EXPECT_TRUE(files_in(L"out").empty()) << "no copy and no temporary file";
  EXPECT_TRUE(abandon.wait_until_idle(std::chrono::milliseconds(0)));
}

TEST(FolderPlan, RefusesCollisionsAndSourcesBeforeWritingAnything) {
  const GdiplusScope gdiplus;
  const TempDir dir;
  for (const wchar_t* name : {L"shoot\\a.png", L"other\\a.png", L"shoot\\x.png", L"shoot\\x-watermarked.png",
                              L"shoot\\c.png", L"shoot\\c-watermarked.png"}) {
    fs::create_directories(dir.path() / fs::path(name).parent_path());
    ASSERT_TRUE(save_pixels(make_pattern(20, 10), dir.file(name), L"image/png"));
  }
  const std::wstring shoot = dir.file(L"shoot");
  const FolderPlan plan =
      plan_into_folder({dir.file(L"shoot\\a.png"), dir.file(L"other\\a.png"), dir.file(L"shoot\\x.png"),
                        dir.file(L"shoot\\x-watermarked.png"), dir.file(L"SHOOT\\X.png"), dir.file(L"shoot\\c.png")},
                       shoot);
  ASSERT_EQ(plan.plan.items.size(), 5u) << "a photo given twice is worked on once";
  EXPECT_TRUE(plan.refused());
  ASSERT_EQ(plan.collisions.size(), 1u);
  EXPECT_EQ(plan.collisions[0].first, 0u);
  EXPECT_EQ(plan.collisions[0].second, 1u);
  EXPECT_EQ(plan.sources, (std::vector<std::size_t>{2})) << "x's copy would be the photo x-watermarked";
  EXPECT_EQ(plan.existing, (std::vector<std::size_t>{4}));
  EXPECT_EQ(plan.plan.items[4].output_full, dir.file(L"shoot\\c-watermarked.png"));
  EXPECT_EQ(plan.plan.items[3].output_full, dir.file(L"shoot\\x-watermarked-watermarked.png"));
  EXPECT_EQ(plan.plan.items[4].sequence, 5u);
  EXPECT_EQ(plan.plan.items[0].width, 20u);
  EXPECT_FALSE(plan.plan.output_folder_missing);
  std::size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(dir.path())) files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 6u) << "nothing written";

  // Into a fresh folder: nothing to settle, and the folder is the caller's to make.
  const FolderPlan fresh = plan_into_folder({dir.file(L"shoot\\a.png"), dir.file(L"shoot\\c.png")}, dir.file(L"new"));
  EXPECT_FALSE(fresh.refused());
  EXPECT_TRUE(fresh.existing.empty());
  EXPECT_TRUE(fresh.plan.output_folder_missing);
  EXPECT_FALSE(fs::exists(dir.path() / L"new"));
}

}  // namespace
