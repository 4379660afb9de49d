#include "ui/RecordsLocation.h"

#include <QDir>

#include "instrument/InstrumentSettings.h"
#include "records/RecordsSettings.h"
#include "transfer/DataFolder.h"

namespace velmora {

QString RecordsLocation::Bench() {
  if (DataFolder::Location(QStringLiteral("records")).isEmpty()) return {};
  return QDir(DataFolder::Subfolder(QStringLiteral("records")))
      .filePath(QStringLiteral("records.sqlite"));
}

QString RecordsLocation::Line() {
  return RecordsSettings::Load(*InstrumentSettings::ProgramSettings()).url;
}

}  // namespace velmora
