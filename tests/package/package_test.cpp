// The packages as a user gets them: the setup program installed silently into this prefix, its
// files, shortcut and registrations checked, the installed program started on a photo, then
// uninstalled without a trace; and the portable zip's programs run from the folder it unpacked to.
// The fixture that runs before this suite builds the packages and unpacks the zip.

#include <windows.h>

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "desktop.h"
#include "orvane_version.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace orvane::test;

constexpr const wchar_t* uninstall_key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvane";
constexpr const wchar_t* preferences_key = L"Software\\Kestrune\\Orvane";
constexpr const wchar_t* application_key = L"Software\\Classes\\Applications\\orvane.exe";
constexpr const wchar_t* progid_key = L"Software\\Classes\\Orvane.Image";
// The types the program reads, as its command line's folder search takes them.
const std::set<std::wstring> image_types{L".png", L".jpg", L".jpeg", L".jpe", L".jfif",
                                         L".bmp", L".dib", L".gif", L".tif", L".tiff"};
const std::vector<std::wstring> installed_files{L"orvane.exe", L"orvane-cli.exe", L"README.txt", L"LICENSE.txt",
                                                L"THIRD-PARTY-NOTICES.txt", L"uninstall.exe"};

fs::path package_dir() { return fs::path(ORVANE_PACKAGE_DIR).make_preferred(); }

struct HandleCloser {
  void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct KeyCloser {
  void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

std::string narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

fs::path known_folder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  fs::path result;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) result = path;
  CoTaskMemFree(path);
  return result;
}

fs::path default_install_dir() { return known_folder(FOLDERID_LocalAppData) / L"Programs" / L"Orvane"; }
fs::path shortcut_path() { return known_folder(FOLDERID_Programs) / L"Orvane.lnk"; }

UniqueHandle start(const std::wstring& command_line, const fs::path& folder = {}) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  std::wstring line = command_line;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    return nullptr;
  }
  CloseHandle(info.hThread);
  return UniqueHandle(info.hProcess);
}

// Runs a program to its end; the exit code, or -1 when it did not start or end within two minutes.
long run(const std::wstring& command_line, const fs::path& folder = {}) {
  const UniqueHandle process = start(command_line, folder);
  if (!process || WaitForSingleObject(process.get(), 120000) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  return static_cast<long>(code);
}

// Runs a console program with its standard output on a pipe; the output, or "<failed>".
std::string output_of(const std::wstring& command_line, const fs::path& folder, long& exit_code) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!CreatePipe(&read, &write, &inherit, 0)) return "<failed>";
  const UniqueHandle read_end(read);
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write;
  startup.hStdError = write;
  startup.hStdInput = nullptr;
  PROCESS_INFORMATION info{};
  std::wstring line = command_line;
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                      folder.c_str(), &startup, &info);
  CloseHandle(write);
  if (!started) return "<failed>";
  CloseHandle(info.hThread);
  const UniqueHandle process(info.hProcess);
  std::string out;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(read, buffer, sizeof(buffer), &got, nullptr) && got > 0) out.append(buffer, got);
  WaitForSingleObject(process.get(), 120000);
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  exit_code = static_cast<long>(code);
  return out;
}

bool wait_until(const std::function<bool()>& done, int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

bool key_exists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// A text value, or "<missing>".
std::wstring text_value(HKEY root, const std::wstring& path, const wchar_t* name) {
  DWORD size = 0;
  if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, nullptr,
                   &size) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  std::wstring value(size / sizeof(wchar_t), L'\0');
  if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                   value.data(), &size) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  value.resize(size / sizeof(wchar_t));
  while (!value.empty() && value.back() == L'\0') value.pop_back();
  return value;
}

bool value_exists(HKEY root, const std::wstring& path, const wchar_t* name) {
  return RegGetValueW(root, path.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::set<std::wstring> value_names(HKEY root, const std::wstring& path) {
  std::set<std::wstring> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  const UniqueKey owner(key);
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.insert(name);
  }
  return names;
}

// The entries of the PATH that name `folder`.
int path_entries_naming(const std::wstring& path, const fs::path& folder) {
  int count = 0;
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = std::min(path.find(L';', start), path.size());
    if (lstrcmpiW(path.substr(start, end - start).c_str(), folder.c_str()) == 0) ++count;
    start = end + 1;
  }
  return count;
}

fs::path shortcut_target(const fs::path& link) {
  IShellLinkW* shell_link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&shell_link)))) {
    return L"<no shell link>";
  }
  fs::path target = L"<unreadable>";
  IPersistFile* file = nullptr;
  if (SUCCEEDED(shell_link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t path[MAX_PATH]{};
    if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) &&
        SUCCEEDED(shell_link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH))) {
      target = path;
    }
    file->Release();
  }
  shell_link->Release();
  return target;
}

// A string of a file's version information, or "<missing>".
std::wstring version_value(const std::vector<std::uint8_t>& block, const wchar_t* table, const wchar_t* name) {
  void* data = nullptr;
  UINT length = 0;
  const std::wstring query = std::wstring(L"\\StringFileInfo\\") + table + L"\\" + name;
  return VerQueryValueW(block.data(), query.c_str(), &data, &length) && data != nullptr
             ? std::wstring(static_cast<const wchar_t*>(data))
             : std::wstring(L"<missing>");
}

struct WindowSearch {
  DWORD process_id;
  HWND found;
};

// The visible main window of a process, or null after 30 s.
HWND wait_for_main_window(DWORD process_id) {
  WindowSearch search{process_id, nullptr};
  wait_until(
      [&] {
        EnumWindows(
            [](HWND window, LPARAM parameter) -> BOOL {
              auto* s = reinterpret_cast<WindowSearch*>(parameter);
              DWORD owner = 0;
              GetWindowThreadProcessId(window, &owner);
              wchar_t name[64]{};
              GetClassNameW(window, name, 64);
              if (owner == s->process_id && IsWindowVisible(window) &&
                  std::wstring(name) == L"Win32UiScaffoldWindow_v1") {
                s->found = window;
                return FALSE;
              }
              return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      30000);
  return search.found;
}

// Starts orvane.exe by `command_line`, sees its main window, keeps a picture of it once the photo
// had time to show, and closes it.
void sees_the_window(const std::wstring& command_line, const std::wstring& picture) {
  const UniqueHandle process = start(command_line);
  ASSERT_TRUE(process) << narrow(command_line);
  const HWND window = wait_for_main_window(GetProcessId(process.get()));
  EXPECT_NE(window, nullptr) << "no window from " << narrow(command_line);
  if (window != nullptr) {
    std::this_thread::sleep_for(std::chrono::seconds(2));
    wchar_t title[256]{};
    GetWindowTextW(window, title, 256);
    EXPECT_NE(std::wstring(title).find(L"Orvane"), std::wstring::npos) << narrow(title);
    static_cast<void>(save_pixels(desktop::capture_client(window),
                                  std::wstring(L"" ARTEFACT_DIR) + L"/" + picture, L"image/png"));
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(process.get(), 15000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "orvane.exe did not close when asked";
    TerminateProcess(process.get(), 1);
  }
}

std::wstring in_quotes(const fs::path& path) { return L"\"" + path.wstring() + L"\""; }

fs::path setup(const wchar_t* name) { return package_dir() / name; }

// What the installer leaves in the registry, the Start menu and the install folder.
struct Installation {
  bool folder = false;
  bool shortcut = false;
  bool uninstall_entry = false;
  bool application = false;
  bool progid = false;
  int open_with = 0;  // types whose "Open with" list names Orvane
};

// Where an installation for one user, or for all users, puts its parts.
struct Scope {
  HKEY root;
  fs::path folder;
  fs::path shortcut;
};

Scope for_the_user(const fs::path& folder = default_install_dir()) { return {HKEY_CURRENT_USER, folder, shortcut_path()}; }

Installation installation(const Scope& scope) {
  Installation found;
  found.folder = fs::exists(scope.folder);
  found.shortcut = fs::exists(scope.shortcut);
  found.uninstall_entry = key_exists(scope.root, uninstall_key);
  found.application = key_exists(scope.root, application_key);
  found.progid = key_exists(scope.root, progid_key);
  for (const std::wstring& type : image_types) {
    found.open_with +=
        value_exists(scope.root, L"Software\\Classes\\" + type + L"\\OpenWithProgids", L"Orvane.Image");
  }
  return found;
}

bool nothing_left(const Installation& found) {
  return !found.folder && !found.shortcut && !found.uninstall_entry && !found.application && !found.progid &&
         found.open_with == 0;
}

std::string left_over(const Installation& found) {
  std::string text;
  if (found.folder) text += " the install folder;";
  if (found.shortcut) text += " the shortcut;";
  if (found.uninstall_entry) text += " the uninstall entry;";
  if (found.application) text += " the Applications key;";
  if (found.progid) text += " the ProgID;";
  if (found.open_with > 0) text += " " + std::to_string(found.open_with) + " \"Open with\" entries;";
  return text;
}

// Runs the uninstaller as the quiet uninstall string says. It hands over to a copy of itself and
// returns, so the test waits for the uninstall entry, which goes last, and then for the rest.
void uninstall_quietly(const Scope& scope, const std::wstring& extra = L"") {
  const std::wstring command = text_value(scope.root, uninstall_key, L"QuietUninstallString");
  ASSERT_NE(command, L"<missing>");
  ASSERT_EQ(run(command + extra), 0) << narrow(command);
  EXPECT_TRUE(wait_until([&] { return !key_exists(scope.root, uninstall_key); }, 60000));
  EXPECT_TRUE(wait_until([&] { return nothing_left(installation(scope)); }, 1000))
      << "left after the uninstaller ended:" << left_over(installation(scope));
}

class Installer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(setup(L"setup.exe"))) << "the packages were not built";
    // A run stopped half-way leaves an installation: it goes first.
    if (key_exists(HKEY_CURRENT_USER, uninstall_key)) uninstall_quietly(for_the_user());
    path_before_ = text_value(HKEY_CURRENT_USER, L"Environment", L"Path");
    RegSetKeyValueW(HKEY_CURRENT_USER, preferences_key, L"Language", REG_DWORD, &english_, sizeof(english_));
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, preferences_key); }

  std::wstring path_before_;
  DWORD english_ = 1;
  TempDir photos_;
};

TEST_F(Installer, InstallsForTheUserSilentlyTwiceAndUninstallsWithoutATraceButThePreferences) {
  const fs::path folder = default_install_dir();
  const std::wstring png_default_before = text_value(HKEY_CLASSES_ROOT, L".png", nullptr);
  // Twice: the second runs over the first and leaves one of everything.
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(run(in_quotes(setup(L"setup.exe")) + L" /S /PATH"), 0);
  }

  for (const std::wstring& name : installed_files) EXPECT_TRUE(fs::exists(folder / name)) << narrow(name);
  EXPECT_EQ(fs::path(shortcut_target(shortcut_path())).make_preferred(), folder / L"orvane.exe");
  // Per user although Wine's user is an administrator: nothing for all users.
  EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, uninstall_key));
  EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, application_key));

  const std::wstring exe = (folder / L"orvane.exe").wstring();
  const std::wstring uninstaller = in_quotes(folder / L"uninstall.exe");
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, uninstall_key, L"DisplayName"), L"Orvane");
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, uninstall_key, L"DisplayVersion"), ORVANE_VERSION_WIDE_TEXT);
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, uninstall_key, L"Publisher"), L"Kestrune");
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, uninstall_key, L"DisplayIcon"), exe + L",0");
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, uninstall_key, L"UninstallString"), uninstaller);
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, uninstall_key, L"QuietUninstallString"), uninstaller + L" /S");
  DWORD size_kb = 0;
  DWORD bytes = sizeof(size_kb);
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, uninstall_key, L"EstimatedSize", RRF_RT_REG_DWORD, nullptr, &size_kb,
                         &bytes),
            ERROR_SUCCESS);
  double folder_kb = 0;
  for (const std::wstring& name : installed_files) folder_kb += static_cast<double>(fs::file_size(folder / name)) / 1024;
  EXPECT_NEAR(static_cast<double>(size_kb), folder_kb, folder_kb / 20) << "the size should be the folder's, in KB";

  // "Open with" for every type the program reads, and no type's default taken over.
  EXPECT_EQ(value_names(HKEY_CURRENT_USER, std::wstring(application_key) + L"\\SupportedTypes"), image_types);
  EXPECT_EQ(installation(for_the_user()).open_with, static_cast<int>(image_types.size()));
  EXPECT_EQ(text_value(HKEY_CLASSES_ROOT, L".png", nullptr), png_default_before);
  const std::wstring open_command =
      text_value(HKEY_CURRENT_USER, std::wstring(progid_key) + L"\\shell\\open\\command", nullptr);
  EXPECT_EQ(open_command, L"\"" + exe + L"\" \"%1\"");
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, std::wstring(application_key) + L"\\shell\\open\\command", nullptr),
            open_command);
  EXPECT_EQ(path_entries_naming(text_value(HKEY_CURRENT_USER, L"Environment", L"Path"), folder), 1);

  // The program starts as "Open with" starts it, on a photo.
  const std::wstring photo = photos_.file(L"holiday.jpg");
  ASSERT_TRUE(save_pixels(make_pattern(640, 480), photo, L"image/jpeg"));
  std::wstring command = open_command;
  command.replace(command.find(L"%1"), 2, photo);
  sees_the_window(command, L"installed_orvane.png");

  uninstall_quietly(for_the_user());
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, L"Environment", L"Path"), path_before_);
  EXPECT_TRUE(value_exists(HKEY_CURRENT_USER, preferences_key, L"Language")) << "the preferences went too";
}

TEST_F(Installer, ReplacesAnOlderVersionInAnotherFolderAndUninstallsAPartlyDeletedFolder) {
  const fs::path old_folder = photos_.path() / L"Old Orvane";
  ASSERT_EQ(run(in_quotes(setup(L"older-setup.exe")) + L" /S /D=" + old_folder.wstring()), 0);
  EXPECT_TRUE(fs::exists(old_folder / L"orvane.exe"));
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, uninstall_key, L"DisplayVersion"), L"0.9.0");

  // The newer one goes where it is told; the older folder and its entry go.
  const fs::path folder = default_install_dir();
  ASSERT_EQ(run(in_quotes(setup(L"setup.exe")) + L" /S /D=" + folder.wstring()), 0);
  EXPECT_FALSE(fs::exists(old_folder));
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, uninstall_key, L"DisplayVersion"), ORVANE_VERSION_WIDE_TEXT);
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, uninstall_key, L"InstallLocation"), folder.wstring());
  for (const std::wstring& name : installed_files) EXPECT_TRUE(fs::exists(folder / name)) << narrow(name);

  // Part of the folder deleted by hand; asked to, the uninstaller takes the preferences too.
  fs::remove(folder / L"orvane.exe");
  fs::remove(folder / L"README.txt");
  uninstall_quietly(for_the_user(), L" /REMOVESETTINGS");
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, preferences_key));
}

// Asked to, an administrator installs for everyone: Program Files, the common Start menu and HKLM,
// and the uninstaller finds that out by itself.
TEST_F(Installer, InstallsForAllUsersWhenAskedAndRemovesThatToo) {
  if (!IsUserAnAdmin()) GTEST_SKIP() << "installing for all users needs an elevated administrator";
  const Scope everyone{HKEY_LOCAL_MACHINE, known_folder(FOLDERID_ProgramFiles) / L"Orvane",
                       known_folder(FOLDERID_CommonPrograms) / L"Orvane.lnk"};
  ASSERT_EQ(run(in_quotes(setup(L"setup.exe")) + L" /S /ALLUSERS"), 0);
  const Installation found = installation(everyone);
  EXPECT_TRUE(found.folder && found.shortcut && found.uninstall_entry && found.application && found.progid)
      << "missing for all users:" << left_over(Installation{!found.folder, !found.shortcut, !found.uninstall_entry,
                                                            !found.application, !found.progid, 0});
  EXPECT_EQ(found.open_with, static_cast<int>(image_types.size()));
  EXPECT_TRUE(fs::exists(everyone.folder / L"orvane-cli.exe"));
  EXPECT_EQ(text_value(HKEY_LOCAL_MACHINE, uninstall_key, L"DisplayVersion"), ORVANE_VERSION_WIDE_TEXT);
  EXPECT_TRUE(nothing_left(installation(for_the_user()))) << "also for the user:" << left_over(installation(for_the_user()));
  uninstall_quietly(everyone);
}

// Run by hand, the installer shows its choices; closing it installs nothing.
TEST_F(Installer, ShowsItsChoicesWhenRunByHandAndInstallsNothingWhenClosed) {
  const UniqueHandle process = start(in_quotes(setup(L"setup.exe")));
  ASSERT_TRUE(process);
  const DWORD id = GetProcessId(process.get());
  HWND window = nullptr;
  wait_until(
      [&] {
        window = FindWindowW(L"#32770", nullptr);
        DWORD owner = 0;
        if (window != nullptr) GetWindowThreadProcessId(window, &owner);
        return window != nullptr && owner == id && IsWindowVisible(window);
      },
      30000);
  ASSERT_NE(window, nullptr) << "no installer window";
  std::this_thread::sleep_for(std::chrono::seconds(1));
  wchar_t title[256]{};
  GetWindowTextW(window, title, 256);
  EXPECT_NE(std::wstring(title).find(L"Orvane"), std::wstring::npos) << narrow(title);
  static_cast<void>(save_pixels(desktop::capture_client(window), std::wstring(L"" ARTEFACT_DIR) + L"/installer_choices.png",
                                L"image/png"));
  PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.get(), 15000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "the installer did not close";
    TerminateProcess(process.get(), 1);
  }
  EXPECT_TRUE(nothing_left(installation(for_the_user()))) << left_over(installation(for_the_user()));

  // Its own Properties name the product, its publisher and version.
  const std::wstring path = setup(L"setup.exe").wstring();
  std::vector<std::uint8_t> block(GetFileVersionInfoSizeW(path.c_str(), nullptr));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  EXPECT_EQ(version_value(block, L"040904b0", L"ProductName"), L"Orvane");
  EXPECT_EQ(version_value(block, L"040904b0", L"CompanyName"), L"Kestrune");
  EXPECT_EQ(version_value(block, L"040904b0", L"ProductVersion"), ORVANE_VERSION_WIDE_TEXT);
}

// The portable folder: the programs run from wherever it was unpacked and write nothing there.
TEST(Portable, RunsFromTheUnpackedFolderAndWritesNothingBesideItself) {
  const fs::path folder = package_dir() / L"portable" / (L"Orvane-" ORVANE_VERSION_WIDE_TEXT L"-win64");
  auto listing = [&] {
    std::map<std::wstring, std::uintmax_t> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      files[fs::relative(entry.path(), folder).wstring()] = entry.is_regular_file() ? entry.file_size() : 0;
    }
    return files;
  };
  const auto before = listing();
  EXPECT_EQ(before.size(), 5u);
  for (const wchar_t* name : {L"orvane.exe", L"orvane-cli.exe", L"README.txt", L"LICENSE.txt",
                              L"THIRD-PARTY-NOTICES.txt"}) {
    EXPECT_EQ(before.count(name), 1u) << narrow(name);
  }
  // The texts have Windows line ends.
  const std::vector<std::uint8_t> readme = read_bytes((folder / L"README.txt").wstring());
  const std::string text(readme.begin(), readme.end());
  EXPECT_EQ(text.rfind("# Orvane\r\n", 0), 0u);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(text.begin(), text.end(), '\r'));

  TempDir work;
  long code = -1;
  std::string version = output_of(in_quotes(folder / L"orvane-cli.exe") + L" --version", work.path(), code);
  while (!version.empty() && (version.back() == '\n' || version.back() == '\r')) version.pop_back();
  EXPECT_EQ(version, "orvane-cli " ORVANE_VERSION_TEXT);
  EXPECT_EQ(code, 0);
  const std::wstring photo = work.file(L"street.jpg");
  ASSERT_TRUE(save_pixels(make_pattern(800, 600), photo, L"image/jpeg"));
  const std::string report = output_of(in_quotes(folder / L"orvane-cli.exe") + L" --text Proof --opacity 1 " +
                                           in_quotes(photo) + L" -o " + in_quotes(work.path() / L"street-proof.png"),
                                       work.path(), code);
  EXPECT_EQ(code, 0) << report;
  const Pixels stamped = load_pixels(work.file(L"street-proof.png"));
  EXPECT_EQ(stamped.width, 800u);
  EXPECT_GT(max_channel_difference(stamped, load_pixels(photo)), 100) << "no watermark on the copy";

  sees_the_window(in_quotes(folder / L"orvane.exe") + L" " + in_quotes(photo), L"portable_orvane.png");
  EXPECT_EQ(listing(), before);

  // Explorer's Properties: the shipped programs carry their version, product and publisher.
  for (const wchar_t* name : {L"orvane.exe", L"orvane-cli.exe"}) {
    const std::wstring path = (folder / name).wstring();
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    ASSERT_GT(size, 0u) << narrow(name);
    std::vector<std::uint8_t> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
    auto value = [&](const wchar_t* key) { return version_value(block, L"080404B0", key); };
    EXPECT_EQ(value(L"FileVersion"), ORVANE_VERSION_WIDE_TEXT) << narrow(name);
    EXPECT_EQ(value(L"ProductName"), L"Orvane") << narrow(name);
    EXPECT_EQ(value(L"CompanyName"), L"Kestrune") << narrow(name);
  }
}

}  // namespace

int main(int argc, char** argv) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  GdiplusScope gdiplus;
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  CoUninitialize();
  return result;
}
