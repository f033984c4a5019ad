#include "platform/windows/surface_tooltips.h"

#include <cmath>

#include "modern/widgets/widget.h"
#include "platform/view_walk.h"

namespace win32_ui::platform::windows {

void SurfaceTooltips::remove(std::uint64_t view_id) {
  if (tools_.erase(view_id) != 0 && tooltip_ != nullptr) {
    TOOLINFOW tool = tool_info(view_id);
    SendMessageW(tooltip_.get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void SurfaceTooltips::destroy() {
  tooltip_.reset();
  tools_.clear();
}

TOOLINFOW SurfaceTooltips::tool_info(std::uint64_t id) const {
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = geometry_.window;
  tool.uId = static_cast<UINT_PTR>(id);
  return tool;
}

void SurfaceTooltips::update(modern::View* root) {
  const HWND window = geometry_.window;
  if (window == nullptr) return;
  struct Wanted {
    RECT rect;
    const std::wstring* text;
  };
  std::unordered_map<std::uint64_t, Wanted> wanted;
  if (root != nullptr) {
    const RECT client = geometry_.client_rect();
    const float s = geometry_.scale();
    const float scroll = geometry_.scroll_offset;
    walk_views(*root, true, [&](modern::View& view, bool shown) {
      const auto* widget = dynamic_cast<const modern::Widget*>(&view);
      if (!shown || widget == nullptr || widget->tooltip().empty()) return;
      const layout::Rect r = view.arranged_rect();
      RECT pixels{static_cast<LONG>(std::lround(r.x * s)), static_cast<LONG>(std::lround((r.y - scroll) * s)),
                  static_cast<LONG>(std::lround((r.x + r.width) * s)),
                  static_cast<LONG>(std::lround((r.y + r.height - scroll) * s))};
      RECT visible{};
      if (IntersectRect(&visible, &pixels, &client)) wanted[view.id()] = Wanted{visible, &widget->tooltip()};
    });
  }
  if (wanted.empty()) {
    destroy();
    return;
  }
  if (tooltip_ == nullptr) {
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&init);
    tooltip_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                                   GetModuleHandleW(nullptr), nullptr));
    if (tooltip_ == nullptr) return;
    SendMessageW(tooltip_.get(), TTM_SETMAXTIPWIDTH, 0, static_cast<LPARAM>(std::lround(360.0f * geometry_.dpi / 96.0f)));
    tools_.clear();
  }
  HWND tip = tooltip_.get();
  for (auto it = tools_.begin(); it != tools_.end();) {
    if (wanted.count(it->first) == 0) {
      TOOLINFOW tool = tool_info(it->first);
      SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
      it = tools_.erase(it);
    } else {
      ++it;
    }
  }
  for (const auto& [id, want] : wanted) {
    TOOLINFOW tool = tool_info(id);
    tool.rect = want.rect;
    auto found = tools_.find(id);
    if (found == tools_.end()) {
      tool.uFlags = TTF_SUBCLASS;
      tool.lpszText = const_cast<wchar_t*>(want.text->c_str());
      SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
      tools_[id] = Tool{want.rect, *want.text};
      continue;
    }
    if (!EqualRect(&found->second.rect, &want.rect)) {
      SendMessageW(tip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
      found->second.rect = want.rect;
    }
    if (found->second.text != *want.text) {
      found->second.text = *want.text;
      tool.lpszText = const_cast<wchar_t*>(found->second.text.c_str());
      SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }
}

}  // namespace win32_ui::platform::windows
