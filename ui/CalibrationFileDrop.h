#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QMimeData;
class QWidget;

namespace velmora {

// Takes a calibration file (".dat") dropped anywhere on a window, its edit boxes included, and
// hands its path on; anything else dropped is left to the control under the mouse.
class CalibrationFileDrop : public QObject {
  Q_OBJECT

 public:
  using OpenFile = std::function<void(const QString& path)>;

  CalibrationFileDrop(QWidget* window, OpenFile open);

  // The one local .dat file the data carries; empty when it carries none or several.
  static QString DroppedFile(const QMimeData* data);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  OpenFile m_open;
};

}  // namespace velmora
