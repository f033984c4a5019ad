#include "input_search.h"

#include <windows.h>

#include <algorithm>
#include <memory>

#include "file_identity.h"

namespace orvane::batch {
namespace {

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Where the last part of a path starts: after its last separator, or after "X:".
std::size_t last_part_start(std::wstring_view path) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (is_separator(path[i])) start = i + 1;
  }
  if (start == 0 && path.size() >= 2 && path[1] == L':') start = 2;
  return start;
}

// The characters after a "\\?\" or "\\.\" prefix, which holds a ? of its own.
std::wstring_view without_device_prefix(std::wstring_view path) {
  if (path.size() >= 4 && is_separator(path[0]) && is_separator(path[1]) && (path[2] == L'?' || path[2] == L'.') &&
      is_separator(path[3])) {
    return path.substr(4);
  }
  return path;
}

bool match_folded(std::wstring_view pattern, std::wstring_view name) {
  // Greedy matching with one backtrack point per star: linear in practice, never exponential.
  std::size_t p = 0, n = 0, star = std::wstring_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (star != std::wstring_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

struct FindCloser {
  void operator()(HANDLE handle) const noexcept { FindClose(handle); }
};

struct Entry {
  std::wstring name;
  bool folder = false;
};

// Sorts names as people and the file system compare them (letter case aside), ties by code unit.
bool name_before(const Entry& a, const Entry& b) {
  const int order = CompareStringOrdinal(a.name.c_str(), static_cast<int>(a.name.size()), b.name.c_str(),
                                         static_cast<int>(b.name.size()), TRUE);
  if (order != CSTR_EQUAL) return order == CSTR_LESS_THAN;
  return a.name < b.name;
}

// The visible files and folders of one folder, sorted; links to folders are not folders to enter.
std::vector<Entry> list_folder(const std::wstring& folder) {
  std::vector<Entry> entries;
  std::wstring pattern = folder;
  if (!pattern.empty() && !is_separator(pattern.back())) pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data{};
  HANDLE raw = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                FIND_FIRST_EX_LARGE_FETCH);
  if (raw == INVALID_HANDLE_VALUE) return entries;
  const std::unique_ptr<void, FindCloser> handle(raw);
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
    const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (folder && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
    entries.push_back(Entry{name, folder});
  } while (FindNextFileW(raw, &data));
  std::sort(entries.begin(), entries.end(), name_before);
  return entries;
}

class Searcher {
 public:
  Searcher(const SearchOptions& options, SearchResult& result) : options_(options), result_(result) {}

  // Files of `folder` (full path) whose names match `pattern`, then those of its sub-folders
  // when recursive. `shown` and `relative` are the folder as the user reads it and below the root.
  void search(const std::wstring& folder, const std::wstring& pattern, const std::wstring& shown,
              const std::wstring& relative, std::size_t argument, InputSearch& input) {
    if (result_.stopped || (options_.stop && options_.stop())) {
      result_.stopped = true;
      return;
    }
    const std::vector<Entry> entries = list_folder(folder);
    for (const Entry& entry : entries) {
      if (entry.folder || !wildcard_match(pattern, entry.name)) continue;
      result_.files.push_back(FoundFile{shown + entry.name, relative + entry.name, argument, false});
      ++input.files;
      if (options_.found) options_.found(result_.files.size());
    }
    for (const Entry& entry : entries) {
      if (!entry.folder) continue;
      const std::wstring sub = join(folder, entry.name);
      if (!options_.excluded_folder.empty() && same_path_text(sub, options_.excluded_folder)) continue;
      if (!options_.recursive) {
        ++input.folders_not_searched;
        continue;
      }
      search(sub, pattern, shown + entry.name + L'\\', relative + entry.name + L'\\', argument, input);
      if (result_.stopped) return;
    }
  }

  static std::wstring join(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && !is_separator(folder.back())) return folder + L'\\' + name;
    return folder + name;
  }

 private:
  const SearchOptions& options_;
  SearchResult& result_;
};

// The prefix files found under a typed folder are shown with: the folder as typed with one
// separator after it, or nothing for the current folder.
std::wstring shown_prefix(const std::wstring& typed) {
  if (typed.empty() || typed == L"." || typed == L".\\" || typed == L"./") return {};
  if (is_separator(typed.back()) || (typed.size() == 2 && typed[1] == L':')) return typed;
  return typed + L'\\';
}

}  // namespace

std::wstring fold_case(std::wstring_view text) {
  // The file system's case folding: upper case, unit by unit, free of any locale.
  std::wstring folded(text);
  if (!folded.empty()) {
    LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.data(), static_cast<int>(text.size()), folded.data(),
                  static_cast<int>(folded.size()), nullptr, nullptr, 0);
  }
  return folded;
}

bool wildcard_match(std::wstring_view pattern, std::wstring_view name) {
  if (pattern == L"*.*") pattern = L"*";
  return match_folded(fold_case(pattern), fold_case(name));
}

bool has_wildcard(std::wstring_view path) {
  path = without_device_prefix(path);
  return path.find_first_of(L"*?", last_part_start(path)) != std::wstring_view::npos;
}

bool has_wildcard_in_folder(std::wstring_view path) {
  path = without_device_prefix(path);
  const std::size_t start = last_part_start(path);
  return path.substr(0, start).find_first_of(L"*?") != std::wstring_view::npos;
}

bool same_path_text(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

SearchResult search_inputs(const std::vector<std::wstring>& inputs, const SearchOptions& options) {
  SearchResult result;
  Searcher searcher(options, result);
  for (std::size_t i = 0; i < inputs.size() && !result.stopped; ++i) {
    const std::wstring& typed = inputs[i];
    InputSearch input;
    input.argument = typed;
    if (has_wildcard(typed)) {
      input.kind = InputKind::Wildcard;
      const std::size_t start = last_part_start(typed);
      const std::wstring folder_typed = typed.substr(0, start);
      const std::wstring folder = engine::full_path(folder_typed.empty() ? std::wstring(L".") : folder_typed);
      searcher.search(folder, typed.substr(start), shown_prefix(folder_typed), L"", i, input);
    } else {
      const DWORD attributes = GetFileAttributesW(typed.c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        input.kind = InputKind::Folder;
        searcher.search(engine::full_path(typed), L"*", shown_prefix(typed), L"", i, input);
      } else {
        // A named file is taken as it is, even when missing: its failure is reported in its turn.
        const std::size_t start = last_part_start(typed);
        result.files.push_back(FoundFile{typed, typed.substr(start), i, true});
        input.files = 1;
      }
    }
    result.inputs.push_back(input);
  }
  return result;
}

}  // namespace orvane::batch
