#pragma once

#include <chrono>

namespace velmora::ui_timing {

// Timer 0 of the level-table and tone-level pages: the debounce of a live-tuning request, and
// the interval at which a pending request looks again whether a transfer still runs.
inline constexpr int kLiveRequestTimerId = 0;
inline constexpr std::chrono::milliseconds kLiveRequestPeriod{400};

// Timer 1 of the styled tab control: how often it looks whether the mouse is still over the
// hovered tab.
inline constexpr int kTabHoverTimerId = 1;
inline constexpr std::chrono::milliseconds kTabHoverPeriod{10};

}  // namespace velmora::ui_timing
