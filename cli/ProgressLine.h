#pragma once

#include <QString>
#include <ostream>

#include "transfer/JobRelay.h"

namespace velmora {

// A job's progress as one rewritten terminal line on out (none when out is null), cleared when
// the job has ended.
class ProgressLine {
 public:
  explicit ProgressLine(std::ostream* out) : m_out(out) {}

  // Prints every Progress text the relay posts, a transfer's or an alignment's.
  void Follow(const JobRelay& relay) const;
  void Clear() const;

 private:
  static void Show(std::ostream& out, const QString& text);

  std::ostream* m_out;
};

}  // namespace velmora
