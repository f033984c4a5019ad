// Runs the real orvane-cli.exe on real image files and checks what a user would see: the files
// written, the lines printed and the exit code.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cli_process.h"
#include "image_export.h"
#include "orvane_version.h"
#include "watermark_options.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace orvane::test;

// How the report names a JPEG quality: plainly where the encoder follows it, else saying it did not.
std::wstring quality(int q) {
  return L" q" + std::to_wstring(q) +
         (orvane::engine::jpeg_quality_honoured() ? L"" : L" requested; this platform's encoder ignores quality");
}

// Pixels of the ninth (column, row) of an image that satisfy `test`.
int count_in_ninth(const Pixels& image, std::uint32_t column, std::uint32_t row,
                   const std::function<bool(int, int, int)>& test) {
  int count = 0;
  for (std::uint32_t y = row * image.height / 3; y < (row + 1) * image.height / 3; ++y) {
    for (std::uint32_t x = column * image.width / 3; x < (column + 1) * image.width / 3; ++x) {
      const std::uint32_t v = image.at(x, y);
      count += test((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF) ? 1 : 0;
    }
  }
  return count;
}

bool is_red(int r, int g, int b) { return r > 200 && g < 60 && b < 60; }

class CliTest : public ::testing::Test {
 protected:
  // Writes a 200 x 150 test picture into the scratch folder; `name` is relative to it.
  std::wstring make_image(const std::wstring& name, const std::wstring& mime = L"image/png") {
    const std::wstring path = dir_.file(name);
    fs::create_directories(fs::path(path).parent_path());
    EXPECT_TRUE(save_pixels(make_pattern(200, 150), path, mime)) << utf8(name);
    return path;
  }
  CliRun run(const std::vector<std::wstring>& args) { return run_cli(args, dir_.path()); }
  bool exists(const std::wstring& name) const { return fs::exists(dir_.file(name)); }
  Pixels load(const std::wstring& name) const { return load_pixels(dir_.file(name)); }

  GdiplusScope gdiplus_;
  TempDir dir_;
};

TEST_F(CliTest, WritesBesideTheInputUnderTheDefaultNameAndReportsIt) {
  make_image(L"photo.jpg", L"image/jpeg");
  const CliRun run = this->run({L"photo.jpg"});
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_EQ(run.out, L"photo.jpg -> photo-watermarked.jpg: 200x150, orientation 1, image/jpeg" + quality(90) + L"\n");
  EXPECT_EQ(run.err, L"");
  const Pixels written = load(L"photo-watermarked.jpg");
  EXPECT_EQ(written.width, 200u);
  EXPECT_EQ(written.height, 150u);
}

TEST_F(CliTest, PlacesASingleOutputWhereDashOSays) {
  make_image(L"photo.jpg", L"image/jpeg");
  make_image(L"raw", L"image/png");  // no extension: the copy keeps the source's format
  fs::create_directory(dir_.path() / L"existing");

  CliRun run = this->run({L"photo.jpg", L"-o", L"as.png"});
  EXPECT_EQ(run.out, L"photo.jpg -> as.png: 200x150, orientation 1, image/png\n");
  EXPECT_EQ(read_bytes(dir_.file(L"as.png")).at(1), 'P');  // PNG signature, not JPEG bytes

  run = this->run({L"-o", L"existing", L"photo.jpg"});
  EXPECT_EQ(run.out, L"photo.jpg -> existing\\photo-watermarked.jpg: 200x150, orientation 1, image/jpeg" + quality(90) + L"\n");
  run = this->run({L"photo.jpg", L"--output=fresh\\"});
  EXPECT_EQ(run.exit_code, 0u) << run.err;
  EXPECT_EQ(load(L"fresh\\photo-watermarked.jpg").width, 200u);
  run = this->run({L"raw"});
  EXPECT_EQ(run.out, L"raw -> raw-watermarked: 200x150, orientation 1, image/png\n");

  run = this->run({L"photo.jpg", L"-o", L"missing\\out.png"});
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(lines(run.err).size(), 1u);
  EXPECT_TRUE(run.err.starts_with(L"photo.jpg: ") && contains(run.err, L"missing")) << run.err;
  EXPECT_FALSE(exists(L"missing"));
}

TEST_F(CliTest, OptionsReachTheEngine) {
  make_image(L"src.png");
  const Pixels source = load(L"src.png");
  const std::vector<std::wstring> red = {L"--color", L"#FF0000", L"--opacity", L"1", L"--text", L"WWWW",
                                         L"--rotation", L"0", L"--size", L"30"};
  auto with = [&](std::vector<std::wstring> args) {
    args.insert(args.begin(), red.begin(), red.end());
    args.push_back(L"src.png");
    return args;
  };

  EXPECT_EQ(run(with({L"--layout", L"center", L"-o", L"center.png"})).exit_code, 0u);
  const Pixels center = load(L"center.png");
  EXPECT_EQ(count_in_ninth(source, 1, 1, is_red), 0);
  EXPECT_GT(count_in_ninth(center, 1, 1, is_red), 20);
  EXPECT_EQ(count_in_ninth(center, 0, 0, is_red), 0);

  EXPECT_EQ(run(with({L"--layout=Top-Left", L"-o", L"corner.png"})).exit_code, 0u);
  const Pixels corner = load(L"corner.png");
  EXPECT_GT(count_in_ninth(corner, 0, 0, is_red), 20);
  EXPECT_EQ(count_in_ninth(corner, 1, 1, is_red), 0);

  // Opacity 0 draws nothing; the default white at alpha 110 visibly does.
  EXPECT_EQ(run(with({L"--layout", L"center", L"--opacity", L"0", L"-o", L"clear.png"})).exit_code, 0u);
  EXPECT_LT(mean_channel_difference(load(L"clear.png"), source), 0.5);
  EXPECT_EQ(run({L"--text", L"MMMMMMMM", L"src.png"}).exit_code, 0u);
  EXPECT_GT(mean_channel_difference(load(L"src-watermarked.png"), source), 2.0);

  const CliRun jpeg = run({L"--quality", L"55", L"src.png", L"-o", L"q.jpg"});
  EXPECT_EQ(jpeg.out, L"src.png -> q.jpg: 200x150, orientation 1, image/jpeg" + quality(55) + L"\n");
}

TEST_F(CliTest, SeveralInputsGoIntoOneFolder) {
  make_image(L"a.png");
  make_image(L"b.jpg", L"image/jpeg");
  make_image(L"sub\\c.bmp", L"image/bmp");
  CliRun run = this->run({L"a.png", L"-o", L"out", L"b.jpg", L"sub\\c.bmp"});
  EXPECT_EQ(run.exit_code, 0u) << run.err;
  EXPECT_EQ(run.out,
            std::wstring(L"a.png -> out\\a-watermarked.png: 200x150, orientation 1, image/png\n") +
            L"b.jpg -> out\\b-watermarked.jpg: 200x150, orientation 1, image/jpeg" + quality(90) + L"\n" +
            L"sub\\c.bmp -> out\\c-watermarked.bmp: 200x150, orientation 1, image/bmp\n");
  for (const wchar_t* name : {L"out\\a-watermarked.png", L"out\\b-watermarked.jpg", L"out\\c-watermarked.bmp"}) {
    EXPECT_EQ(load(name).height, 150u) << utf8(name);
  }

  // Two inputs of the same name would share one output: refused before anything is written.
  make_image(L"x\\same.png");
  make_image(L"y\\same.png");
  run = this->run({L"x\\same.png", L"y\\same.png", L"-o", L"both"});
  EXPECT_EQ(run.exit_code, 2u);
  EXPECT_EQ(run.out, L"");
  EXPECT_EQ(run.err, L"orvane-cli: \"x\\same.png\" and \"y\\same.png\" would both be written to "
                     L"\"both\\same-watermarked.png\"; nothing was written\n") << utf8(run.err);
  EXPECT_FALSE(exists(L"both"));
}

TEST_F(CliTest, GoesOnPastAFailingFileAndExitsWithOne) {
  make_image(L"good1.png");
  write_bytes(dir_.file(L"broken.jpg"), {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
  make_image(L"good2.png");
  const CliRun run = this->run({L"good1.png", L"broken.jpg", L"absent.png", L"good2.png"});
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.err, L"broken.jpg: Unable to read input image.\nabsent.png: Input file not found.\n");
  const auto written = lines(run.out);
  ASSERT_EQ(written.size(), 2u) << run.out;
  EXPECT_TRUE(written[0].starts_with(L"good1.png -> good1-watermarked.png: "));
  EXPECT_TRUE(written[1].starts_with(L"good2.png -> good2-watermarked.png: "));
  EXPECT_TRUE(exists(L"good1-watermarked.png") && exists(L"good2-watermarked.png"));
  EXPECT_FALSE(exists(L"broken-watermarked.jpg"));
}

// Inputs and outputs in a folder past MAX_PATH, named plainly or in their "\\?\" form, are found,
// written, made and seen to exist: on Windows the C runtime's stat takes them for missing ones and
// GetTempFileNameW refuses such folders.
TEST_F(CliTest, WorksInFoldersPastMaxPath) {
  const LongFolder deep(dir_.path().wstring(), 300);
  const std::wstring& folder = deep.path();
  const std::wstring extended = deep.extended();
  ASSERT_TRUE(CopyFileW(make_image(L"photo.png").c_str(), (extended + L"\\photo.png").c_str(), FALSE));

  CliRun run = this->run({folder + L"\\photo.png"});
  EXPECT_EQ(run.exit_code, 0u) << utf8(run.err);
  EXPECT_EQ(load_pixels(extended + L"\\photo-watermarked.png").width, 200u);
  run = this->run({extended + L"\\photo.png", L"-o", extended + L"\\new\\"});
  EXPECT_EQ(run.exit_code, 0u) << utf8(run.err);
  EXPECT_EQ(load_pixels(extended + L"\\new\\photo-watermarked.png").width, 200u);

  run = this->run({folder + L"\\photo.png", folder + L"\\missing.png"});
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.err, folder + L"\\photo.png: skipped: \"" + folder +
                         L"\\photo-watermarked.png\" already exists (--overwrite replaces it).\n" + folder +
                         L"\\missing.png: Input file not found.\n")
      << utf8(run.err);
}

TEST_F(CliTest, BadUsageIsRefusedWithExitTwoBeforeAnyFileIsWritten) {
  make_image(L"in.png");
  const std::vector<std::vector<std::wstring>> cases = {
      {},
      {L"--text", L"hello"},
      {L"in.png", L"--bogus"},
      {L"in.png", L"--text"},
      {L"in.png", L"-o"},
      {L"in.png", L"-o", L"a.png", L"-o", L"b.png"},
      {L"in.png", L"--text", L""},
      {L"in.png", L"--size", L"0"},
      {L"in.png", L"--size", L"-3"},
      {L"in.png", L"--size", L"abc"},
      {L"in.png", L"--size", L"12px"},
      {L"in.png", L"--quality", L"0"},
      {L"in.png", L"--quality", L"101"},
      {L"in.png", L"--quality", L"9.5"},
      {L"in.png", L"--opacity", L"1.5"},
      {L"in.png", L"--opacity", L"-0.1"},
      {L"in.png", L"--opacity", L"0x1"},
      {L"in.png", L"--size", L"0x10"},
      {L"in.png", L"--overwrite=yes"},
      {L"in.png", L"--color", L"12345"},
      {L"in.png", L"--color", L"GG0000"},
      {L"in.png", L"--rotation", L"ten"},
      {L"in.png", L"--spacing-x", L"nan"},
      {L"in.png", L"--layout", L"diagonal"},
      {L"in.png", L"--fit=yes"},
      {L"in.png", L"--size", L"0%"},
      {L"in.png", L"--size", L"-3%"},
      {L"in.png", L"--size", L"nan%"},
      {L"in.png", L"--size", L"0.4%"},
      {L"in.png", L"--size", L"51%"},
      {L"in.png", L"--size", L"%"},
      {L"in.png", L"--spacing-x", L"1.5%"},
      {L"in.png", L"--spacing-y", L"101%"},
      {L"in.png", L"--spacing-x", L"10%", L"--spacing-y", L"50"},
      {L"in.png", L"--margin", L"-1"},
      {L"in.png", L"--margin", L"50.5%"},
      {L"in.png", L"--margin", L"nan"},
      {L"in.png", L"--logo", L""},
      {L"in.png", L"--logo-size", L"0%"},
      {L"in.png", L"--logo-size", L"101%"},
      {L"in.png", L"--logo-size", L"-4"},
      {L"in.png", L"--outline", L"-1"},
      {L"in.png", L"--outline", L"51%"},
      {L"in.png", L"--outline", L"201"},
      {L"in.png", L"--outline", L"3:red"},
      {L"in.png", L"--outline", L"nan"},
      {L"in.png", L"--shadow=yes"},
      {L"in.png", L"--shadow-offset", L"4"},
      {L"in.png", L"--shadow-offset", L"4%,4"},
      {L"in.png", L"--shadow-offset", L"4,1001"},
      {L"in.png", L"--shadow-blur", L"-1"},
      {L"in.png", L"--shadow-blur", L"101%"},
      {L"in.png", L"--shadow-offset", L"4,4", L"--shadow-blur", L"5%"},
      {L"in.png", L"--shadow-opacity", L"2"},
      {L"in.png", L"--shadow-color", L"black"},
  };
  for (const auto& args : cases) {
    std::wstring joined;
    for (const auto& arg : args) joined += L"[" + arg + L"] ";
    SCOPED_TRACE(utf8(joined));
    const CliRun run = this->run(args);
    EXPECT_EQ(run.exit_code, 2u);
    EXPECT_EQ(run.out, L"");
    EXPECT_EQ(lines(run.err).size(), 1u);
    EXPECT_TRUE(run.err.starts_with(L"orvane-cli: ")) << utf8(run.err);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1);
}

// Percent of the shorter side (150 pixels here) and margins reach the engine as the pixels they
// stand for; bad ones are refused with what the option takes, and a margin with no room for the
// stamp fails that file.
TEST_F(CliTest, SizesInPercentAndMarginsFollowThePhoto) {
  make_image(L"in.png");
  const auto same_output = [&](std::vector<std::wstring> a, std::vector<std::wstring> b) {
    for (auto* args : {&a, &b}) args->insert(args->end(), {L"--rotation", L"-20", L"--overwrite", L"in.png", L"-o"});
    a.push_back(L"a.png");
    b.push_back(L"b.png");
    EXPECT_EQ(run(a).exit_code, 0u);
    EXPECT_EQ(run(b).exit_code, 0u);
    return read_bytes(dir_.file(L"a.png")) == read_bytes(dir_.file(L"b.png"));
  };
  EXPECT_TRUE(same_output({L"--size", L"4%"}, {L"--size", L"6"}));
  EXPECT_FALSE(same_output({L"--size", L"4%"}, {L"--size", L"8"})) << "4 % of the longer side";
  EXPECT_TRUE(same_output({L"--spacing-x=40%"}, {L"--spacing-x", L"60", L"--spacing-y", L"60"}));
  EXPECT_TRUE(same_output({L"--spacing-x", L"40%", L"--spacing-y", L"30%"}, {L"--spacing-x", L"60", L"--spacing-y=45"}));
  EXPECT_TRUE(same_output({L"--layout", L"bottom-right", L"--margin", L"6%"}, {L"--layout", L"bottom-right", L"--margin=9"}));
  EXPECT_FALSE(same_output({L"--layout", L"bottom-right", L"--margin", L"6%"}, {L"--layout", L"bottom-right"}));

  CliRun refused = run({L"in.png", L"--size", L"60%"});
  EXPECT_EQ(refused.exit_code, 2u);
  EXPECT_EQ(refused.err, L"orvane-cli: --size needs a number of pixels greater than 0 or a percentage of the image's "
                         L"shorter side from 0.5% to 50%, got \"60%\"\n");
  refused = run({L"in.png", L"--spacing-y", L"0%"});
  EXPECT_EQ(refused.err, L"orvane-cli: --spacing-y needs a number of pixels or a percentage of the image's shorter "
                         L"side from 2% to 100%, got \"0%\"\n");
  refused = run({L"in.png", L"--margin", L"-2%"});
  EXPECT_EQ(refused.err, L"orvane-cli: --margin needs a number of pixels of 0 or more or a percentage of the "
                         L"image's shorter side up to 50%, got \"-2%\"\n");
  const CliRun too_far = run({L"in.png", L"--layout", L"top-left", L"--margin", L"76"});
  EXPECT_EQ(too_far.exit_code, 1u);
  EXPECT_EQ(too_far.err, L"in.png: Margin must be at most half of the image's shorter side.\n");
  EXPECT_FALSE(exists(L"in-watermarked.png"));
}

TEST_F(CliTest, NeverWritesOverAnInputWhateverPathNamesIt) {
  const std::wstring source = make_image(L"Holiday photograph.png");
  const auto original = read_bytes(source);
  fs::create_directory(dir_.path() / L"sub");
  std::vector<std::wstring> aliases = {L"HOLIDAY PHOTOGRAPH.PNG", L"sub\\..\\Holiday photograph.png",
                                       fs::path(source).generic_wstring()};
  wchar_t short_name[MAX_PATH] = {};
  if (GetShortPathNameW(source.c_str(), short_name, MAX_PATH) > 0 && source != short_name) {
    aliases.push_back(short_name);
  }
  ASSERT_TRUE(CreateHardLinkW(dir_.file(L"link.png").c_str(), source.c_str(), nullptr));
  aliases.push_back(L"link.png");

  for (const auto& alias : aliases) {
    SCOPED_TRACE(utf8(alias));
    const CliRun run = this->run({L"Holiday photograph.png", L"-o", alias});
    EXPECT_EQ(run.exit_code, 1u);
    EXPECT_EQ(run.out, L"");
    EXPECT_TRUE(run.err.starts_with(L"Holiday photograph.png: ") && contains(run.err, L"will not overwrite"))
        << utf8(run.err);
    EXPECT_EQ(read_bytes(source), original);
  }

  // a.png's default output is the other input: it is refused, the other one is still made.
  make_image(L"a.png");
  const std::wstring second = make_image(L"a-watermarked.png", L"image/bmp");
  const auto second_bytes = read_bytes(second);
  const CliRun run = this->run({L"a.png", L"a-watermarked.png"});
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_TRUE(run.err.starts_with(L"a.png: ")) << utf8(run.err);
  EXPECT_TRUE(run.out.starts_with(L"a-watermarked.png -> a-watermarked-watermarked.png: "));
  EXPECT_EQ(read_bytes(second), second_bytes);
}

TEST_F(CliTest, HandlesChineseNamesAndText) {
  make_image(L"照片\\猫咪.png");
  const CliRun run = this->run({L"--text", L"示例水印", L"--layout", L"center", L"--opacity", L"1", L"--color",
                                L"000000", L"照片\\猫咪.png", L"照片\\不存在.png"});
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.out, L"照片\\猫咪.png -> 照片\\猫咪-watermarked.png: 200x150, orientation 1, image/png\n");
  EXPECT_EQ(run.err, L"照片\\不存在.png: Input file not found.\n");
  const Pixels written = load(L"照片\\猫咪-watermarked.png");
  const auto dark = [](int r, int g, int b) { return r < 40 && g < 40 && b < 40; };
  EXPECT_GT(count_in_ninth(written, 1, 1, dark), 20);
}

// Runs of blanks and line breaks as single spaces, so wrapped help text reads as sentences.
std::wstring squeezed(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    const bool blank = c == L' ' || c == L'\n' || c == L'\r';
    if (blank && (out.empty() || out.back() == L' ')) continue;
    out += blank ? L' ' : c;
  }
  return out;
}

// The longest text the engine accepts is stamped; one character more is bad usage.
TEST_F(CliTest, TextUpToTheLongestIsStampedAndLongerRefused) {
  make_image(L"in.png");
  std::wstring text(orvane::engine::max_text_length, L'W');
  CliRun run = this->run({L"--text", text, L"--size", L"500", L"--opacity", L"1", L"--color", L"FF0000", L"in.png",
                          L"-o", L"long.png"});
  EXPECT_EQ(run.exit_code, 0u) << utf8(run.err);
  EXPECT_GT(count_in_ninth(load(L"long.png"), 1, 1, is_red), 100) << "the text must reach the picture";
  text.push_back(L'W');
  run = this->run({L"--text", text, L"in.png", L"-o", L"longer.png"});
  EXPECT_EQ(run.exit_code, 2u);
  EXPECT_TRUE(contains(run.err, L"--text must be at most 1000 characters, got 1001")) << utf8(run.err);
  EXPECT_FALSE(exists(L"longer.png"));
}

TEST_F(CliTest, HelpDocumentsTheOptionsAndRulesAndWritesNothing) {
  make_image(L"in.png");
  for (const auto& args : std::vector<std::vector<std::wstring>>{{L"--help"}, {L"in.png", L"--size", L"x", L"-h"}}) {
    const CliRun run = this->run(args);
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_EQ(run.err, L"");
    EXPECT_TRUE(run.out.starts_with(L"Usage: orvane-cli [options] INPUT... [-o OUTPUT]"));
    const std::wstring help = squeezed(run.out);
    for (const wchar_t* says : {
             L"--text T watermark text, at most 1000 characters (default \"Sample watermark\")",
             L"--opacity 0..1 opacity of the text (default 0.43, alpha 110 of 255)",
             L"--quality 1..100 JPEG quality of JPEG outputs (default 90)",
             L"steps below 32 act as 32",
             L"--size PX|P% font size in pixels, greater than 0, or in percent of the image's shorter side, 0.5% "
             L"to 50% (default 36)",
             L"--margin PX|P% set a single stamp against the edges its layout names",
             L"--overwrite replace output files that already exist",
             L"An output file that already exists is skipped (reported on standard error, exit status 1) unless "
             L"--overwrite is given; the other inputs are still written.",
             L"An output that is the same file as any input, by whatever path, is refused.",
             L"Exit status: 0 every image written, 1 some image failed (or a preset could not be read or saved), "
             L"2 bad usage.",
             L"--preset-file FILE start from the settings of a preset file (*.orvane.json); options given on the "
             L"command line override its values",
             L"With no INPUT these only save, and the exit status says whether the save worked.",
             L"{n} its number in the batch ({n:3}: 001)",
         }) {
      EXPECT_TRUE(contains(help, says)) << utf8(says);
    }
  }
  EXPECT_FALSE(exists(L"in-watermarked.png"));
}

std::wstring version_string(const std::vector<std::uint8_t>& block, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\080404B0\\") + name;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || value == nullptr) return L"<missing>";
  return static_cast<const wchar_t*>(value);
}

// The version is the build's wherever it shows: --version (anywhere on the line, as --help) and the
// version information Explorer's Properties dialog reads from the file.
TEST_F(CliTest, TellsItsVersionOnRequestAndInItsFileProperties) {
  make_image(L"in.png");
  for (const auto& args : std::vector<std::vector<std::wstring>>{{L"--version"}, {L"in.png", L"--size", L"x", L"--version"}}) {
    const CliRun run = this->run(args);
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_EQ(run.err, L"");
    EXPECT_EQ(lines(run.out), std::vector<std::wstring>{L"orvane-cli " ORVANE_VERSION_WIDE_TEXT});
  }
  EXPECT_FALSE(exists(L"in-watermarked.png"));
  EXPECT_TRUE(contains(squeezed(run({L"--help"}).out), L"--version print the program's version and exit"));

  const DWORD size = GetFileVersionInfoSizeW(ORVANE_CLI_EXE, nullptr);
  ASSERT_GT(size, 0u) << "orvane-cli.exe has no version information";
  std::vector<std::uint8_t> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(ORVANE_CLI_EXE, 0, size, block.data()));
  EXPECT_EQ(version_string(block, L"FileVersion"), ORVANE_VERSION_WIDE_TEXT);
  EXPECT_EQ(version_string(block, L"ProductVersion"), ORVANE_VERSION_WIDE_TEXT);
  EXPECT_EQ(version_string(block, L"ProductName"), L"Orvane");
  EXPECT_EQ(version_string(block, L"CompanyName"), L"Kestrune");
  EXPECT_EQ(version_string(block, L"OriginalFilename"), L"orvane-cli.exe");
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &value, &length));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(ORVANE_VERSION_MAJOR << 16 | ORVANE_VERSION_MINOR));
  EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(ORVANE_VERSION_PATCH << 16));
}

TEST_F(CliTest, ExistingOutputsAreSkippedUnlessOverwriteIsGiven) {
  make_image(L"a.png");
  make_image(L"b.png");
  const std::vector<std::uint8_t> unrelated = {'k', 'e', 'e', 'p'};
  write_bytes(dir_.file(L"a-watermarked.png"), unrelated);

  CliRun run = this->run({L"a.png", L"b.png"});
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.err, L"a.png: skipped: \"a-watermarked.png\" already exists (--overwrite replaces it).\n");
  EXPECT_TRUE(run.out.starts_with(L"b.png -> b-watermarked.png: ")) << utf8(run.out);
  EXPECT_EQ(read_bytes(dir_.file(L"a-watermarked.png")), unrelated);
  EXPECT_EQ(load(L"b-watermarked.png").width, 200u);

  // The same command again with --overwrite replaces both.
  run = this->run({L"--overwrite", L"a.png", L"b.png"});
  EXPECT_EQ(run.exit_code, 0u) << utf8(run.err);
  EXPECT_EQ(lines(run.out).size(), 2u);
  EXPECT_EQ(load(L"a-watermarked.png").width, 200u);
}

// Small cases of reading a command line: each is read as the user meant it.
TEST_F(CliTest, ArgumentsAreReadAsMeant) {
  make_image(L"in.png");
  const Pixels source = load(L"in.png");

  // A value that looks like an option is still a value.
  CliRun run = this->run({L"--text", L"-h", L"--layout", L"center", L"--opacity", L"1", L"in.png", L"-o", L"h.png"});
  EXPECT_EQ(run.exit_code, 0u) << utf8(run.err);
  EXPECT_TRUE(run.out.starts_with(L"in.png -> h.png: ")) << utf8(run.out);
  EXPECT_GT(mean_channel_difference(load(L"h.png"), source), 0.2) << "\"-h\" was stamped";

  // One input and a folder-style -o that is a file: the message is about that, not about batches.
  write_bytes(dir_.file(L"name.jpg"), {'x'});
  run = this->run({L"in.png", L"-o", L"name.jpg\\"});
  EXPECT_EQ(run.exit_code, 2u);
  EXPECT_TRUE(contains(run.err, L"\"name.jpg\\\"") && !contains(run.err, L"several")) << utf8(run.err);

  // A family that is not installed still draws, in the fallback font, and the user is told.
  run = this->run({L"--font", L"No Such Family 123", L"in.png", L"-o", L"font.png"});
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_EQ(run.err,
            L"orvane-cli: warning: font \"No Such Family 123\" is not installed; the default sans-serif font is used "
            L"instead\n");
  EXPECT_EQ(load(L"font.png").width, 200u);
  run = this->run({L"--font", L"Arial", L"in.png", L"-o", L"arial.png"});
  EXPECT_EQ(run.err, L"");

  // The executable carries its manifest: long paths, the UTF-8 code page, Windows 10.
  std::wstring exe = ORVANE_CLI_EXE;
  std::replace(exe.begin(), exe.end(), L'/', L'\\');
  HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr);
  std::string manifest;
  if (HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module, resource)));
    if (data != nullptr) manifest.assign(data, SizeofResource(module, resource));
  }
  FreeLibrary(module);
  EXPECT_NE(manifest.find("<longPathAware"), std::string::npos) << manifest;
  EXPECT_NE(manifest.find(">true</longPathAware>"), std::string::npos);
  EXPECT_NE(manifest.find(">UTF-8</activeCodePage>"), std::string::npos);
  EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos);
}


TEST_F(CliTest, WritesChineseNamesToAConsoleAsCharacters) {
  make_image(L"照片.png");
  const ScreenBuffer screen;
  ASSERT_NE(screen.get(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(wait_for_exit(start_cli({L"照片.png"}, dir_.path(), screen.get(), screen.get())), 0u);
  const std::wstring line = screen.first_line(80);
  EXPECT_TRUE(line.starts_with(L"照片.png -> 照片-watermarked.png: 200x150")) << utf8(line);
}

// A logo from a real PNG with transparency: alone with --text "" or no --text, before the text
// with one, sized and shadowed as asked; an unreadable logo is named once and nothing is written.
TEST_F(CliTest, LogoAloneOrWithTextAndUnreadableLogosStopTheRun) {
  ASSERT_TRUE(save_pixels(Pixels{200, 150, std::vector<std::uint32_t>(200 * 150, 0xFF606060u)}, dir_.file(L"in.png"),
                          L"image/png"));
  Pixels logo{20, 20, std::vector<std::uint32_t>(400, 0x00000000u)};
  for (std::uint32_t y = 5; y < 15; ++y)
    for (std::uint32_t x = 0; x < 20; ++x) logo.argb[y * 20 + x] = 0xFFFF0000u;  // a red band, clear above and below
  ASSERT_TRUE(save_pixels(logo, dir_.file(L"logo.png"), L"image/png"));
  const auto red_pixels = [](const Pixels& pixels) {
    std::size_t count = 0;
    for (const std::uint32_t p : pixels.argb) count += ((p >> 16) & 0xFF) > 200 && ((p >> 8) & 0xFF) < 60;
    return count;
  };
  const auto white_pixels = [](const Pixels& pixels) {
    std::size_t count = 0;
    for (const std::uint32_t p : pixels.argb) count += (p & 0xFFFFFF) == 0xFFFFFF;
    return count;
  };
  const std::vector<std::wstring> common = {L"in.png", L"--logo", L"logo.png", L"--logo-size", L"40",
                                            L"--layout", L"center", L"--opacity", L"1", L"--color", L"FFFFFF",
                                            L"--rotation", L"0", L"--no-fit"};
  for (const auto& [extra, name] : {std::pair{std::vector<std::wstring>{L"--text", L""}, L"empty.png"},
                                    {std::vector<std::wstring>{}, L"none.png"}}) {
    std::vector<std::wstring> args = common;
    args.insert(args.end(), extra.begin(), extra.end());
    args.insert(args.end(), {L"-o", name});
    const CliRun run = this->run(args);
    ASSERT_EQ(run.exit_code, 0u) << utf8(run.err);
    const Pixels out = load(name);
    EXPECT_NEAR(static_cast<double>(red_pixels(out)), 40 * 20, 80) << "a 40 x 20 band";
    EXPECT_EQ(white_pixels(out), 0u) << "no text";
  }
  std::vector<std::wstring> args = common;
  args.insert(args.end(), {L"--text", L"Hi", L"--outline", L"2:#000000", L"--shadow", L"--shadow-offset", L"3,3",
                           L"-o", L"pair.png"});
  CliRun run = this->run(args);
  ASSERT_EQ(run.exit_code, 0u) << utf8(run.err);
  EXPECT_NEAR(static_cast<double>(red_pixels(load(L"pair.png"))), 40 * 20, 80);
  EXPECT_GT(white_pixels(load(L"pair.png")), 20u);

  write_bytes(dir_.file(L"broken.png"), {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
  make_image(L"second.png");
  run = this->run({L"in.png", L"second.png", L"--logo", L"broken.png", L"-o", L"out"});
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.out, L"");
  EXPECT_EQ(run.err, L"orvane-cli: Unable to read logo file: broken.png.\n") << utf8(run.err);
  EXPECT_FALSE(exists(L"out"));
}

}  // namespace
