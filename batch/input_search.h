#pragma once

// Turns the inputs of a command line (files, folders and wildcards) into the files they name,
// as Windows command-line tools do: the program expands * and ?, not the shell.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::batch {

// True when `name` matches `pattern`: * stands for any run of characters, ? for one, and
// letters match in either case, as file names do. "*.*" matches every name, as in cmd.
[[nodiscard]] bool wildcard_match(std::wstring_view pattern, std::wstring_view name);

// True when the last part of a path holds * or ? (a "\\?\" prefix does not count).
[[nodiscard]] bool has_wildcard(std::wstring_view path);

// True when a part before the last one holds * or ?, which no folder name can.
[[nodiscard]] bool has_wildcard_in_folder(std::wstring_view path);

// A path or name in the file system's letter case (upper, locale-free), for comparing and keys.
[[nodiscard]] std::wstring fold_case(std::wstring_view text);

// Case-insensitive equality of two paths, character by character as the file system compares.
[[nodiscard]] bool same_path_text(std::wstring_view a, std::wstring_view b);

enum class InputKind { File, Folder, Wildcard };

// One file an input stands for.
struct FoundFile {
  std::wstring path;          // as the user reads it: the input's folder as typed, then the path below it
  std::wstring relative;      // the path below the folder searched; for a named file, its name
  std::size_t argument = 0;   // index of the input it came from
  bool named = false;         // the input named this file itself
};

// What one input came to.
struct InputSearch {
  std::wstring argument;
  InputKind kind = InputKind::File;
  std::size_t files = 0;             // files it found (or 1 for a named file)
  std::size_t folders_not_searched = 0;  // sub-folders left alone because -r was not given
};

struct SearchOptions {
  bool recursive = false;
  std::wstring excluded_folder;            // full path of a sub-folder never searched (the -o folder)
  std::function<bool()> stop;              // polled between folders; true ends the search
  std::function<void(std::size_t)> found;  // told the running count of files found
};

struct SearchResult {
  std::vector<FoundFile> files;      // in the order of the inputs, then name order folder by folder
  std::vector<InputSearch> inputs;   // one per input
  bool stopped = false;
};

// Expands every input. Hidden and system files and folders and links to folders are left out.
// The caller has checked has_wildcard_in_folder.
[[nodiscard]] SearchResult search_inputs(const std::vector<std::wstring>& inputs, const SearchOptions& options);

}  // namespace orvane::batch
