#include "records/RecordsSettings.h"

namespace velmora {

RecordsSettings RecordsSettings::Load(const QSettings& settings) {
  return {settings.value(QStringLiteral("records/url")).toString(),
          settings.value(QStringLiteral("records/bench")).toString()};
}

}  // namespace velmora
