#include <QComboBox>
#include <QLineEdit>
#include <QtTest>
#include <functional>

#include "res/DialogTemplates.h"
#include "res/ResourceIds.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/kit/CPageDlg.h"

using namespace velmora;

namespace {

// A page whose exchange is given by the test, as the band page and main window write theirs.
class ExchangePage : public CPageDlg {
 public:
  ExchangePage(const res::DialogTemplate& t, std::function<void(DataExchange&)> exchange)
      : CPageDlg(t), m_exchange(std::move(exchange)) {}

 protected:
  void DoDataExchange(DataExchange& dx) override { m_exchange(dx); }

 private:
  std::function<void(DataExchange&)> m_exchange;
};

struct Limits {
  std::int32_t base = 0;
  std::uint32_t rxLow = 0, rxHigh = 0, txLow = 0;
};

void ExchangeLimits(DataExchange& dx, Limits& v) {
  dx.Text(res::band_page::kBase, v.base);
  dx.Text(res::band_page::kRxLow, v.rxLow);
  dx.MinMaxUInt(v.rxLow, 0, 600);
  dx.Text(res::band_page::kRxHigh, v.rxHigh);
  dx.MinMaxUInt(v.rxHigh, 0, 600);
  dx.Text(res::band_page::kTxLow, v.txLow);
  dx.MinMaxUInt(v.txLow, 0, 600);
}

QLineEdit* Edit(CPageDlg& page, int id) { return page.ControlAs<QLineEdit>(id); }

}  // namespace

class DataExchangeTest : public QObject {
  Q_OBJECT

 private slots:
  void loadWritesNumbers();
  void outOfRangeIsKeptPromptedAndTheExchangeGoesOn();
  void notANumberKeepsTheValue_data();
  void notANumberKeepsTheValue();
  void comboIndexAndMaxChars();
};

void DataExchangeTest::loadWritesNumbers() {
  Limits v{-12, 136, 174, 4000000000u};
  QWidget host;
  ExchangePage page(res::BandPageTemplate(), [&](DataExchange& dx) { ExchangeLimits(dx, v); });
  page.Create(&host);
  QCOMPARE(Edit(page, res::band_page::kBase)->text(), QStringLiteral("-12"));
  QCOMPARE(Edit(page, res::band_page::kRxLow)->text(), QStringLiteral("136"));
  QCOMPARE(Edit(page, res::band_page::kTxLow)->text(), QStringLiteral("4000000000"));
}

void DataExchangeTest::outOfRangeIsKeptPromptedAndTheExchangeGoesOn() {
  test::PromptRecorder prompts;
  Limits v{0, 136, 174, 136};
  QWidget host;
  ExchangePage page(res::BandPageTemplate(), [&](DataExchange& dx) { ExchangeLimits(dx, v); });
  page.Create(&host);
  host.show();
  QVERIFY(QTest::qWaitForWindowExposed(&host));
  test::TypeInto(Edit(page, res::band_page::kRxLow), QStringLiteral("700"));
  test::TypeInto(Edit(page, res::band_page::kRxHigh), QStringLiteral("300"));
  QVERIFY(!page.UpdateData(true));
  QCOMPARE(prompts.prompts, QStringList{QStringLiteral("请输入一个介于 0 和 600 之间的整数。")});
  QCOMPARE(v.rxLow, 700u);   // stored as read
  QCOMPARE(v.rxHigh, 300u);  // after the failure: taken up all the same
  QCOMPARE(host.focusWidget(), static_cast<QWidget*>(Edit(page, res::band_page::kRxLow)));
  QCOMPARE(Edit(page, res::band_page::kRxLow)->selectedText(), QStringLiteral("700"));
}

void DataExchangeTest::notANumberKeepsTheValue_data() {
  QTest::addColumn<int>("id");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("prompt");
  QTest::newRow("signed text") << res::band_page::kBase << "abc"
                               << "请输入一个整数。";
  QTest::newRow("signed empty") << res::band_page::kBase << ""
                                << "请输入一个整数。";
  QTest::newRow("signed overflow") << res::band_page::kBase << "2147483648"
                                   << "请输入一个整数。";
  QTest::newRow("unsigned minus") << res::band_page::kRxHigh << "-1"
                                  << "请输入一个非负整数。";
  QTest::newRow("unsigned decimal") << res::band_page::kRxHigh << "1.5"
                                    << "请输入一个非负整数。";
  QTest::newRow("unsigned overflow") << res::band_page::kRxHigh << "4294967296"
                                     << "请输入一个非负整数。";
}

void DataExchangeTest::notANumberKeepsTheValue() {
  QFETCH(int, id);
  QFETCH(QString, typed);
  QFETCH(QString, prompt);
  test::PromptRecorder prompts;
  Limits v{5, 136, 174, 136};
  QWidget host;
  ExchangePage page(res::BandPageTemplate(), [&](DataExchange& dx) { ExchangeLimits(dx, v); });
  page.Create(&host);
  Edit(page, id)->setText(typed);
  QVERIFY(!page.UpdateData(true));
  QCOMPARE(prompts.prompts, QStringList{prompt});
  QCOMPARE(v.base, 5);
  QCOMPARE(v.rxHigh, 174u);
}

void DataExchangeTest::comboIndexAndMaxChars() {
  test::PromptRecorder prompts;
  int port = 4;
  QString text1 = QStringLiteral("AB-CD");
  bool limitText = false;
  QWidget host;
  ExchangePage page(res::MainWindowTemplate(), [&](DataExchange& dx) {
    dx.CBIndex(res::main_window::kPort, port);
    dx.Text(res::main_window::kPowerOnText1, text1);
    if (limitText) dx.MaxChars(text1, 7);
  });
  page.Create(&host);
  auto* combo = page.ControlAs<QComboBox>(res::main_window::kPort);
  QCOMPARE(combo->currentText(), QStringLiteral("COM5"));
  port = 8;  // COM9 is not listed
  page.UpdateData(false);
  QCOMPARE(combo->currentIndex(), -1);
  QVERIFY(page.UpdateData(true));
  QCOMPARE(port, -1);
  // Before the limit has been applied a longer text can stand in the box; a store refuses it.
  Edit(page, res::main_window::kPowerOnText1)->setText(QStringLiteral("123456789"));
  limitText = true;
  QVERIFY(!page.UpdateData(true));
  QCOMPARE(prompts.prompts, QStringList{QStringLiteral("请输入不超过 7 个字符。")});
  QCOMPARE(text1, QStringLiteral("123456789"));
  page.UpdateData(false);
  QCOMPARE(Edit(page, res::main_window::kPowerOnText1)->maxLength(), 7);
  QTest::keyClick(Edit(page, res::main_window::kPowerOnText1), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(Edit(page, res::main_window::kPowerOnText1), QStringLiteral("abcdefghij"));
  QCOMPARE(Edit(page, res::main_window::kPowerOnText1)->text(), QStringLiteral("abcdefg"));
}

QTEST_MAIN(DataExchangeTest)
#include "DataExchangeTest.moc"
