#pragma once

#include <QString>

#include "transfer/JobReply.h"

namespace velmora {

// The owner's side of a job's question (JobRelay::Asked), on the relay's thread: shows the text
// with its detail and releases the reply once the user has seen them; the worker waits till then.
class AskedPresenter {
 public:
  virtual ~AskedPresenter() = default;
  virtual void Present(const QString& text, const QString& detail, const JobReply& reply) = 0;
};

}  // namespace velmora
