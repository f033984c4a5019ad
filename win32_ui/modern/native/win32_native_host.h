#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "modern/tree/native_host.h"
#include "platform/native_view_peer.h"
#include "theme/palette.h"

namespace win32_ui::modern {

// A native host backed by a real Windows child control. It owns the control window, its font and
// its theme; the surface drives it through its peer (create, place after each layout and scroll,
// update on palette, text or direction changes, translate the control's notifications).
class Win32NativeHost : public NativeHost {
 public:
  // The peer the surface talks to; every operation goes to the host that made it.
  class Peer final : public platform::NativeViewPeer {
   public:
    explicit Peer(Win32NativeHost& host) noexcept : host_(&host) {}

    [[nodiscard]] std::uint32_t capabilities() const override;
    [[nodiscard]] void* native_window() const override;
    bool create(void* parent, const platform::NativeViewConfiguration& configuration) override;
    bool attach(void* window, int id, const platform::NativeViewConfiguration& configuration) override;
    void detach() override;
    void update(const platform::NativeViewConfiguration& configuration) override;
    void place(const platform::NativeViewGeometry& geometry) override;
    bool translate(const platform::NativeNotification& notification, Event& event) override;

   private:
    friend class Win32NativeHost;
    Win32NativeHost* host_;  // null once the host is being destroyed
  };

  explicit Win32NativeHost(int control_id);
  ~Win32NativeHost() override;
  Win32NativeHost(const Win32NativeHost&) = delete;
  Win32NativeHost& operator=(const Win32NativeHost&) = delete;

  // --- what the peer forwards

  // Makes the control under `parent` (an HWND); a live control only takes the configuration and
  // answers whether it already hangs from `parent`.
  bool create_native(void* parent, const platform::NativeViewConfiguration& configuration);
  // Adopts a live window; it is let go, not destroyed, on detach.
  bool attach_native(void* window, int id, const platform::NativeViewConfiguration& configuration);
  // Destroys (or lets go of) the control and drops its font and theme.
  void detach_native();
  void update_native(const platform::NativeViewConfiguration& configuration);
  void place_native(const platform::NativeViewGeometry& geometry);
  bool translate_native(const platform::NativeNotification& notification, Event& event);

  // The live control window (an HWND), or null.
  [[nodiscard]] void* window() const noexcept;

  // Makes the control's font (Segoe UI, 10 pt) for a dpi; nothing when the font already has that dpi.
  // Creating and placing call it with the parent's dpi, so a monitor change picks up a new font.
  void refresh_font(unsigned dpi);

  [[nodiscard]] const Palette& palette() const noexcept;
  [[nodiscard]] bool right_to_left() const noexcept;
  [[nodiscard]] float scale() const noexcept;

  // Slot 21: the list item height of controls that have one, in DIPs; others ignore it.
  virtual void set_item_height(float height);

  void describe(SemanticsNode& node) override;

  // The window, font and theme state, defined beside the platform code that uses it.
  struct NativeState;

 protected:
  void on_state_changed(std::uint32_t old_state, std::uint32_t new_state) override;

  // Makes the control window under `parent` (HWND), sized 1 × 1 at the origin; null on failure.
  virtual void* create_control(void* parent) = 0;
  // Gives the control the palette's look.
  virtual void apply_theme(const Palette& palette);
  // Fills an event from a notification the control sent; false when it means nothing.
  virtual bool translate_notification(const platform::NativeNotification& notification, Event& event);
  // The height, in DIPs, the control's window needs for a view height.
  [[nodiscard]] virtual float native_height(float view_height) const;
  [[nodiscard]] virtual std::uint32_t native_capabilities() const;
  // Whether `create_control` hands back a window this host must not destroy.
  [[nodiscard]] virtual bool external_window() const;
  // The surface handed down a new text with the configuration.
  virtual void on_configuration_text(std::wstring_view text);
  // Applies or removes the right-to-left window styles.
  virtual void set_right_to_left(bool right_to_left);

  // Applies the theme again with the stored palette, when one was applied and the control lives.
  void reapply_theme();

  // The class to make a system control ("EDIT", "COMBOBOX") with: a superclass of it named
  // `own_class` without CS_PARENTDC, registered on first use. Those controls draw through their
  // parent's clipping otherwise, which ignores the window region that hides a scrolled-off part.
  // The system class itself when the superclass cannot be registered.
  [[nodiscard]] static const wchar_t* clipped_control_class(const wchar_t* system_class, const wchar_t* own_class);

 private:
  void apply_configuration(const platform::NativeViewConfiguration& configuration);
  void clear_region();

  std::unique_ptr<NativeState> native_;
};

}  // namespace win32_ui::modern
