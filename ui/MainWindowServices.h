#pragma once

#include <optional>

#include "plot/ChartView.h"
#include "transfer/AskedPresenter.h"
#include "transfer/CTransferJob.h"
#include "ui/WindowPrompts.h"

namespace velmora {

// What the main window reaches outside itself. Left empty, each is the real one: the system's
// serial ports, the window's own outcome boxes, the platform's dialogs, the chart module loaded
// when the curves first open; tests hand in theirs.
struct MainWindowServices {
  CTransferJob::PortFactory portFactory;
  AskedPresenter* presenter = nullptr;  // the jobs' outcomes
  std::optional<WindowPrompts> prompts;
  const ChartView* charts = nullptr;
};

}  // namespace velmora
