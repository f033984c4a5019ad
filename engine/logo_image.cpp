#include "logo_image.h"

namespace orvane::engine {

bool check_logo(const std::wstring&, std::wstring&) { return true; }

}  // namespace orvane::engine
