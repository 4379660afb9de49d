#include "ui/ManualWindow.h"

#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace velmora {
namespace {

constexpr QSize kManualWindowSize{900, 700};
constexpr const char* kManualResource = ":/manual/README.md";
constexpr const char* kManHandlerKey = "x-scheme-handler/man=";

// True when the list names a handler for man: outside its removed associations.
bool ListNamesManHandler(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
  bool removed = false;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.startsWith('[')) removed = line == QLatin1String("[Removed Associations]");
    if (removed || !line.startsWith(QLatin1String(kManHandlerKey))) continue;
    const QString handlers = line.mid(int(qstrlen(kManHandlerKey)));
    if (!handlers.split(';', Qt::SkipEmptyParts).isEmpty()) return true;
  }
  return false;
}

// The README without its screenshots, which live beside it in the source tree only.
QString ManualText() {
  QFile file(QString::fromLatin1(kManualResource));
  if (!file.open(QIODevice::ReadOnly)) return {};
  QString text = QString::fromUtf8(file.readAll());
  static const QRegularExpression kImage(QStringLiteral("^!\\[[^\\n]*\\n"),
                                         QRegularExpression::MultilineOption);
  return text.remove(kImage);
}

}  // namespace

ManualWindow::ManualWindow(QWidget* parent) : QDialog(parent), m_browser(new QTextBrowser(this)) {
  setWindowTitle(tr("Velmora 手册"));
  m_browser->setOpenExternalLinks(true);
  m_browser->setMarkdown(ManualText());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_browser);
  resize(kManualWindowSize);
}

bool ManualWindow::DesktopHasViewer() {
  QStringList lists;
  for (const QString& dir :
       QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
    lists << dir + QStringLiteral("/mimeapps.list");
  for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation))
    lists << dir + QStringLiteral("/mimeapps.list") << dir + QStringLiteral("/mimeinfo.cache");
  return std::any_of(lists.begin(), lists.end(), ListNamesManHandler);
}

}  // namespace velmora
