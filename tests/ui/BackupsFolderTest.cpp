#include <QDesktopServices>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/BackupsFolder.h"
#include "ui/WindowPrompts.h"

using namespace velmora;

// Takes the URLs the desktop would be asked to show.
class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> opened;
 public slots:
  void open(const QUrl& url) { opened << url; }
};

class BackupsFolderTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(m_data.isValid());
    qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
    QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
  }

  // The folder is made on first use, so the file manager and the side bar never show a hole.
  void openShowsTheBackupsFolderInTheFileManager() {
    UrlRecorder desktop;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &desktop, "open");
    QVERIFY(BackupsFolder::Open());
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(backups())});
    QVERIFY(QDir(backups()).exists());
  }

  void bothChoosersOfferTheBackupsFolderOnce_data() {
    QTest::addColumn<QFileDialog::AcceptMode>("mode");
    QTest::newRow("open") << QFileDialog::AcceptOpen;
    QTest::newRow("save") << QFileDialog::AcceptSave;
  }
  void bothChoosersOfferTheBackupsFolderOnce() {
    QFETCH(QFileDialog::AcceptMode, mode);
    const auto chooser = WindowPrompts::FileChooser(nullptr, mode);
    const QList<QUrl> sidebar = chooser->sidebarUrls();
    QCOMPARE(sidebar.count(QUrl::fromLocalFile(backups())), 1);
    QCOMPARE(BackupsFolder::WithSidebarEntry(sidebar), sidebar);
    QCOMPARE(chooser->acceptMode(), mode);
  }

 private:
  QString backups() const { return m_data.filePath(QStringLiteral("Velmora/backups")); }
  QTemporaryDir m_data;
};

QTEST_MAIN(BackupsFolderTest)
#include "BackupsFolderTest.moc"
