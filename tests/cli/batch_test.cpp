// Batches as a user runs them: the real orvane-cli.exe over real folders of generated photos,
// with nested folders, Unicode names, files that are no images, wildcards, existing outputs, name
// collisions, parallel workers, a console, JSON and Ctrl+C.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cli_process.h"
#include "image_export.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace orvane::test;
using Lines = std::vector<std::wstring>;

constexpr DWORD kInterrupted = 0xC000013A;  // STATUS_CONTROL_C_EXIT

// How the report names a JPEG quality: plainly where the encoder follows it, else saying it did not.
std::wstring q90() {
  return orvane::engine::jpeg_quality_honoured() ? L" q90" : L" q90 requested; this platform's encoder ignores quality";
}

// A photo-like picture: the test pattern with grain, so that it compresses as photos do and
// every picture differs.
Pixels photo(std::uint32_t width, std::uint32_t height, std::uint32_t seed) {
  Pixels pixels = make_pattern(width, height);
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::uint32_t& argb : pixels.argb) {
    state = state * 1103515245u + 12345u;
    const int grain = static_cast<int>((state >> 16) % 25) - 12;
    std::uint32_t out = argb & 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
      const int channel = std::clamp(static_cast<int>((argb >> shift) & 0xFF) + grain, 0, 255);
      out |= static_cast<std::uint32_t>(channel) << shift;
    }
    argb = out;
  }
  return pixels;
}

std::wstring mime_for(const std::wstring& name) {
  const std::wstring extension = fs::path(name).extension().wstring();
  if (extension == L".png" || extension == L".PNG") return L"image/png";
  if (extension == L".bmp") return L"image/bmp";
  if (extension == L".tif") return L"image/tiff";
  return L"image/jpeg";
}

// Every file below a folder, relative to it, sorted.
Lines files_below(const fs::path& folder) {
  Lines names;
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(folder, ec)) {
    if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), folder).wstring());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::wstring replace_all(std::wstring text, const std::wstring& from, const std::wstring& to) {
  for (std::size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

class BatchTest : public ::testing::Test {
 protected:
  // A generated photo at `name` (relative to the scratch folder), its format by its extension.
  void make_photo(const std::wstring& name, std::uint32_t width = 240, std::uint32_t height = 180) {
    fs::create_directories(fs::path(dir_.file(name)).parent_path());
    ASSERT_TRUE(save_pixels(photo(width, height, seed_++), dir_.file(name), mime_for(name), 92)) << utf8(name);
  }
  void make_file(const std::wstring& name, const std::string& text) {
    fs::create_directories(fs::path(dir_.file(name)).parent_path());
    write_bytes(dir_.file(name), std::vector<std::uint8_t>(text.begin(), text.end()));
  }
  CliRun run(const std::vector<std::wstring>& args) { return run_cli(args, dir_.path()); }
  bool exists(const std::wstring& name) const { return fs::exists(dir_.file(name)); }
  Pixels load(const std::wstring& name) const { return load_pixels(dir_.file(name)); }

  // The shoot most tests work on: nested folders, Unicode names, files that are no images.
  void make_shoot() {
    make_photo(L"shoot\\IMG_0001.jpg", 320, 240);
    make_photo(L"shoot\\IMG_0002.jpg", 240, 320);
    make_photo(L"shoot\\Été\\照片 01.jpg", 300, 200);
    make_photo(L"shoot\\Été\\raw\\IMG_0003.png", 200, 150);
    make_photo(L"shoot\\\U0001F4F7 camera.jpg", 160, 120);
    make_file(L"shoot\\notes.txt", "client wants 40 selects");
    make_file(L"shoot\\Été\\IMG_0003.xmp", "<x:xmpmeta/>");
    make_file(L"shoot\\damaged.jpg", "not really a JPEG");
  }

  GdiplusScope gdiplus_;
  TempDir dir_;
  std::uint32_t seed_ = 1;
};

TEST_F(BatchTest, AFolderTreeIsMirroredUnderDashOAndNonImagesAreNoted) {
  make_shoot();
  const CliRun run = this->run({L"-r", L"shoot", L"-o", L"delivery"});
  EXPECT_EQ(run.exit_code, 0u) << utf8(run.err);
  EXPECT_EQ(run.out,
            L"shoot\\IMG_0001.jpg -> delivery\\IMG_0001-watermarked.jpg: 320x240, orientation 1, image/jpeg" + q90() +
                L"\n"
                L"shoot\\IMG_0002.jpg -> delivery\\IMG_0002-watermarked.jpg: 240x320, orientation 1, image/jpeg" +
                q90() +
                L"\n"
                L"shoot\\\U0001F4F7 camera.jpg -> delivery\\\U0001F4F7 camera-watermarked.jpg: 160x120, orientation 1, "
                L"image/jpeg" +
                q90() +
                L"\n"
                L"shoot\\Été\\照片 01.jpg -> delivery\\Été\\照片 01-watermarked.jpg: 300x200, orientation 1, image/jpeg" +
                q90() +
                L"\n"
                L"shoot\\Été\\raw\\IMG_0003.png -> delivery\\Été\\raw\\IMG_0003-watermarked.png: 200x150, orientation "
                L"1, image/png\n")
      << utf8(run.out);
  EXPECT_EQ(run.err,
            L"shoot\\damaged.jpg: skipped: not an image Orvane reads (its contents are no PNG, JPEG, GIF, BMP or "
            L"TIFF)\n"
            L"shoot\\notes.txt: skipped: not an image Orvane reads\n"
            L"shoot\\Été\\IMG_0003.xmp: skipped: not an image Orvane reads\n")
      << utf8(run.err);
  EXPECT_EQ(files_below(dir_.path() / L"delivery"),
            (Lines{L"IMG_0001-watermarked.jpg", L"IMG_0002-watermarked.jpg", L"Été\\raw\\IMG_0003-watermarked.png",
                   L"Été\\照片 01-watermarked.jpg", L"\U0001F4F7 camera-watermarked.jpg"}));
  const Pixels copy = load(L"delivery\\Été\\照片 01-watermarked.jpg");
  EXPECT_EQ(copy.width, 300u);
  EXPECT_GT(mean_channel_difference(copy, load(L"shoot\\Été\\照片 01.jpg")), 1.0) << "watermarked";

  // Without -r the folder's own images only.
  const CliRun flat = this->run({L"shoot", L"-o", L"flat"});
  EXPECT_EQ(flat.exit_code, 0u);
  EXPECT_EQ(files_below(dir_.path() / L"flat"),
            (Lines{L"IMG_0001-watermarked.jpg", L"IMG_0002-watermarked.jpg", L"\U0001F4F7 camera-watermarked.jpg"}));
}

TEST_F(BatchTest, WildcardsAreExpandedByTheProgram) {
  make_shoot();
  make_photo(L"shoot\\IMG_0004.jpeg");
  make_photo(L"shoot\\IMG_10.jpg");

  CliRun run = this->run({L"shoot\\IMG_????.jpg", L"-o", L"picked"});
  EXPECT_EQ(run.exit_code, 0u) << utf8(run.err);
  EXPECT_EQ(files_below(dir_.path() / L"picked"), (Lines{L"IMG_0001-watermarked.jpg", L"IMG_0002-watermarked.jpg"}))
      << "? is one character, and *.jpg is not *.jpeg";
  EXPECT_EQ(run.err, L"");

  // With -r the pattern applies in every sub-folder, whose structure is kept.
  run = this->run({L"-r", L"shoot\\*.PNG", L"-o", L"pngs"});
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_EQ(files_below(dir_.path() / L"pngs"), (Lines{L"Été\\raw\\IMG_0003-watermarked.png"}));

  // Relative to the current folder, without -o: beside the inputs.
  fs::create_directories(dir_.path() / L"single");
  make_photo(L"single\\a.jpg");
  make_photo(L"single\\b.jpg");
  run = run_cli({L"*.jpg"}, dir_.path() / L"single");
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_EQ(lines(run.out).size(), 2u);
  EXPECT_TRUE(run.out.starts_with(L"a.jpg -> a-watermarked.jpg: ")) << utf8(run.out);
  // The copies of that run are not inputs of the next one.
  run = run_cli({L"*.jpg"}, dir_.path() / L"single");
  EXPECT_EQ(run.err, L"a.jpg: skipped: \"a-watermarked.jpg\" already exists (--overwrite replaces it).\n"
                     L"b.jpg: skipped: \"b-watermarked.jpg\" already exists (--overwrite replaces it).\n")
      << utf8(run.err);

  // A pattern that matches nothing is a failure; a wildcard in a folder name is bad usage.
  run = this->run({L"shoot\\*.gif", L"shoot\\IMG_0001.jpg", L"-o", L"gif"});
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.err, L"shoot\\*.gif: no file matches (-r also searches its 1 sub-folder)\n");
  EXPECT_EQ(lines(run.out).size(), 1u);
  run = this->run({L"sho*\\IMG_0001.jpg"});
  EXPECT_EQ(run.exit_code, 2u);
  EXPECT_TRUE(run.err.starts_with(L"orvane-cli: wildcards work in the last part of a path only")) << utf8(run.err);
}

TEST_F(BatchTest, ANamedFileThatFailsIsAFailureAFoundOneANote) {
  make_shoot();
  CliRun run = this->run({L"shoot\\notes.txt", L"shoot\\IMG_0001.jpg", L"-o", L"out"});
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.err, L"shoot\\notes.txt: Unable to read input image.\n");
  EXPECT_EQ(lines(run.out).size(), 1u);

  run = this->run({L"shoot", L"-o", L"out2"});
  EXPECT_EQ(run.exit_code, 0u) << "non-images found in a folder do not fail the batch";
  EXPECT_EQ(lines(run.err).size(), 2u);
}

TEST_F(BatchTest, ExistingOutputsAreSkippedSoAStoppedBatchCanBeFinished) {
  make_shoot();
  CliRun run = this->run({L"-r", L"shoot", L"-o", L"out"});
  ASSERT_EQ(run.exit_code, 0u);
  // As if the first run had been stopped: two copies missing, and one the user replaced.
  fs::remove(dir_.path() / L"out\\IMG_0002-watermarked.jpg");
  fs::remove(dir_.path() / L"out\\Été\\raw\\IMG_0003-watermarked.png");
  const std::vector<std::uint8_t> retouched = {'m', 'i', 'n', 'e'};
  write_bytes(dir_.file(L"out\\IMG_0001-watermarked.jpg"), retouched);

  run = this->run({L"-r", L"shoot", L"-o", L"out"});
  EXPECT_EQ(run.exit_code, 1u) << "skipped outputs count, as before";
  EXPECT_EQ(lines(run.out),
            (Lines{L"shoot\\IMG_0002.jpg -> out\\IMG_0002-watermarked.jpg: 240x320, orientation 1, image/jpeg" + q90(),
                   L"shoot\\Été\\raw\\IMG_0003.png -> out\\Été\\raw\\IMG_0003-watermarked.png: 200x150, orientation 1, "
                   L"image/png"}));
  EXPECT_TRUE(contains(run.err, L"shoot\\IMG_0001.jpg: skipped: \"out\\IMG_0001-watermarked.jpg\" already exists "
                                L"(--overwrite replaces it).\n"))
      << utf8(run.err);
  EXPECT_EQ(read_bytes(dir_.file(L"out\\IMG_0001-watermarked.jpg")), retouched);

  // For retries: existing outputs are done, quietly.
  run = this->run({L"-r", L"shoot", L"-o", L"out", L"--skip-existing", L"-q"});
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_EQ(run.out + run.err, L"");

  run = this->run({L"-r", L"shoot", L"-o", L"out", L"--overwrite"});
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_EQ(lines(run.out).size(), 5u);
  EXPECT_EQ(load(L"out\\IMG_0001-watermarked.jpg").width, 320u);
}

TEST_F(BatchTest, CollidingOutputsStopTheBatchBeforeAnyWork) {
  make_photo(L"monday\\IMG_0001.jpg");
  make_photo(L"tuesday\\IMG_0001.jpg");
  make_photo(L"tuesday\\IMG_0002.jpg");
  const CliRun run = this->run({L"monday", L"tuesday", L"-o", L"out"});
  EXPECT_EQ(run.exit_code, 2u);
  EXPECT_EQ(run.out, L"");
  EXPECT_EQ(run.err, L"orvane-cli: \"monday\\IMG_0001.jpg\" and \"tuesday\\IMG_0001.jpg\" would both be written to "
                     L"\"out\\IMG_0001-watermarked.jpg\"; nothing was written\n");
  EXPECT_FALSE(exists(L"out"));
  // Their parent folder as the input keeps them apart.
  EXPECT_EQ(this->run({L"-r", L".", L"-o", L"out"}).exit_code, 0u);
  EXPECT_EQ(files_below(dir_.path() / L"out"),
            (Lines{L"monday\\IMG_0001-watermarked.jpg", L"tuesday\\IMG_0001-watermarked.jpg",
                   L"tuesday\\IMG_0002-watermarked.jpg"}));
}

TEST_F(BatchTest, ParallelRunsWriteWhatASerialRunWrites) {
  // Sizes and formats differ, so the workers finish out of order.
  const std::uint32_t sizes[][2] = {{900, 600}, {120, 90}, {640, 480}, {300, 800}, {64, 64}, {1024, 768}};
  for (int i = 0; i < 18; ++i) {
    const auto* size = sizes[i % 6];
    const std::wstring folder = i < 6 ? L"job\\" : (i < 12 ? L"job\\a\\" : L"job\\a\\b\\");
    const std::wstring extension = i % 3 == 0 ? L".png" : L".jpg";
    make_photo(folder + L"photo " + std::to_wstring(i) + extension, size[0], size[1]);
  }
  const CliRun serial = this->run({L"-r", L"job", L"-o", L"serial", L"-j", L"1"});
  const CliRun parallel = this->run({L"-r", L"job", L"-o", L"parallel", L"-j", L"4"});
  const CliRun cores = this->run({L"-r", L"job", L"-o", L"cores"});
  ASSERT_EQ(serial.exit_code, 0u) << utf8(serial.err);
  EXPECT_EQ(parallel.exit_code, 0u);
  EXPECT_EQ(cores.exit_code, 0u);
  EXPECT_EQ(lines(serial.out).size(), 18u);
  EXPECT_EQ(replace_all(parallel.out, L"> parallel\\", L"> serial\\"), serial.out) << "same lines, same order";
  EXPECT_EQ(replace_all(cores.out, L"> cores\\", L"> serial\\"), serial.out);
  const Lines written = files_below(dir_.path() / L"serial");
  ASSERT_EQ(written.size(), 18u);
  EXPECT_EQ(files_below(dir_.path() / L"parallel"), written);
  for (const std::wstring& name : written) {
    EXPECT_EQ(read_bytes(dir_.file(L"parallel\\" + name)), read_bytes(dir_.file(L"serial\\" + name))) << utf8(name);
    EXPECT_EQ(read_bytes(dir_.file(L"cores\\" + name)), read_bytes(dir_.file(L"serial\\" + name))) << utf8(name);
  }
}

TEST_F(BatchTest, JsonGivesScriptsOneObjectPerFile) {
  make_shoot();
  const CliRun run = this->run({L"--json", L"-r", L"shoot", L"-o", L"out", L"shoot\\missing.jpg"});
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.err, L"");
  const Lines objects = lines(run.out);
  ASSERT_EQ(objects.size(), 9u) << utf8(run.out);
  for (const std::wstring& object : objects) {
    EXPECT_TRUE(object.starts_with(L"{\"input\":\"") && object.ends_with(L"}")) << utf8(object);
  }
  const std::wstring photo =
      L"{\"input\":\"shoot\\\\Été\\\\照片 01.jpg\",\"output\":\"out\\\\Été\\\\照片 01-watermarked.jpg\","
      L"\"status\":\"written\",\"message\":\"300x200, orientation 1, image/jpeg" + q90() +
      L"\",\"width\":300,\"height\":200,\"orientation\":1,\"encoder\":\"image/jpeg\",\"quality\":90,"
      L"\"input_bytes\":" + std::to_wstring(fs::file_size(dir_.path() / L"shoot\\Été\\照片 01.jpg")) +
      L",\"output_bytes\":" + std::to_wstring(fs::file_size(dir_.path() / L"out\\Été\\照片 01-watermarked.jpg")) +
      L",\"milliseconds\":";
  EXPECT_TRUE(std::any_of(objects.begin(), objects.end(), [&](const std::wstring& o) { return o.starts_with(photo); }))
      << utf8(run.out);
  EXPECT_TRUE(contains(run.out, L"{\"input\":\"shoot\\\\notes.txt\",\"output\":null,\"status\":\"skipped\","));
  EXPECT_TRUE(contains(objects.back(), L"{\"input\":\"shoot\\\\missing.jpg\",\"output\":\"out\\\\missing-watermarked."
                                       L"jpg\",\"status\":\"failed\",\"message\":\"Input file not found.\","))
      << utf8(objects.back());

  // --quiet keeps only the failures.
  const CliRun quiet = this->run({L"--json", L"-q", L"-r", L"shoot", L"-o", L"out", L"shoot\\missing.jpg"});
  EXPECT_EQ(lines(quiet.out).size(), 1u);
  EXPECT_TRUE(contains(quiet.out, L"\"status\":\"failed\""));
}

TEST_F(BatchTest, QuietPrintsOnlyFailures) {
  make_shoot();
  write_bytes(dir_.file(L"out-existing\\IMG_0001-watermarked.jpg"), {'x'});
  const CliRun run = this->run({L"-q", L"shoot", L"shoot\\gone.png", L"-o", L"out-existing", L"--font", L"No Such"});
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.out, L"");
  EXPECT_EQ(run.err, L"shoot\\gone.png: Input file not found.\n") << utf8(run.err);
}

TEST_F(BatchTest, TheMemoryBudgetHoldsLargeFilesBack) {
  make_photo(L"mixed\\small1.jpg", 200, 150);
  make_photo(L"mixed\\large.png", 1000, 1000);  // its export counts on 12 MB
  make_photo(L"mixed\\small2.jpg", 200, 150);
  CliRun run = this->run({L"mixed", L"-o", L"out", L"-j", L"4", L"--memory-limit", L"4M"});
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.err, L"mixed\\large.png: its export needs about 12 MiB, more than --memory-limit allows (4 MiB).\n");
  EXPECT_EQ(lines(run.out).size(), 2u);
  // A budget that fits one large file at a time: all are written, one after the other.
  run = this->run({L"mixed", L"-o", L"out", L"-j", L"4", L"--memory-limit", L"13M", L"--skip-existing"});
  EXPECT_EQ(run.exit_code, 0u) << utf8(run.err);
  EXPECT_EQ(load(L"out\\large-watermarked.png").width, 1000u);
}

TEST_F(BatchTest, AConsoleShowsProgressAndASummaryInsteadOfRecords) {
  make_photo(L"batch\\one.jpg");
  make_photo(L"batch\\two.jpg");
  make_photo(L"batch\\three.png");
  make_file(L"batch\\notes.txt", "-");
  const ScreenBuffer screen;
  ASSERT_NE(screen.get(), INVALID_HANDLE_VALUE);
  const DWORD code =
      wait_for_exit(start_cli({L"batch", L"batch\\lost.jpg", L"-o", L"out"}, dir_.path(), screen.get(), screen.get()));
  EXPECT_EQ(code, 1u);
  EXPECT_EQ(screen.line(0, 37), L"batch\\lost.jpg: Input file not found.");
  // The summary may wrap onto a second row of the 80-column buffer.
  const std::wstring summary = screen.line(1, 160);
  EXPECT_TRUE(summary.starts_with(L"4 images: 3 written, 1 failed; 1 other file skipped (not images) in ")) << utf8(summary);
  EXPECT_TRUE(contains(summary, L" images/s)")) << utf8(summary);
  EXPECT_EQ(screen.line(3, 80), std::wstring(80, L' ')) << "nothing after the summary";
  EXPECT_EQ(files_below(dir_.path() / L"out").size(), 3u);
}

// A console of this test's own, shared with the program it starts, so that a Ctrl+C can be sent
// to both; this test ignores it.
class PrivateConsole {
 public:
  PrivateConsole() {
    saved_ = {GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE), GetStdHandle(STD_ERROR_HANDLE)};
    FreeConsole();
    ok_ = AllocConsole() != FALSE;
    SetConsoleCtrlHandler(ignore, TRUE);
  }
  ~PrivateConsole() {
    SetConsoleCtrlHandler(ignore, FALSE);
    FreeConsole();
    AttachConsole(ATTACH_PARENT_PROCESS);
    SetStdHandle(STD_INPUT_HANDLE, saved_[0]);
    SetStdHandle(STD_OUTPUT_HANDLE, saved_[1]);
    SetStdHandle(STD_ERROR_HANDLE, saved_[2]);
  }
  PrivateConsole(const PrivateConsole&) = delete;
  PrivateConsole& operator=(const PrivateConsole&) = delete;
  [[nodiscard]] bool ok() const { return ok_; }
  // Ctrl+C to every process of the console, as pressing it does.
  static bool press_ctrl_c() { return GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != FALSE; }

 private:
  static BOOL WINAPI ignore(DWORD) { return TRUE; }
  std::array<HANDLE, 3> saved_{};
  bool ok_ = false;
};

// The program running with its output on pipes, read line by line as it comes.
class RunningCli {
 public:
  RunningCli(const std::vector<std::wstring>& args, const fs::path& folder) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE ends[4] = {};
    if (!CreatePipe(&ends[0], &ends[1], &inherit, 0) || !CreatePipe(&ends[2], &ends[3], &inherit, 0)) return;
    out_read_.reset(ends[0]);
    err_read_.reset(ends[2]);
    UniqueHandle out_write(ends[1]), err_write(ends[3]);
    SetHandleInformation(ends[0], HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(ends[2], HANDLE_FLAG_INHERIT, 0);
    process_ = start_cli(args, folder, out_write.get(), err_write.get());
    out_write.reset();
    err_write.reset();
    out_reader_ = std::thread([this] {
      std::string pending;
      char buffer[4096];
      DWORD got = 0;
      while (ReadFile(out_read_.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        pending.append(buffer, got);
        for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
          const std::lock_guard lock(mutex_);
          out_lines_.push_back(from_utf8(pending.substr(0, end)));
          pending.erase(0, end + 1);
          arrived_.notify_all();
        }
      }
    });
    err_reader_ = std::thread([this] { err_ = from_utf8(read_all(err_read_.get())); });
  }
  ~RunningCli() {
    if (out_reader_.joinable()) out_reader_.join();
    if (err_reader_.joinable()) err_reader_.join();
  }

  // Waits until `count` lines have come on standard output.
  bool wait_for_lines(std::size_t count) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::seconds(60), [&] { return out_lines_.size() >= count; });
  }
  DWORD finish() {
    const DWORD code = wait_for_exit(process_);
    out_reader_.join();
    err_reader_.join();
    return code;
  }
  Lines out_lines() {
    const std::lock_guard lock(mutex_);
    return out_lines_;
  }
  const std::wstring& err() const { return err_; }

 private:
  UniqueHandle out_read_, err_read_, process_;
  std::thread out_reader_, err_reader_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  Lines out_lines_;
  std::wstring err_;
};

class InterruptTest : public BatchTest {
 protected:
  static constexpr int kPhotos = 24;
  void SetUp() override {
    for (int i = 0; i < kPhotos; ++i) make_photo(L"shoot\\photo " + std::to_wstring(100 + i) + L".jpg", 1600, 1200);
  }
  // Every copy that exists is whole, and no temporary file is left anywhere.
  void expect_only_whole_outputs(std::size_t written) {
    const Lines files = files_below(dir_.path() / L"out");
    EXPECT_EQ(files.size(), written);
    for (const std::wstring& name : files) {
      EXPECT_TRUE(name.ends_with(L"-watermarked.jpg")) << "a leftover: " << utf8(name);
      EXPECT_EQ(load(L"out\\" + name).width, 1600u) << utf8(name);
    }
    EXPECT_EQ(files_below(dir_.path() / L"shoot").size(), static_cast<std::size_t>(kPhotos));
  }
};

TEST_F(InterruptTest, CtrlCFinishesTheFilesInProgressStartsNoMoreAndARerunFinishes) {
  {
    const PrivateConsole console;
    ASSERT_TRUE(console.ok());
    RunningCli cli({L"shoot", L"-o", L"out", L"-j", L"2", L"--json"}, dir_.path());
    ASSERT_TRUE(cli.wait_for_lines(2));
    ASSERT_TRUE(PrivateConsole::press_ctrl_c());
    EXPECT_EQ(cli.finish(), kInterrupted);
    const Lines objects = cli.out_lines();
    EXPECT_LT(objects.size(), static_cast<std::size_t>(kPhotos));
    for (const std::wstring& object : objects) EXPECT_TRUE(contains(object, L"\"status\":\"written\"")) << utf8(object);
    // (The "stopping" notice appears only while files are still in progress when it is noticed.)
    EXPECT_TRUE(contains(cli.err(), L"orvane-cli: interrupted: " + std::to_wstring(objects.size()) + L" of 24 images "
                                    L"written, " + std::to_wstring(kPhotos - objects.size()) + L" left"))
        << utf8(cli.err());
    expect_only_whole_outputs(objects.size());
  }
  // The same command again does the rest, leaving the finished ones alone.
  const CliRun rerun = run({L"shoot", L"-o", L"out", L"-j", L"2", L"--skip-existing"});
  EXPECT_EQ(rerun.exit_code, 0u) << utf8(rerun.err);
  EXPECT_GT(lines(rerun.out).size(), 0u);
  expect_only_whole_outputs(kPhotos);
}

TEST_F(InterruptTest, ASecondCtrlCAbandonsTheFilesInProgressWithoutLeavingPartOfThem) {
  const PrivateConsole console;
  ASSERT_TRUE(console.ok());
  RunningCli cli({L"shoot", L"-o", L"out", L"-j", L"2", L"--json"}, dir_.path());
  ASSERT_TRUE(cli.wait_for_lines(1));
  ASSERT_TRUE(PrivateConsole::press_ctrl_c());
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(PrivateConsole::press_ctrl_c());
  EXPECT_EQ(cli.finish(), kInterrupted);
  std::size_t written = 0;
  for (const std::wstring& object : cli.out_lines()) {
    const bool whole = contains(object, L"\"status\":\"written\"");
    EXPECT_TRUE(whole || contains(object, L"\"status\":\"cancelled\"")) << utf8(object);
    written += whole ? 1 : 0;
  }
  expect_only_whole_outputs(written);
}

TEST_F(BatchTest, SlicesTogetherDoTheWholeBatchOnce) {
  for (int i = 0; i < 7; ++i) make_photo(L"shoot\\" + std::wstring(i % 2 ? L"a\\" : L"") + std::to_wstring(i) + L".jpg");
  const CliRun first = this->run({L"-r", L"shoot", L"-o", L"out", L"--slice", L"1/2"});
  const CliRun second = this->run({L"-r", L"shoot", L"-o", L"out", L"--slice=2/2"});
  EXPECT_EQ(first.exit_code, 0u);
  EXPECT_EQ(second.exit_code, 0u);
  EXPECT_EQ(lines(first.out).size(), 4u);
  EXPECT_EQ(lines(second.out).size(), 3u);
  EXPECT_EQ(first.err + second.err, L"");
  EXPECT_EQ(files_below(dir_.path() / L"out").size(), 7u);
  // A rerun of one slice finds its part done.
  const CliRun again = this->run({L"-r", L"shoot", L"-o", L"out", L"--slice", L"2/2", L"--skip-existing"});
  EXPECT_EQ(again.exit_code, 0u);
  EXPECT_EQ(again.out, L"");
}

}  // namespace
