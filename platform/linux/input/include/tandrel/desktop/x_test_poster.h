#pragma once

// Posts synthetic button changes with the core XTest calls. The caller says which state each
// button should end in; only the buttons whose real state differs are pressed or released, since
// XTest pressing a button the user already holds leaves the XTEST device stuck with it down.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tandrel::desktop {

enum class PosterError {
  none,
  cannot_open_display,
  no_xtest_extension,
};

const char* describe(PosterError error);

struct ButtonChange {
  unsigned x_button = 0;
  bool down = false;
  bool operator==(const ButtonChange&) const = default;
};

// What one post did.
struct PostReport {
  std::vector<ButtonChange> changes;  // in the order posted
  bool moved = false;                 // the pointer was taken to the point first
  bool restored = false;              // and put back afterwards
};

class XTestPoster {
 public:
  // nullptr with *error set (when error is not null) if the display or XTest is missing.
  static std::unique_ptr<XTestPoster> create(const std::string& display_name, PosterError* error);
  ~XTestPoster();
  XTestPoster(const XTestPoster&) = delete;
  XTestPoster& operator=(const XTestPoster&) = delete;

  // Brings the buttons to `button_states` at root point (x, y): [0] primary, [1] secondary,
  // [2] tertiary (X buttons 1, 3, 2); buttons past the end of the list are left alone. Changes
  // are posted in list order. With update_cursor false a pointer that had to be moved to the
  // point is put back where it was.
  PostReport post(float x, float y, bool update_cursor, std::span<const bool> button_states);
  PostReport post(float x, float y, bool update_cursor, std::initializer_list<bool> button_states);

  // The pointer's buttons as the server has them now: bit (n - 1) for X button n, n <= 5.
  std::uint32_t currentButtons() const;

 private:
  struct Impl;
  explicit XTestPoster(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace tandrel::desktop
