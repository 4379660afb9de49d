#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSlider>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "core/ImageLayout.h"
#include "records/RecordStore.h"
#include "records/job/RecordKeeper.h"
#include "sim/ComPortRig.h"
#include "sim/FactoryAlignment.h"
#include "tests/ui/MainWindowFixture.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/HistoryDlg.h"
#include "ui/WindowRecords.h"

using namespace velmora;

namespace {

// What the bench holds for one radio, read on the calling thread's own connection.
std::vector<ProductionRecord> History(const std::string& serial) {
  std::string error;
  const auto store = RecordStore::Open(RecordKeeper::BenchPath(), error);
  return store ? store->History(serial, error) : std::vector<ProductionRecord>{};
}

// Notes, as the outcome is shown, how many records the bench held for the radio at that moment,
// as the window's message box would show it.
class WitnessPresenter : public test::RecordingPresenter {
 public:
  explicit WitnessPresenter(std::string serial) : m_serial(std::move(serial)) {}
  void Present(const QString& text, const QString& detail, const JobReply& reply) override {
    const std::size_t held = History(m_serial).size();
    {
      const std::lock_guard lock(m_mutex);
      m_heldWhenShown.push_back(held);
    }
    RecordingPresenter::Present(text, detail, reply);
  }
  std::vector<std::size_t> heldWhenShown() const {
    const std::lock_guard lock(m_mutex);
    return m_heldWhenShown;
  }

 private:
  std::string m_serial;
  mutable std::mutex m_mutex;
  std::vector<std::size_t> m_heldWhenShown;
};

std::vector<std::uint8_t> Bytes(const CalibrationImage& image) {
  const auto bytes = image.ToBytes();
  return {bytes.begin(), bytes.end()};
}

// The four regions the radio keeps, as an image's bytes hold them.
std::vector<std::vector<std::uint8_t>> Regions(std::span<const std::uint8_t> bytes) {
  CalibrationImage image;
  image.AssignBytes(bytes);
  std::vector<std::vector<std::uint8_t>> regions;
  for (std::size_t i = 0; i < layout::kRegionCount; ++i) {
    const auto data = image.region(i).data;
    regions.emplace_back(data.begin(), data.end());
  }
  return regions;
}

}  // namespace

// The window's reads and writes kept as production records in the bench's SQLite file, against a
// simulated radio on a pseudo-terminal.
class WindowRecordsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_data = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", m_data->path().toUtf8());
    const QString name = QCoreApplication::applicationName();
    QSettings(name, name).remove(QStringLiteral("records"));
  }

  // The scanned serial goes into each record, and each is on the bench before 成功! is shown.
  void readAndWriteAreKeptBeforeTheyAreShown() {
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(1);
    radio.SetMemory(sim::FactoryAlignment::Make());
    WitnessPresenter presenter("SN-2231-0457");
    Window w(&presenter);
    Scan(w, "SN-2231-0457");
    w.Run(res::main_window::kRead);
    CalibrationImage read;
    w.dlg->CopyShownImage(read);
    for (int tune : {1, 2}) {
      QSlider* slider = w.dlg->bandPage(0)->levelPage(0)->Slider(3);
      test::ReleaseSliderAt(slider, slider->value() + 3);
      QTRY_COMPARE_WITH_TIMEOUT(radio.liveCommands().size(), std::size_t(tune), 10000);
      QTRY_VERIFY(w.dlg->gate().IsOpen());
    }
    test::TypeInto(w.dlg->bandPage(1)->ControlAs<QLineEdit>(res::band_page::kTxLow), "431");
    w.Run(res::main_window::kWrite);

    QCOMPARE(presenter.texts(), (std::vector<std::string>{"成功!", "成功!"}));
    QCOMPARE(presenter.heldWhenShown(), (std::vector<std::size_t>{1, 3}));
    const auto history = History("SN-2231-0457");
    QCOMPARE(history.size(), std::size_t(3));
    const ProductionRecord &write = history[0], &live = history[1], &readRecord = history[2];
    QCOMPARE(live.kind, std::string("live"));
    QCOMPARE(live.detail, std::string("2 live tunes: A table 0"));
    QVERIFY(live.startedUtc < live.endedUtc);
    QCOMPARE(readRecord.kind, std::string("read"));
    QVERIFY(readRecord.succeeded);
    QVERIFY(readRecord.imageAfter == Bytes(read));
    QCOMPARE(readRecord.operatorName, RecordKeeper::LoginName());
    QCOMPARE(readRecord.port, std::string("COM1"));
    QVERIFY(!readRecord.radioIdentification.empty());
    QCOMPARE(write.kind, std::string("write"));
    // The radio's regions, from the write's backup; the rest is the window's, live tunes and all.
    QVERIFY(Regions(write.imageBefore) == Regions(Bytes(read)));
    CalibrationImage written;
    w.dlg->CopyShownImage(written);
    QVERIFY(write.imageAfter == Bytes(written) && write.imageAfter != write.imageBefore);
    QVERIFY(!write.backupPath.empty());
  }

  // A bench whose database cannot be written: the outcome says so, and the read's data are in
  // the window all the same.
  void aRecordNotKeptIsSaidAndTheDataStay() {
    QVERIFY(QDir().mkpath(RecordKeeper::BenchPath()));  // a folder where the file should be
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(1);
    radio.SetMemory(sim::FactoryAlignment::Make());
    test::RecordingPresenter presenter;
    Window w(&presenter);
    w.Run(res::main_window::kRead);
    QCOMPARE(presenter.texts(), std::vector<std::string>{"成功!"});
    const QString prefix = QString(WindowRecords::kNotKeptText).section('%', 0, 0);
    QVERIFY2(QString::fromStdString(presenter.details().back()).contains(prefix),
             presenter.details().back().c_str());
    const RadioRegion region = w.dlg->image().region(0);
    const auto data = region.data;
    QVERIFY(std::vector<std::uint8_t>(data.begin(), data.end()) ==
            radio.ReadMemory(std::uint16_t(region.addrHi << 8 | region.addrLo), data.size()));
  }

  // With a line's database named, the window forwards on its own; an unreachable one leaves the
  // records counted as waiting.
  void forwardsToTheLineInTheBackground_data() {
    QTest::addColumn<bool>("reachable");
    QTest::newRow("line reachable") << true;
    QTest::newRow("line unreachable") << false;
  }
  void forwardsToTheLineInTheBackground() {
    QFETCH(bool, reachable);
    const QString line = reachable ? m_data->filePath("line.sqlite")
                                   : QStringLiteral("postgresql://nobody@127.0.0.1:1/line");
    const QString name = QCoreApplication::applicationName();
    QSettings(name, name).setValue(QStringLiteral("records/url"), line);
    sim::ComPortRig rig;
    rig.AddRadio(1).SetMemory(sim::FactoryAlignment::Make());
    test::RecordingPresenter presenter;
    Window w(&presenter);
    QLabel* waiting = w.dlg->records()->waitingLabel();
    QTRY_VERIFY(waiting->isVisible() && !waiting->text().isEmpty());
    Scan(w, "SN-7");
    w.Run(res::main_window::kRead);
    if (reachable) {
      std::string error;
      const auto store = RecordStore::Open(line, error);
      QVERIFY2(store, error.c_str());
      QTRY_COMPARE_WITH_TIMEOUT(store->History("SN-7", error).size(), std::size_t(1), 20000);
    }
    const QString shown = QString(WindowRecords::kWaitingText).arg(reachable ? 0 : 1);
    QTRY_COMPARE_WITH_TIMEOUT(waiting->text(), shown, 20000);
  }

  // 历史记录: the jobs of the scanned radio newest first; the image before the write opened as
  // unsaved work (the window asks about its own first), and 写入 puts it back on the radio.
  void historyPutsAnEarlierCalibrationBack() {
    sim::ComPortRig rig;
    rig.AddRadio(1).SetMemory(sim::FactoryAlignment::Make());
    test::RecordingPresenter presenter;
    Window w(&presenter);
    Scan(w, "SN-H");
    w.Run(res::main_window::kRead);
    const std::vector<std::vector<std::uint8_t>> original = Regions(Bytes(w.dlg->image()));
    test::TypeInto(w.dlg->bandPage(1)->ControlAs<QLineEdit>(res::band_page::kTxLow), "431");
    w.Run(res::main_window::kWrite);
    QVERIFY(w.dlg->isWindowModified());
    QStringList kinds;
    test::WhenModal<HistoryDlg>([&kinds](HistoryDlg* dialog) {
      for (int row = 0; row < dialog->table()->rowCount(); ++row)
        kinds << dialog->table()->item(row, HistoryDlg::kKind)->text();
      dialog->table()->selectRow(0);
      QTest::mouseClick(dialog->openBeforeButton(), Qt::LeftButton);
    });
    w.dlg->records()->ShowHistory();
    QCOMPARE(kinds, (QStringList{"write", "read"}));
    QCOMPARE(w.script.saveChangesQuestions, 1);
    QVERIFY(w.dlg->isWindowModified());
    QCOMPARE(w.dlg->bandPage(1)->ControlAs<QLineEdit>(res::band_page::kTxLow)->text(),
             QStringLiteral("430"));
    w.Run(res::main_window::kWrite);
    w.Run(res::main_window::kRead);
    QVERIFY(Regions(Bytes(w.dlg->image())) == original);
  }

 private:
  struct Window {
    explicit Window(AskedPresenter* presenter)
        : dlg(std::make_unique<CAlignMainDlg>(
              nullptr, MainWindowServices{test::MakeScaledPort, presenter, script.Prompts()})) {
      dlg->show();
      QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    }
    void Run(int id) {
      QTest::mouseClick(qobject_cast<QPushButton*>(dlg->Control(id)), Qt::LeftButton);
      QTRY_VERIFY_WITH_TIMEOUT(dlg->gate().IsOpen() && !dlg->job().IsRunning(), 20000);
    }
    test::PromptScript script;
    std::unique_ptr<CAlignMainDlg> dlg;
  };

  // As a barcode scanner does: the characters, then Enter.
  static void Scan(Window& w, const QString& serial) {
    QLineEdit* edit = w.dlg->records()->serialEdit();
    edit->setFocus();
    QTest::keyClicks(edit, serial);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(edit->text(), serial);
  }

  std::unique_ptr<QTemporaryDir> m_data;
};

QTEST_MAIN(WindowRecordsTest)
#include "WindowRecordsTest.moc"
