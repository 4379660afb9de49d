#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace velmora::res {

// The kinds of control a dialog template can hold.
enum class ControlKind {
  Static,
  Icon,
  Edit,
  PushButton,
  Slider,
  ComboBox,
  TabControl,
  ProgressBar,
};

// Style bits of a control, named after what they do.
enum ControlStyle : std::uint32_t {
  kNone = 0,
  kTabStop = 1u << 0,
  kGroup = 1u << 1,
  kBorder = 1u << 2,
  kReadOnly = 1u << 3,
  kAutoHScroll = 1u << 4,
  kVertical = 1u << 5,        // slider: vertical, minimum at the top
  kTicksBothSides = 1u << 6,  // slider: automatic ticks on both sides
  kDropDown = 1u << 7,        // combo box with an edit field of its own
  kDropDownList = 1u << 8,    // combo box without an edit field
  kSort = 1u << 9,
  kVScroll = 1u << 10,
  kDefaultButton = 1u << 11,
  kNoPrefix = 1u << 12,
  kStaticEdge = 1u << 13,
  kClientEdge = 1u << 14,
  kToolTips = 1u << 15,
  kModalFrame = 1u << 16,
};

// A rectangle in dialog units.
struct DuRect {
  int x;
  int y;
  int width;
  int height;
};

inline constexpr int kNoId = -1;  // statics without an id of their own

struct ControlTemplate {
  int id;
  ControlKind kind;
  DuRect rect;  // for a combo box the height is that of its drop-down list
  std::string_view text;
  std::uint32_t style;
  bool visible;
  std::span<const std::string_view> items = {};  // combo-box entries given by the template
};

struct DialogTemplate {
  int id;
  int widthDu;
  int heightDu;
  std::string_view fontFace;
  int fontPoints;
  bool child;  // borderless child page; otherwise a pop-up with a caption
  std::string_view caption;
  std::span<const ControlTemplate> controls;
};

}  // namespace velmora::res
