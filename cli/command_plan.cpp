#include "command_plan.h"

#include <windows.h>

#include <filesystem>
#include <unordered_set>

#include "file_identity.h"
#include "input_search.h"

namespace orvane::cli {

using namespace orvane::batch;

namespace {

namespace fs = std::filesystem;

bool ends_with_separator(const std::wstring& path) {
  return !path.empty() && (path.back() == L'\\' || path.back() == L'/');
}

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// The attributes of what a path names, a trailing separator aside ("name.jpg\" is the file
// name.jpg, which then cannot be the folder the separator asks for).
DWORD attributes_of(std::wstring path) {
  while (path.size() > 1 && ends_with_separator(path) && path[path.size() - 2] != L':') path.pop_back();
  return GetFileAttributesW(path.c_str());
}

// The parent of a relative path below a searched folder, "" for a file directly in it.
std::wstring relative_folder(const std::wstring& relative) {
  const auto slash = relative.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : relative.substr(0, slash + 1);
}

}  // namespace

PlanOutcome make_plan(const CliArguments& arguments, const PlanProgress& progress, batch::Plan& plan,
                      std::vector<std::wstring>& errors) {
  plan = Plan{};
  for (const std::wstring& input : arguments.inputs) {
    if (has_wildcard_in_folder(input)) {
      errors.push_back(L"wildcards work in the last part of a path only, not in folder names: " + quoted(input));
    }
  }
  if (!errors.empty()) return PlanOutcome::BadUsage;

  // Where the copies go: beside their inputs, into one file, or into a folder.
  const std::wstring& output = arguments.output;
  bool several = arguments.inputs.size() > 1;
  for (const std::wstring& input : arguments.inputs) {
    const DWORD attributes = GetFileAttributesW(input.c_str());
    if (has_wildcard(input) || (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))) {
      several = true;
    }
  }
  bool into_folder = false;
  if (!output.empty()) {
    const DWORD attributes = attributes_of(output);
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    const bool is_folder = exists && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (several || ends_with_separator(output) || is_folder) {
      if (exists && !is_folder) {
        errors.push_back(several ? L"-o must name a folder when several inputs, a folder or a wildcard are given; " +
                                       quoted(output) + L" is a file"
                                 : L"-o " + quoted(output) +
                                       L" ends with a path separator, so it names a folder, but it is a file");
        return PlanOutcome::BadUsage;
      }
      into_folder = true;
      plan.output_folder = engine::full_path(output);
      plan.output_folder_missing = !exists;
    }
  }

  SearchOptions search;
  search.recursive = arguments.recursive;
  search.excluded_folder = plan.output_folder;
  search.stop = progress.stop;
  search.found = progress.found;
  const SearchResult found = search_inputs(arguments.inputs, search);
  if (found.stopped) return PlanOutcome::Stopped;

  // Every file with its output, in order.
  std::vector<PlanItem> items;
  items.reserve(found.files.size());
  for (const FoundFile& file : found.files) {
    PlanItem item;
    item.input = file.path;
    item.input_full = engine::full_path(file.path);
    item.named = file.named;
    if (!file.named && !has_image_extension(file.relative)) {
      item.kind = ItemKind::NotImage;
      item.message = L"skipped: not an image Orvane reads";
      items.push_back(std::move(item));
      continue;
    }
    fs::path target;
    if (output.empty()) {
      target = fs::path(file.path).parent_path() / default_output_name(file.path);
    } else if (into_folder) {
      target = fs::path(output);
      if (!file.named) target /= relative_folder(file.relative);
      target /= default_output_name(file.relative);
      item.make_folder = !file.named && !relative_folder(file.relative).empty();
    } else {
      target = output;
    }
    item.output = target.wstring();
    item.output_full = engine::full_path(item.output);
    items.push_back(std::move(item));
  }

  // A found file that is a copy this command makes of another found file is not an input: a
  // second run over a folder does not watermark the first run's copies.
  std::unordered_set<std::wstring> found_outputs;
  for (const PlanItem& item : items) {
    if (item.kind == ItemKind::Image && !item.named) found_outputs.insert(fold_case(item.output_full));
  }
  // One input named twice (or found by two inputs) is worked on once, where it first appears.
  std::unordered_set<std::wstring> seen_inputs;
  std::vector<std::size_t> images_per_input(found.inputs.size(), 0);
  std::vector<PlanItem> kept;
  kept.reserve(items.size());
  std::size_t file_index = 0;
  for (PlanItem& item : items) {
    const std::size_t argument = found.files[file_index++].argument;
    const std::wstring key = fold_case(item.input_full);
    if (!item.named && found_outputs.contains(key)) continue;
    if (item.kind == ItemKind::Image) ++images_per_input[argument];
    if (!seen_inputs.insert(key).second) continue;
    kept.push_back(std::move(item));
  }
  items = std::move(kept);

  // No two inputs may share an output; all such pairs are reported before anything is done.
  for (const Collision& collision : find_collisions(items)) {
    const PlanItem& first = items[collision.first];
    const PlanItem& second = items[collision.second];
    errors.push_back(quoted(first.input) + L" and " + quoted(second.input) +
                     L" would both be written to " + quoted(second.output) + L"; nothing was written");
  }
  if (!errors.empty()) return PlanOutcome::BadUsage;

  // The images are numbered in the batch's fixed order, before it is sliced, so that every slice
  // and every number of jobs gives each image the same number.
  plan.input_paths = number_images(items);

  // Folders and wildcards that found no image fail, in every slice alike.
  for (std::size_t i = 0; i < found.inputs.size(); ++i) {
    const InputSearch& input = found.inputs[i];
    if (input.kind == InputKind::File || images_per_input[i] > 0) continue;
    PlanItem nothing;
    nothing.kind = ItemKind::Nothing;
    nothing.input = input.argument;
    if (input.kind == InputKind::Wildcard && input.files == 0) {
      nothing.message = L"no file matches";
    } else {
      nothing.message = L"no image found";
    }
    if (input.folders_not_searched > 0) {
      nothing.message += L" (-r also searches its " + std::to_wstring(input.folders_not_searched) +
                         (input.folders_not_searched == 1 ? L" sub-folder)" : L" sub-folders)");
    }
    plan.items.push_back(std::move(nothing));
  }

  // This slice: every Nth item, starting with the Kth.
  const Slice slice = arguments.slice;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i % slice.count != slice.index - 1) continue;
    if (progress.stop && progress.stop()) return PlanOutcome::Stopped;
    PlanItem& item = items[i];
    if (item.kind == ItemKind::Image) {
      // The header tells the memory an export needs; a found file whose contents are no
      // image Orvane reads is skipped like any other non-image.
      if (!read_header(item) && !item.named) {
        item.kind = ItemKind::NotImage;
        item.message = L"skipped: not an image Orvane reads (its contents are no PNG, JPEG, GIF, BMP or TIFF)";
        item.output.clear();
        item.output_full.clear();
      }
    }
    if (item.kind == ItemKind::Image) ++plan.images;
    plan.items.push_back(std::move(item));
  }
  return PlanOutcome::Ready;
}

}  // namespace orvane::cli
