#pragma once

#include <QByteArray>
#include <QString>

#include "align/AlignPlan.h"

namespace velmora {

// Reads an alignment plan strictly: every field is checked, unknown fields are refused, and the
// first fault is reported with the field's path ("safety.maxStep: ...").
class AlignPlanParser {
 public:
  static constexpr int kFormat = 1;

  static AlignPlanParse Parse(const QByteArray& bytes);
  static AlignPlanParse Load(const QString& path);
};

}  // namespace velmora
