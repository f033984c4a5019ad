// The command line's parts on their own: arguments, the batch plan over real folders, and the
// records, JSON and progress text.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "batch_plan.h"
#include "batch_report.h"
#include "cli_arguments.h"
#include "cli_process.h"
#include "command_plan.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace orvane::batch;
using namespace orvane::cli;
using namespace orvane::test;

bool parse(std::vector<std::wstring> args, CliArguments& arguments, std::wstring& error) {
  args.insert(args.begin(), L"orvane-cli");
  std::vector<const wchar_t*> argv;
  for (const auto& arg : args) argv.push_back(arg.c_str());
  return parse_cli_arguments(static_cast<int>(argv.size()), argv.data(), arguments, error);
}

TEST(CliArguments, BatchOptions) {
  CliArguments a;
  std::wstring error;
  ASSERT_TRUE(parse({L"-r", L"-j", L"4", L"--json", L"-q", L"--no-progress", L"--skip-existing", L"--slice",
                     L"3/8", L"--memory-limit", L"800M", L"in"},
                    a, error))
      << utf8(error);
  EXPECT_TRUE(a.recursive && a.json && a.quiet && a.no_progress && a.skip_existing);
  EXPECT_EQ(a.jobs, 4u);
  EXPECT_EQ(a.slice.index, 3u);
  EXPECT_EQ(a.slice.count, 8u);
  EXPECT_EQ(a.memory_limit, 800ull << 20);

  ASSERT_TRUE(parse({L"-j8", L"--recursive", L"--quiet", L"--memory-limit=6G", L"in"}, a, error));
  EXPECT_EQ(a.jobs, 8u);
  EXPECT_TRUE(a.recursive && a.quiet);
  EXPECT_EQ(a.memory_limit, 6ull << 30);
  ASSERT_TRUE(parse({L"--jobs=2", L"--memory-limit", L"512", L"--slice=1/1", L"in"}, a, error));
  EXPECT_EQ(a.jobs, 2u);
  EXPECT_EQ(a.memory_limit, 512ull << 20);
  ASSERT_TRUE(parse({L"--memory-limit", L"2GiB", L"in"}, a, error));
  EXPECT_EQ(a.memory_limit, 2ull << 30);
  ASSERT_TRUE(parse({L"in"}, a, error));
  EXPECT_EQ(a.jobs, 0u) << "one per processor";
  EXPECT_EQ(a.memory_limit, 0u) << "the memory available";

  for (const auto& bad : std::vector<std::vector<std::wstring>>{
           {L"-j", L"0", L"in"},
           {L"-j", L"many", L"in"},
           {L"-jx", L"in"},
           {L"-json", L"in"},
           {L"--slice", L"0/4", L"in"},
           {L"--slice", L"5/4", L"in"},
           {L"--slice", L"2", L"in"},
           {L"--memory-limit", L"1.5G", L"in"},
           {L"--memory-limit", L"0", L"in"},
           {L"--memory-limit", L"512K", L"in"},
           {L"--memory-limit", L"9X", L"in"},
           {L"--overwrite", L"--skip-existing", L"in"},
           {L"--json=yes", L"in"},
       }) {
    std::wstring joined;
    for (const auto& arg : bad) joined += arg + L" ";
    EXPECT_FALSE(parse(bad, a, error)) << utf8(joined);
  }
}

TEST(BatchReport, JsonStringsAreEscapedAndStayUtf16ForUtf8) {
  EXPECT_EQ(json_string(L"plain"), L"\"plain\"");
  EXPECT_EQ(json_string(L"say \"hi\"\\now"), L"\"say \\\"hi\\\"\\\\now\"");
  EXPECT_EQ(json_string(L"a\nb\tc\x01\x1f\x7f"), L"\"a\\nb\\tc\\u0001\\u001f\\u007f\"");
  EXPECT_EQ(json_string(L"照片 \U0001F4F7"), L"\"照片 \U0001F4F7\"") << "characters as they are";
  EXPECT_EQ(json_string(std::wstring(L"lone ") + static_cast<wchar_t>(0xD83D) + L"x"), L"\"lone \\ud83dx\"");
  EXPECT_EQ(json_string(std::wstring(1, static_cast<wchar_t>(0xDC00))), L"\"\\udc00\"");
  EXPECT_EQ(json_string(L"\x2028"), L"\"\\u2028\"");
}

TEST(BatchReport, JsonRecordsCarryEveryField) {
  PlanItem item;
  item.input = L"shoot\\a \"b\".jpg";
  item.output = L"out\\a-watermarked.jpg";
  item.input_bytes = 1234;
  ItemResult result;
  result.status = ItemStatus::Written;
  result.report.output_width = 4000;
  result.report.output_height = 3000;
  result.report.orientation = 6;
  result.report.mime_type = L"image/jpeg";
  result.report.jpeg_quality = 90;
  result.output_bytes = 5678;
  result.milliseconds = 512.4;
  EXPECT_EQ(json_record(item, result, L"4000x3000"),
            L"{\"input\":\"shoot\\\\a \\\"b\\\".jpg\",\"output\":\"out\\\\a-watermarked.jpg\",\"status\":\"written\","
            L"\"message\":\"4000x3000\",\"width\":4000,\"height\":3000,\"orientation\":6,\"encoder\":\"image/jpeg\","
            L"\"quality\":90,\"input_bytes\":1234,\"output_bytes\":5678,\"milliseconds\":512}");

  PlanItem other;
  other.kind = ItemKind::NotImage;
  other.input = L"notes.txt";
  ItemResult skipped;
  skipped.status = ItemStatus::Skipped;
  skipped.reason = ItemReason::NotImage;
  other.message = L"skipped: not an image Orvane reads";
  EXPECT_EQ(json_record(other, skipped, item_message(other, skipped)),
            L"{\"input\":\"notes.txt\",\"output\":null,\"status\":\"skipped\",\"message\":\"skipped: not an image "
            L"Orvane reads\",\"width\":null,\"height\":null,\"orientation\":null,\"encoder\":null,\"quality\":null,"
            L"\"input_bytes\":null,\"output_bytes\":null,\"milliseconds\":null}");
}

TEST(BatchReport, ProgressAndSummaryLines) {
  BatchFigures figures;
  figures.images = 120;
  EXPECT_EQ(progress_line(figures, 120), L"0/120 done, starting");
  figures.written = 34;
  figures.failed = 1;
  figures.existing = 2;
  figures.seconds = 14.0;
  figures.seconds_at_last = 14.0;
  figures.pixels_done = 35;
  figures.pixels_left = 83;
  EXPECT_EQ(progress_line(figures, 120), L"37/120 done, 1 failed, 2 skipped, 2.5 images/s, about 0:34 left");
  figures.seconds = 24.0;
  EXPECT_EQ(progress_line(figures, 120), L"37/120 done, 1 failed, 2 skipped, 2.5 images/s, about 0:24 left")
      << "counting down between files";
  figures.seconds = 100.0;
  EXPECT_EQ(progress_line(figures, 120), L"37/120 done, 1 failed, 2 skipped, 2.5 images/s, about 0:01 left");
  figures.stopping = true;
  EXPECT_EQ(progress_line(figures, 120), L"37/120 done, 1 failed, 2 skipped, 2.5 images/s, stopping");
  figures.stopping = false;
  figures.seconds = 14.0;
  EXPECT_EQ(progress_line(figures, 20), L"37/120 done, 1 fail") << "never wider than the console";
  figures.written = 117;
  figures.seconds = 41.25;
  figures.not_images = 3;
  EXPECT_EQ(summary_line(figures, false),
            L"120 images: 117 written, 1 failed, 2 skipped (their outputs already exist); 3 other files skipped "
            L"(not images) in 41.2 s (2.9 images/s)");
  figures = BatchFigures{};
  figures.images = 10;
  figures.written = 4;
  figures.seconds = 2.0;
  EXPECT_EQ(summary_line(figures, true), L"10 images: 4 written, 6 left for the next run in 2.0 s (2.0 images/s)");
  EXPECT_EQ(clock_text(0.2), L"0:01");
  EXPECT_EQ(clock_text(754), L"12:34");
  EXPECT_EQ(clock_text(3723), L"1:02:03");
}

// Runs in a scratch folder made the current folder, as a user's shell would be.
class BatchPlanTest : public ::testing::Test {
 protected:
  BatchPlanTest() {
    wchar_t saved[MAX_PATH * 4];
    GetCurrentDirectoryW(MAX_PATH * 4, saved);
    saved_ = saved;
    SetCurrentDirectoryW(dir_.path().c_str());
  }
  ~BatchPlanTest() override { SetCurrentDirectoryW(saved_.c_str()); }

  void image(const std::wstring& name) {
    fs::create_directories(dir_.path() / fs::path(name).parent_path());
    ASSERT_TRUE(save_pixels(make_pattern(20, 10), dir_.file(name), L"image/png")) << utf8(name);
  }
  void file(const std::wstring& name, const std::string& text = "text") {
    fs::create_directories(dir_.path() / fs::path(name).parent_path());
    write_bytes(dir_.file(name), std::vector<std::uint8_t>(text.begin(), text.end()));
  }

  PlanOutcome plan(std::vector<std::wstring> args, Plan& result, std::vector<std::wstring>& errors) {
    CliArguments arguments;
    std::wstring error;
    args.insert(args.begin(), L"orvane-cli");
    std::vector<const wchar_t*> argv;
    for (const auto& arg : args) argv.push_back(arg.c_str());
    EXPECT_TRUE(parse_cli_arguments(static_cast<int>(argv.size()), argv.data(), arguments, error)) << utf8(error);
    errors.clear();
    return make_plan(arguments, {}, result, errors);
  }

  // "input -> output" of every item, or "input: message" for the others.
  std::vector<std::wstring> shown(std::vector<std::wstring> args) {
    Plan result;
    std::vector<std::wstring> errors;
    EXPECT_EQ(plan(std::move(args), result, errors), PlanOutcome::Ready);
    std::vector<std::wstring> text;
    for (const PlanItem& item : result.items) {
      text.push_back(item.kind == ItemKind::Image ? item.input + L" -> " + item.output
                                                  : item.input + L": " + item.message);
    }
    return text;
  }

  GdiplusScope gdiplus_;
  TempDir dir_;
  std::wstring saved_;
};

using Lines = std::vector<std::wstring>;

TEST_F(BatchPlanTest, FoldersAndWildcardsMirrorTheirTreeUnderDashO) {
  image(L"shoot\\b.png");
  image(L"shoot\\a.png");
  image(L"shoot\\day 2\\照片.png");
  image(L"shoot\\day 2\\deeper\\c.PNG");
  file(L"shoot\\notes.txt");
  file(L"shoot\\fake.jpg");
  image(L"shoot\\.hidden\\h.png");
  image(L"shoot\\secret.png");
  SetFileAttributesW(dir_.file(L"shoot\\secret.png").c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW(dir_.file(L"shoot\\.hidden").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);

  EXPECT_EQ(shown({L"-r", L"shoot", L"-o", L"out"}),
            (Lines{L"shoot\\a.png -> out\\a-watermarked.png", L"shoot\\b.png -> out\\b-watermarked.png",
                   L"shoot\\fake.jpg: skipped: not an image Orvane reads (its contents are no PNG, JPEG, GIF, BMP or "
                   L"TIFF)",
                   L"shoot\\notes.txt: skipped: not an image Orvane reads",
                   L"shoot\\day 2\\照片.png -> out\\day 2\\照片-watermarked.png",
                   L"shoot\\day 2\\deeper\\c.PNG -> out\\day 2\\deeper\\c-watermarked.PNG"}));
  // Without -r only the folder's own files; beside their inputs without -o.
  EXPECT_EQ(shown({L"shoot\\"}),
            (Lines{L"shoot\\a.png -> shoot\\a-watermarked.png", L"shoot\\b.png -> shoot\\b-watermarked.png",
                   L"shoot\\fake.jpg: skipped: not an image Orvane reads (its contents are no PNG, JPEG, GIF, BMP or "
                   L"TIFF)",
                   L"shoot\\notes.txt: skipped: not an image Orvane reads"}));
  // Wildcards: the last part only, in the sub-folders too with -r; named files go straight in.
  EXPECT_EQ(shown({L"-r", L"shoot\\*.png", L"-o", L"out", L"shoot\\a.png"}),
            (Lines{L"shoot\\a.png -> out\\a-watermarked.png", L"shoot\\b.png -> out\\b-watermarked.png",
                   L"shoot\\day 2\\照片.png -> out\\day 2\\照片-watermarked.png",
                   L"shoot\\day 2\\deeper\\c.PNG -> out\\day 2\\deeper\\c-watermarked.PNG"}));
  SetCurrentDirectoryW(dir_.file(L"shoot").c_str());
  EXPECT_EQ(shown({L"?.png", L"."}), (Lines{L"a.png -> a-watermarked.png", L"b.png -> b-watermarked.png",
                                             L"fake.jpg: skipped: not an image Orvane reads (its contents are no "
                                             L"PNG, JPEG, GIF, BMP or TIFF)",
                                             L"notes.txt: skipped: not an image Orvane reads"}))
      << "a file found twice is worked on once";
}

TEST_F(BatchPlanTest, EarlierCopiesAndTheOutputFolderAreNoInputs) {
  image(L"shoot\\a.png");
  image(L"shoot\\a-watermarked.png");  // what a first run made
  image(L"shoot\\out\\a-watermarked.png");
  image(L"shoot\\out\\x.png");
  EXPECT_EQ(shown({L"shoot"}), (Lines{L"shoot\\a.png -> shoot\\a-watermarked.png"}));
  fs::remove(dir_.path() / L"shoot\\a-watermarked.png");
  EXPECT_EQ(shown({L"-r", L"shoot", L"-o", L"shoot\\out"}), (Lines{L"shoot\\a.png -> shoot\\out\\a-watermarked.png"}));
  // Named, it is an input all the same.
  EXPECT_EQ(shown({L"shoot\\a-watermarked.png"}),
            (Lines{L"shoot\\a-watermarked.png -> shoot\\a-watermarked-watermarked.png"}));
}

TEST_F(BatchPlanTest, CollisionsAndEmptyInputsAreFoundBeforeAnyWork) {
  image(L"one\\same.png");
  image(L"two\\same.png");
  image(L"two\\other.png");
  Plan result;
  std::vector<std::wstring> errors;
  EXPECT_EQ(plan({L"one", L"two", L"-o", L"out"}, result, errors), PlanOutcome::BadUsage);
  EXPECT_EQ(errors, (Lines{L"\"one\\same.png\" and \"two\\same.png\" would both be written to "
                           L"\"out\\same-watermarked.png\"; nothing was written"}));
  EXPECT_FALSE(fs::exists(dir_.path() / L"out"));
  EXPECT_EQ(plan({L"one\\*\\x.png"}, result, errors), PlanOutcome::BadUsage);
  EXPECT_EQ(plan({L"two", L"-o", L"two\\other.png"}, result, errors), PlanOutcome::BadUsage)
      << "-o names a file but the input is a folder";

  file(L"empty\\readme.txt");
  fs::create_directories(dir_.path() / L"empty\\sub");
  EXPECT_EQ(shown({L"*.gif", L"empty", L"one"}),
            (Lines{L"*.gif: no file matches (-r also searches its 3 sub-folders)", L"empty: no image found (-r also searches its 1 sub-folder)",
                   L"empty\\readme.txt: skipped: not an image Orvane reads",
                   L"one\\same.png -> one\\same-watermarked.png"}));
}

TEST_F(BatchPlanTest, SlicesShareTheBatchOut) {
  for (int i = 0; i < 7; ++i) image(L"shoot\\" + std::to_wstring(i) + L".png");
  const Lines whole = shown({L"shoot", L"-o", L"out"});
  ASSERT_EQ(whole.size(), 7u);
  Lines joined;
  for (int k = 1; k <= 3; ++k) {
    const Lines part = shown({L"shoot", L"-o", L"out", L"--slice", std::to_wstring(k) + L"/3"});
    EXPECT_EQ(part.size(), k == 1 ? 3u : 2u);
    for (std::size_t i = 0; i < part.size(); ++i) EXPECT_EQ(part[i], whole[(k - 1) + 3 * i]);
    joined.insert(joined.end(), part.begin(), part.end());
  }
  std::sort(joined.begin(), joined.end());
  Lines sorted = whole;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(joined, sorted);
}

}  // namespace
