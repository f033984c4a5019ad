// Presets through the real orvane-cli.exe: preset files, the user's presets in the registry and
// what the command line does over them, checked by comparing the written files.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_process.h"
#include "preset_store.h"
#include "test_support.h"
#include "watermark_options.h"

namespace {

namespace fs = std::filesystem;
using namespace orvane::test;

constexpr wchar_t kPresetsKey[] = L"Software\\Kestrune\\Orvane\\Presets";

// A mark with most settings away from the defaults.
const std::vector<std::wstring> kStudioMark = {
    L"--text", L"Studio \u5149", L"--color", L"00FF00", L"--size", L"9%", L"--layout", L"bottom-right",
    L"--rotation", L"0", L"--opacity", L"1", L"--margin", L"4", L"--outline", L"2:#000080", L"--shadow",
    L"--shadow-offset", L"3,3", L"--spacing-x", L"5%", L"--no-fit", L"--quality", L"80"};

std::vector<std::wstring> joined(std::vector<std::wstring> a, const std::vector<std::wstring>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class PresetCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(save_pixels(make_pattern(240, 160), dir_.file(L"in.png"), L"image/png"));
    remove_test_values();
  }
  void TearDown() override { remove_test_values(); }

  static void remove_test_values() {
    for (const wchar_t* name : {L"CLI Test \u5149", L"Renamed", L"Broken", L"Garbage"}) {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kPresetsKey, name);
    }
    // An empty store goes too: other suites reset the settings by deleting the program's key,
    // which a sub-key would keep alive.
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kPresetsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD sub_keys = 0, values = 0;
    const bool empty = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &sub_keys, nullptr, nullptr, &values, nullptr,
                                        nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                       sub_keys == 0 && values == 0;
    RegCloseKey(key);
    if (empty) RegDeleteKeyW(HKEY_CURRENT_USER, kPresetsKey);
  }

  CliRun run(const std::vector<std::wstring>& args) { return run_cli(args, dir_.path()); }
  std::vector<std::uint8_t> bytes(const std::wstring& name) const { return read_bytes(dir_.file(name)); }

  // Writes `output` from in.png with the mark given on the command line, as the reference.
  void export_explicitly(const std::vector<std::wstring>& mark, const std::wstring& output) {
    const CliRun made = run(joined(mark, {L"in.png", L"-o", output}));
    ASSERT_EQ(made.exit_code, 0u) << utf8(made.err);
  }

  GdiplusScope gdiplus_;
  TempDir dir_;
};

TEST_F(PresetCliTest, APresetFileGivesTheSameExportAsItsOptionsAndTheCommandLineOverridesIt) {
  // Saving alone writes no image and says so.
  CliRun saved = run(joined(kStudioMark, {L"--save-preset-file", L"studio.orvane.json"}));
  ASSERT_EQ(saved.exit_code, 0u) << utf8(saved.err);
  EXPECT_EQ(saved.out, L"saved the preset file \"studio.orvane.json\"\n");
  EXPECT_EQ(std::count_if(fs::directory_iterator(dir_.path()), fs::directory_iterator(),
                          [](const fs::directory_entry&) { return true; }),
            2) << "in.png and the preset, nothing else";

  export_explicitly(kStudioMark, L"explicit.png");
  CliRun from_preset = run({L"--preset-file", L"studio.orvane.json", L"in.png", L"-o", L"preset.png"});
  ASSERT_EQ(from_preset.exit_code, 0u) << utf8(from_preset.err);
  EXPECT_EQ(bytes(L"preset.png"), bytes(L"explicit.png"));

  // An option given on the command line wins over the preset's value, whatever its place.
  export_explicitly(joined(kStudioMark, {L"--color", L"FF0000", L"--layout", L"top-left"}), L"explicit-red.png");
  CliRun overridden = run({L"--color", L"FF0000", L"--preset-file", L"studio.orvane.json", L"in.png", L"--layout",
                           L"top-left", L"-o", L"preset-red.png"});
  ASSERT_EQ(overridden.exit_code, 0u) << utf8(overridden.err);
  EXPECT_EQ(bytes(L"preset-red.png"), bytes(L"explicit-red.png"));
  EXPECT_NE(bytes(L"preset-red.png"), bytes(L"preset.png"));

  // A preset saved from a preset plus an override is the override's preset.
  saved = run({L"--preset-file", L"studio.orvane.json", L"--color", L"FF0000", L"--layout", L"top-left", L"-q",
               L"--save-preset-file", L"red.orvane.json"});
  ASSERT_EQ(saved.exit_code, 0u) << utf8(saved.err);
  EXPECT_EQ(saved.out, L"");
  ASSERT_EQ(run({L"--preset-file", L"red.orvane.json", L"in.png", L"-o", L"red-again.png"}).exit_code, 0u);
  EXPECT_EQ(bytes(L"red-again.png"), bytes(L"explicit-red.png"));

  // A broken, a future and a missing preset stop the run before any image is written; so does a
  // save that cannot be made; two presets are bad usage.
  write_bytes(dir_.file(L"broken.orvane.json"), {'{', '"', 'f', 'o'});
  const std::vector<std::uint8_t> studio = bytes(L"studio.orvane.json");
  std::string future(studio.begin(), studio.end());
  future.replace(future.find("\"version\": 1"), 12, "\"version\": 9");
  write_bytes(dir_.file(L"future.orvane.json"), std::vector<std::uint8_t>(future.begin(), future.end()));
  const std::pair<std::wstring, std::wstring> faults[] = {
      {L"broken.orvane.json", L"Preset file \"broken.orvane.json\": The preset is not valid JSON"},
      {L"future.orvane.json", L"was written by a newer version of Orvane"},
      {L"missing.orvane.json", L"Preset file \"missing.orvane.json\" does not exist."},
  };
  for (const auto& [file, message] : faults) {
    const CliRun refused = run({L"--preset-file", file, L"in.png", L"-o", L"never.png"});
    EXPECT_EQ(refused.exit_code, 1u) << utf8(file);
    EXPECT_TRUE(contains(refused.err, message)) << utf8(refused.err);
    EXPECT_FALSE(fs::exists(dir_.file(L"never.png")));
  }
  const CliRun unsaved = run({L"--save-preset-file", L"no folder\\p.orvane.json"});
  EXPECT_EQ(unsaved.exit_code, 1u);
  EXPECT_TRUE(contains(unsaved.err, L"cannot be written")) << utf8(unsaved.err);
  EXPECT_EQ(run({L"--preset", L"a", L"--preset-file", L"studio.orvane.json", L"in.png"}).exit_code, 2u);
  EXPECT_EQ(run({L"--save-preset", std::wstring(65, L'x')}).exit_code, 2u);
}

TEST_F(PresetCliTest, UserPresetsLiveInTheRegistryAndBadValuesAreSkipped) {
  CliRun saved = run(joined(kStudioMark, {L"--save-preset", L"CLI Test \u5149"}));
  ASSERT_EQ(saved.exit_code, 0u) << utf8(saved.err);
  EXPECT_EQ(saved.out, L"saved the preset \"CLI Test \u5149\"\n");

  // A REG_SZ value named after the preset, holding its document.
  wchar_t text[8192] = {};
  DWORD size = sizeof(text);
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, kPresetsKey, L"CLI Test \u5149", RRF_RT_REG_SZ, nullptr, text, &size),
            ERROR_SUCCESS);
  EXPECT_TRUE(contains(text, L"\"format\": \"orvane-preset\"")) << utf8(text);
  EXPECT_TRUE(contains(text, L"\"text\": \"Studio \u5149\"")) << utf8(text);

  // Loaded by name in any letter case, it exports what its options export.
  export_explicitly(kStudioMark, L"explicit.png");
  const CliRun loaded = run({L"--preset", L"cli test \u5149", L"in.png", L"-o", L"preset.png"});
  ASSERT_EQ(loaded.exit_code, 0u) << utf8(loaded.err);
  EXPECT_EQ(bytes(L"preset.png"), bytes(L"explicit.png"));

  // Values that are no presets are left out of the list and refused by name, never fatal.
  const DWORD number = 5;
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kPresetsKey, L"Broken", REG_DWORD, &number, sizeof(number)),
            ERROR_SUCCESS);
  const wchar_t garbage[] = L"{\"format\": \"orvane-preset\", \"vers";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kPresetsKey, L"Garbage", REG_SZ, garbage, sizeof(garbage)),
            ERROR_SUCCESS);
  orvane::engine::PresetStore store;
  std::vector<std::wstring> names = store.list();
  EXPECT_NE(std::find(names.begin(), names.end(), L"CLI Test \u5149"), names.end());
  EXPECT_EQ(std::find(names.begin(), names.end(), L"Garbage"), names.end());
  EXPECT_EQ(std::find(names.begin(), names.end(), L"Broken"), names.end());
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(a.c_str(), b.c_str()) < 0;
  }));
  orvane::engine::WatermarkOptions options;
  std::wstring error;
  EXPECT_FALSE(store.load(L"Garbage", options, error));
  EXPECT_TRUE(contains(error, L"The preset \"Garbage\" cannot be read: The preset is not valid JSON")) << utf8(error);
  EXPECT_FALSE(store.load(L"Broken", options, error));
  EXPECT_TRUE(contains(error, L"not stored as text")) << utf8(error);
  const CliRun refused = run({L"--preset", L"Nobody", L"in.png", L"-o", L"never.png"});
  EXPECT_EQ(refused.exit_code, 1u);
  EXPECT_EQ(refused.err, L"orvane-cli: There is no preset named \"Nobody\".\n") << utf8(refused.err);

  // Renamed onto a taken name it is refused; renamed freely it keeps its settings; removed, it is gone.
  EXPECT_FALSE(store.rename(L"CLI Test \u5149", L"garbage", error));
  EXPECT_TRUE(contains(error, L"already exists")) << utf8(error);
  ASSERT_TRUE(store.rename(L"CLI Test \u5149", L"Renamed", error)) << utf8(error);
  names = store.list();
  EXPECT_EQ(std::find(names.begin(), names.end(), L"CLI Test \u5149"), names.end());
  ASSERT_EQ(run({L"--preset", L"Renamed", L"in.png", L"-o", L"renamed.png"}).exit_code, 0u);
  EXPECT_EQ(bytes(L"renamed.png"), bytes(L"explicit.png"));
  ASSERT_TRUE(store.remove(L"Renamed", error)) << utf8(error);
  EXPECT_FALSE(store.load(L"Renamed", options, error));
}

TEST_F(PresetCliTest, APresetWhoseLogoIsGoneWarnsAndStampsItsText) {
  ASSERT_TRUE(save_pixels(Pixels{16, 16, std::vector<std::uint32_t>(256, 0xFFFF0000u)}, dir_.file(L"logo.png"),
                          L"image/png"));
  const std::vector<std::wstring> mark = {L"--text", L"Proof", L"--layout", L"center", L"--rotation", L"0",
                                          L"--opacity", L"1"};
  ASSERT_EQ(run(joined(mark, {L"--logo", L"logo.png", L"--save-preset-file", L"logo.orvane.json"})).exit_code, 0u);
  ASSERT_TRUE(DeleteFileW(dir_.file(L"logo.png").c_str()));

  export_explicitly(mark, L"text-only.png");
  const CliRun run = this->run({L"--preset-file", L"logo.orvane.json", L"in.png", L"-o", L"fallback.png"});
  ASSERT_EQ(run.exit_code, 0u) << utf8(run.err);
  EXPECT_EQ(run.err, L"orvane-cli: warning: the preset's logo \"logo.png\" is missing; the text is stamped without it\n")
      << utf8(run.err);
  EXPECT_EQ(bytes(L"fallback.png"), bytes(L"text-only.png"));
}

}  // namespace
