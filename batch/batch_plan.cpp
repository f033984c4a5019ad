#include "batch_plan.h"

#include <windows.h>

#include <filesystem>
#include <unordered_map>

#include "file_system.h"
#include "image_header.h"
#include "input_search.h"

namespace orvane::batch {
namespace {

namespace fs = std::filesystem;

std::uint64_t file_size(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

}  // namespace

std::wstring default_output_name(const std::wstring& input) {
  const fs::path path(input);
  return path.stem().wstring() + L"-watermarked" + path.extension().wstring();
}

bool has_image_extension(const std::wstring& name) {
  const auto dot = name.find_last_of(L'.');
  if (dot == std::wstring::npos) return false;
  const std::wstring extension = fold_case(name.substr(dot + 1));
  for (const wchar_t* known : {L"JPG", L"JPEG", L"JPE", L"JFIF", L"PNG", L"BMP", L"DIB", L"GIF", L"TIF", L"TIFF"}) {
    if (extension == known) return true;
  }
  return false;
}

std::vector<Collision> find_collisions(const std::vector<PlanItem>& items) {
  std::vector<Collision> collisions;
  std::unordered_map<std::wstring, std::size_t> outputs;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].kind != ItemKind::Image) continue;
    const auto [first, fresh] = outputs.emplace(fold_case(items[i].output_full), i);
    if (!fresh) collisions.push_back(Collision{first->second, i});
  }
  return collisions;
}

std::vector<std::wstring> number_images(std::vector<PlanItem>& items) {
  std::vector<std::wstring> inputs;
  std::uint64_t sequence = 0;
  for (PlanItem& item : items) {
    if (item.kind != ItemKind::Image) continue;
    inputs.push_back(item.input_full);
    item.sequence = ++sequence;
  }
  return inputs;
}

bool read_header(PlanItem& item) {
  item.input_bytes = file_size(item.input_full);
  const auto dims = engine::read_image_dimensions(item.input_full);
  if (!dims) return false;
  item.width = dims->width;
  item.height = dims->height;
  return true;
}

std::size_t FileIdentityHash::operator()(const engine::FileIdentity& identity) const noexcept {
  return std::hash<std::uint64_t>()(identity.file_index * 31 + identity.volume_serial);
}

SourceFiles::SourceFiles(const std::vector<std::wstring>& input_paths) : paths_(input_paths) {
  for (const std::wstring& input : paths_) keys_.insert(fold_case(input));
}

bool SourceFiles::contains(const std::wstring& output_full,
                           const std::optional<engine::FileIdentity>& identity) const {
  if (keys_.contains(fold_case(output_full))) return true;
  if (!identity) return false;
  std::call_once(identities_once_, [&] {
    for (const std::wstring& input : paths_) {
      if (const auto id = engine::file_identity(input)) identities_.insert(*id);
    }
  });
  return identities_.contains(*identity);
}

FolderPlan plan_into_folder(const std::vector<std::wstring>& photos, const std::wstring& output_folder) {
  FolderPlan result;
  Plan& plan = result.plan;
  plan.output_folder = engine::full_path(output_folder);
  plan.output_folder_missing = engine::path_kind(plan.output_folder) != engine::PathKind::folder;

  std::unordered_set<std::wstring> seen;
  for (const std::wstring& photo : photos) {
    PlanItem item;
    item.input = photo;
    item.input_full = engine::full_path(photo);
    if (!seen.insert(fold_case(item.input_full)).second) continue;
    item.named = true;
    item.output = (fs::path(output_folder) / default_output_name(photo)).wstring();
    item.output_full = engine::full_path(item.output);
    // A photo whose header cannot be read fails in its turn with the engine's reason.
    (void)read_header(item);
    plan.items.push_back(std::move(item));
  }
  plan.images = plan.items.size();
  plan.input_paths = number_images(plan.items);

  result.collisions = find_collisions(plan.items);
  const SourceFiles sources(plan.input_paths);
  for (std::size_t i = 0; i < plan.items.size(); ++i) {
    const PlanItem& item = plan.items[i];
    const auto identity = engine::file_identity(item.output_full);
    if (sources.contains(item.output_full, identity)) {
      result.sources.push_back(i);
    } else if (identity || engine::path_kind(item.output_full) != engine::PathKind::missing) {
      result.existing.push_back(i);
    }
  }
  return result;
}

}  // namespace orvane::batch
