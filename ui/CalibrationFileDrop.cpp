#include "ui/CalibrationFileDrop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QWidget>

namespace velmora {

CalibrationFileDrop::CalibrationFileDrop(QWidget* window, OpenFile open)
    : QObject(window), m_open(std::move(open)) {
  window->setAcceptDrops(true);
  window->installEventFilter(this);
  // Edit boxes take dropped text themselves, a file's path included; they ask here first.
  for (QWidget* child : window->findChildren<QWidget*>()) {
    if (child->acceptDrops()) child->installEventFilter(this);
  }
}

QString CalibrationFileDrop::DroppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().first();
  if (!url.isLocalFile() || !url.fileName().endsWith(QStringLiteral(".dat"), Qt::CaseInsensitive)) {
    return {};
  }
  return url.toLocalFile();
}

bool CalibrationFileDrop::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (DroppedFile(drag->mimeData()).isEmpty()) break;
      drag->acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QString path = DroppedFile(drop->mimeData());
      if (path.isEmpty()) break;
      drop->acceptProposedAction();
      // After the drag has ended, so the questions Open asks come up as for a menu choice.
      QTimer::singleShot(0, this, [this, path] { m_open(path); });
      return true;
    }
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace velmora
