#include "localization/placeholders.h"

#include <cstddef>
#include <limits>
#include <optional>

namespace win32_ui::modern {
namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
// Enough decimal digits for any argument index; longer runs are never placeholders.
constexpr std::size_t kMaxIndexDigits = 18;

bool is_digit(wchar_t c) noexcept { return c >= L'0' && c <= L'9'; }

// The index of the placeholder "{digits}" at `position`, when it is one and names an argument
// of [first, limit); `length` receives its length.
std::optional<std::size_t> placeholder_at(std::wstring_view text, std::size_t position, std::size_t first,
                                          std::size_t limit, std::size_t& length) {
  if (text[position] != L'{') return std::nullopt;
  std::size_t end = position + 1;
  while (end < text.size() && is_digit(text[end]) && end - position <= kMaxIndexDigits) ++end;
  const std::size_t digits = end - position - 1;
  if (digits == 0 || digits > kMaxIndexDigits || end == text.size() || text[end] != L'}') return std::nullopt;
  if (digits > 1 && text[position + 1] == L'0') return std::nullopt;  // "{00}" is not "{0}"
  std::size_t index = 0;
  for (std::size_t i = position + 1; i < end; ++i) index = index * 10 + static_cast<std::size_t>(text[i] - L'0');
  if (index < first || index >= limit) return std::nullopt;
  length = digits + 2;
  return index;
}

// The text as a doubly linked list of pieces: runs of plain text (views into the text and the
// arguments) and placeholders still to fill, listed by argument. Filling a placeholder splices
// in its argument's pieces without moving any character, and checks the two new joins for a
// placeholder formed across them, as a pass over the whole text would find it.
class PlaceholderFiller {
 public:
  PlaceholderFiller(std::wstring_view text, const std::vector<std::wstring>& arguments)
      : arguments_(arguments), pending_(arguments.size()) {
    pieces_.reserve(16);
    pieces_.push_back(Piece{{}, kNone, 0, 0, true});  // the sentinel: both ends of the list
    insert_parsed(0, text, 0);
  }

  std::wstring fill() {
    for (std::size_t index = 0; index < pending_.size(); ++index) {
      // Filling adds placeholders of later arguments only, never to this list.
      for (std::size_t node : pending_[index]) {
        const std::size_t before = pieces_[node].previous;
        const std::size_t after = pieces_[node].next;
        unlink(node);
        insert_parsed(before, arguments_[index], index + 1);
        join(before, pieces_[before].next, index);
        if (pieces_[after].linked) join(pieces_[after].previous, after, index);
      }
      pending_[index].clear();
      pending_[index].shrink_to_fit();
    }
    std::size_t size = 0;
    for (std::size_t node = pieces_[0].next; node != 0; node = pieces_[node].next) size += pieces_[node].text.size();
    std::wstring result;
    result.reserve(size);
    for (std::size_t node = pieces_[0].next; node != 0; node = pieces_[node].next) result += pieces_[node].text;
    return result;
  }

 private:
  struct Piece {
    std::wstring_view text;
    std::size_t argument;  // kNone for plain text
    std::size_t previous;
    std::size_t next;
    bool linked;
  };

  [[nodiscard]] bool is_plain(std::size_t node) const noexcept {
    return node != 0 && pieces_[node].argument == kNone;
  }

  std::size_t insert_after(std::size_t node, std::wstring_view text, std::size_t argument) {
    const std::size_t next = pieces_[node].next;
    pieces_.push_back(Piece{text, argument, node, next, true});
    const std::size_t created = pieces_.size() - 1;
    pieces_[node].next = created;
    pieces_[next].previous = created;
    if (argument != kNone) pending_[argument].push_back(created);
    return created;
  }

  void unlink(std::size_t node) {
    Piece& piece = pieces_[node];
    pieces_[piece.previous].next = piece.next;
    pieces_[piece.next].previous = piece.previous;
    piece.linked = false;
  }

  // Splits text into plain runs and placeholders of arguments from `first` on, after `node`.
  void insert_parsed(std::size_t node, std::wstring_view text, std::size_t first) {
    std::size_t run = 0;
    for (std::size_t position = text.find(L'{'); position != std::wstring_view::npos;
         position = text.find(L'{', position + 1)) {
      std::size_t length = 0;
      const auto index = placeholder_at(text, position, first, pending_.size(), length);
      if (!index) continue;
      if (position > run) node = insert_after(node, text.substr(run, position - run), kNone);
      node = insert_after(node, {}, *index);
      run = position + length;
      position = run - 1;
    }
    if (run < text.size()) insert_after(node, text.substr(run), kNone);
  }

  // Looks for a placeholder of an argument after `pass` that spans the join between two
  // neighbouring pieces: "{" and digits ending on the left, digits and "}" starting on the right.
  // Placeholders still to fill are never part of one, so the search stops at them.
  void join(std::size_t left, std::size_t right, std::size_t pass) {
    std::size_t digits = 0;
    std::size_t open_node = left, open_offset = 0;
    for (bool found = false; !found;) {
      if (!is_plain(open_node)) return;
      const std::wstring_view text = pieces_[open_node].text;
      std::size_t offset = text.size();
      while (offset > 0 && is_digit(text[offset - 1]) && digits <= kMaxIndexDigits) {
        --offset;
        ++digits;
      }
      if (digits > kMaxIndexDigits) return;
      if (offset > 0) {
        if (text[offset - 1] != L'{') return;
        open_offset = offset - 1;
        found = true;
      } else {
        open_node = pieces_[open_node].previous;
      }
    }
    std::size_t close_node = right, close_offset = 0;
    for (bool found = false; !found;) {
      if (!is_plain(close_node)) return;
      const std::wstring_view text = pieces_[close_node].text;
      std::size_t offset = 0;
      while (offset < text.size() && is_digit(text[offset]) && digits <= kMaxIndexDigits) {
        ++offset;
        ++digits;
      }
      if (digits > kMaxIndexDigits) return;
      if (offset < text.size()) {
        if (text[offset] != L'}') return;
        close_offset = offset;
        found = true;
      } else {
        close_node = pieces_[close_node].next;
      }
    }
    // Read the placeholder's text across its pieces and check it names a later argument.
    std::wstring candidate;
    for (std::size_t node = open_node;; node = pieces_[node].next) {
      std::wstring_view text = pieces_[node].text;
      if (node == close_node) text = text.substr(0, close_offset + 1);
      if (node == open_node) text = text.substr(open_offset);
      candidate += text;
      if (node == close_node) break;
    }
    std::size_t length = 0;
    const auto index = placeholder_at(candidate, 0, pass + 1, pending_.size(), length);
    if (!index) return;
    // Cut it out: the ends keep what lies outside it, the pieces inside go.
    for (std::size_t node = pieces_[open_node].next; node != close_node;) {
      const std::size_t next = pieces_[node].next;
      unlink(node);
      node = next;
    }
    Piece& open = pieces_[open_node];
    open.text = open.text.substr(0, open_offset);
    Piece& close = pieces_[close_node];
    close.text = close.text.substr(close_offset + 1);
    insert_after(open_node, {}, *index);
    if (pieces_[open_node].text.empty()) unlink(open_node);
    if (pieces_[close_node].text.empty()) unlink(close_node);
  }

  const std::vector<std::wstring>& arguments_;
  std::vector<Piece> pieces_;
  std::vector<std::vector<std::size_t>> pending_;
};

}  // namespace

std::wstring replace_placeholder(std::wstring_view text, std::wstring_view placeholder, std::wstring_view value) {
  std::wstring result;
  std::size_t copied = 0;
  if (!placeholder.empty()) {
    for (std::size_t position = text.find(placeholder); position != std::wstring_view::npos;
         position = text.find(placeholder, copied)) {
      result.append(text.substr(copied, position - copied)).append(value);
      copied = position + placeholder.size();
    }
  }
  result.append(text.substr(copied));
  return result;
}

std::wstring fill_placeholders(std::wstring_view text, const std::vector<std::wstring>& arguments) {
  if (arguments.empty() || text.find(L'{') == std::wstring_view::npos) return std::wstring(text);
  return PlaceholderFiller(text, arguments).fill();
}

}  // namespace win32_ui::modern
