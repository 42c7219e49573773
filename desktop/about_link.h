// AboutLink: the web link of the About box as both faces show it. The link turns hot (red) when
// the pointer comes onto it, and the face takes the mouse so that it sees the pointer leave;
// leaving makes it blue again, or purple once clicked. A click makes it visited (purple) and
// the face opens the address. Each showing of the box starts with fresh links.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vornalis::desktop {

struct Colour {
  std::uint8_t red, green, blue;
  friend bool operator==(const Colour&, const Colour&) = default;
};

class AboutLink {
 public:
  static constexpr Colour kPlain{0, 0, 255};
  static constexpr Colour kHot{255, 0, 0};
  static constexpr Colour kVisited{128, 0, 128};

  // What the face does with the mouse after a move.
  enum class Capture { kNone, kTake, kRelease };

  explicit AboutLink(std::string_view address) : address_(address) {}

  // The pointer moved to x, y, relative to the link's label of width by height.
  Capture Moved(int x, int y, int width, int height);
  // The label was clicked: the face releases the mouse and opens Address().
  void Clicked();
  // The box closes: a hot link gives the mouse back (true: the face releases it).
  bool Closed();

  Colour TextColour() const { return hot_ ? kHot : visited_ ? kVisited : kPlain; }
  bool Hot() const { return hot_; }
  bool Visited() const { return visited_; }
  const std::string& Address() const { return address_; }

 private:
  std::string address_;
  bool hot_ = false;
  bool visited_ = false;
};

}  // namespace vornalis::desktop
