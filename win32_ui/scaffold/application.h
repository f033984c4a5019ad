#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "localization/localization_context.h"

namespace win32_ui::modern {
class MessageCatalogue;
}

namespace win32_ui::scaffold {

// The toolkit's application object. For now it supplies the localisation context that windows
// and dialogs resolve their texts through.
class Application {
 public:
  // A new context for the locale tag and catalogue whose translate function answers the
  // standard dialog texts ("scaffold.dialog.ok", ...) in Simplified Chinese for tags starting
  // "zh" or "ZH" and in English otherwise; any other key answers itself.
  [[nodiscard]] static modern::LocalizationContext make_localization(
      std::wstring_view locale_tag, std::shared_ptr<const modern::MessageCatalogue> catalogue = nullptr);

  // The user's default locale name, or "zh-CN" when the system cannot tell.
  [[nodiscard]] static std::wstring user_locale_tag();
};

}  // namespace win32_ui::scaffold
