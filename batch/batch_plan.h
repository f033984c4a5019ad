#pragma once

// The plan of a batch: which files are worked on and where each copy goes, settled before any
// file is written. The rules every front shares live here: the copy's default name, one output
// for two inputs refused, an output that is one of the sources refused, the numbering for {n}.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "file_identity.h"

namespace orvane::batch {

enum class ItemKind {
  Image,     // to be watermarked
  NotImage,  // found in a folder or by a wildcard, not an image Orvane reads: skipped with a note
  Nothing,   // a folder or wildcard that found no image: a failure
};

// One item of the batch, in the order of the inputs.
struct PlanItem {
  ItemKind kind = ItemKind::Image;
  std::wstring input;        // as the user reads it
  std::wstring output;       // as the user reads it; empty unless an image
  std::wstring input_full;   // full paths, for the file system
  std::wstring output_full;
  bool named = false;         // named by the user, not found in a folder or by a wildcard
  bool make_folder = false;   // the output's folder is made when missing (a mirrored sub-folder)
  std::wstring message;       // the front's note on why a NotImage or Nothing item is what it is
  std::optional<std::uint32_t> width, height;  // from the image's header, when it has a readable one
  std::uint64_t input_bytes = 0;
  std::uint64_t sequence = 1;  // the image's number in the whole batch, for {n}
};

struct Plan {
  std::vector<PlanItem> items;
  std::vector<std::wstring> input_paths;  // full paths of every image input of the whole batch
  std::wstring output_folder;             // full path of the folder the outputs go into, when one
  bool output_folder_missing = false;     // to be made before the first file
  std::size_t images = 0;                 // Image items in `items`
};

// Two inputs that would be written to one output: items `first` and `second` of the list checked.
struct Collision {
  std::size_t first = 0;
  std::size_t second = 0;
};

// Every pair of Image items sharing an output (compared as the file system compares names), each
// later item paired with the first one that claimed its output.
[[nodiscard]] std::vector<Collision> find_collisions(const std::vector<PlanItem>& items);

// Numbers the Image items 1, 2, ... in their order, for {n}, and returns their full input paths.
std::vector<std::wstring> number_images(std::vector<PlanItem>& items);

// Reads an Image item's size from its header and its file's size; false when the header is no
// image Orvane reads (the item is left as it was).
bool read_header(PlanItem& item);

// The name the application suggests too: the input's stem + "-watermarked" + its extension.
[[nodiscard]] std::wstring default_output_name(const std::wstring& input);

// True for the extensions of the formats the engine reads (.jpg, .png, ...), in any case.
[[nodiscard]] bool has_image_extension(const std::wstring& name);

// Hashes a file's identity, for sets of files.
struct FileIdentityHash {
  std::size_t operator()(const engine::FileIdentity& identity) const noexcept;
};

// The sources of a batch, to tell whether an output would overwrite one of them: by its name, and
// for a file that exists by its identity, so another name of a source (a link, a short name, a
// second route to a share) is caught too. Safe to ask from several threads.
class SourceFiles {
 public:
  explicit SourceFiles(const std::vector<std::wstring>& input_paths);

  // Whether `output_full` names a source. `identity` is the output's when it exists, if known.
  [[nodiscard]] bool contains(const std::wstring& output_full,
                              const std::optional<engine::FileIdentity>& identity) const;

 private:
  std::vector<std::wstring> paths_;
  std::unordered_set<std::wstring> keys_;
  // The sources' identities are read once, when an output that exists is first asked about.
  mutable std::once_flag identities_once_;
  mutable std::unordered_set<engine::FileIdentity, FileIdentityHash> identities_;
};

// The plan of photos into one folder, as the window makes it, with what the user must settle
// before it runs. Outputs are NAME-watermarked.EXT in the folder.
struct FolderPlan {
  Plan plan;
  std::vector<Collision> collisions;         // indices into plan.items; refused
  std::vector<std::size_t> sources;          // items whose output is one of the sources; refused
  std::vector<std::size_t> existing;         // items whose output already exists (or cannot be told)
  [[nodiscard]] bool refused() const noexcept { return !collisions.empty() || !sources.empty(); }
};

// `photos` are full paths (dropped folders already expanded by search_inputs); a photo given
// twice is worked on once. Writes nothing.
[[nodiscard]] FolderPlan plan_into_folder(const std::vector<std::wstring>& photos, const std::wstring& output_folder);

}  // namespace orvane::batch
