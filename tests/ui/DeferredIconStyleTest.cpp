#include <QApplication>
#include <QStyleFactory>
#include <QtTest>
#include <memory>

#include "ui/DeferredIconStyle.h"

using namespace velmora;

class DeferredIconStyleTest : public QObject {
  Q_OBJECT

 private slots:
  // The overflow pictures, loaded late, are the style's own, at every size the bar may ask for;
  // every other picture comes from the style unchanged.
  void picturesAreTheStylesOwn() {
    const QString key = QApplication::style()->name();
    DeferredIconStyle deferred(key);
    const std::unique_ptr<QStyle> plain(QStyleFactory::create(key));
    for (const auto picture :
         {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton,
          QStyle::SP_DialogOkButton, QStyle::SP_ArrowDown}) {
      const QIcon expected = plain->standardIcon(picture);
      const QIcon got = deferred.standardIcon(picture);
      for (const int side : {8, 16, 24, 32}) {
        const QImage want = expected.pixmap(side).toImage();
        QVERIFY2(!want.isNull(), qPrintable(QString::number(picture)));
        QCOMPARE(got.pixmap(side).toImage(), want);
      }
    }
  }
};

QTEST_MAIN(DeferredIconStyleTest)
#include "DeferredIconStyleTest.moc"
