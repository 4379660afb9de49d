#pragma once

#include <QByteArray>
#include <QString>
#include <string>

#include "align/AlignPlan.h"

namespace velmora {

// Reads an alignment plan strictly: every field is checked, unknown fields are refused, and the
// first fault is reported with the field's path ("safety.maxStep: ..."), a key given twice too.
class AlignPlanParser {
 public:
  static constexpr int kFormat = 1;
  // A plan is a page of text; anything larger is the wrong file.
  static constexpr std::size_t kMostPlanBytes = 1024 * 1024;

  static AlignPlanParse Parse(const QByteArray& bytes);
  static AlignPlanParse Load(const QString& path);
  // The path as the system's bytes, which need not be UTF-8. Only a regular file is read (a FIFO
  // or a device is refused without waiting on it), and only up to kMostPlanBytes.
  static AlignPlanParse LoadFile(const std::string& path);
};

}  // namespace velmora
