#include "ui/MeterSettingsDlg.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "instrument/MeterDialect.h"

namespace velmora {
namespace {

constexpr int kUrlWidth = 320;  // room for a serial URL with its baud rate
// The due date's lowest value stands for "none kept": QDateEdit has no empty state.
const QDate kNoCalibrationDue(2000, 1, 1);

}  // namespace

MeterSettingsDlg::MeterSettingsDlg(const InstrumentSettings& settings, QWidget* parent)
    : QDialog(parent),
      m_url(new QLineEdit(settings.meterUrl, this)),
      m_dialect(new QComboBox(this)),
      m_attenuator(new QDoubleSpinBox(this)),
      m_calibrationDue(new QDateEdit(this)),
      m_testButton(new QPushButton(tr("测试"), this)),
      m_result(new QLabel(this)) {
  setWindowTitle(tr("功率计设置"));
  m_url->setPlaceholderText(QStringLiteral("tcp://192.168.1.50:5025"));
  m_url->setMinimumWidth(kUrlWidth);
  m_url->setToolTip(
      tr("tcp://主机:端口, serial:///dev/ttyUSB0?baud=9600, usbtmc:///dev/usbtmc0 "
         "或 sim:"));
  QString error;
  for (const QString& name : MeterDialect::Names()) {
    const auto dialect = MeterDialect::Find(name, error);
    m_dialect->addItem(name);
    if (dialect)
      m_dialect->setItemData(m_dialect->count() - 1, dialect->description, Qt::ToolTipRole);
  }
  // A dialect this program no longer knows stays as stored, so OK does not change it unasked.
  if (m_dialect->findText(settings.meterDialect) < 0) m_dialect->addItem(settings.meterDialect);
  m_dialect->setCurrentText(settings.meterDialect);
  m_attenuator->setRange(0, kMaxAttenuatorDb);
  m_attenuator->setDecimals(kAttenuatorDecimals);
  m_attenuator->setSuffix(QStringLiteral(" dB"));
  m_attenuator->setValue(settings.attenuatorDb);
  m_calibrationDue->setCalendarPopup(true);
  m_calibrationDue->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  m_calibrationDue->setMinimumDate(kNoCalibrationDue);
  m_calibrationDue->setSpecialValueText(tr("未设置"));
  m_calibrationDue->setDate(settings.calibrationDue.isValid() ? settings.calibrationDue
                                                              : kNoCalibrationDue);
  m_result->setWordWrap(true);
  m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* form = new QFormLayout;
  form->addRow(tr("地址(&U):"), m_url);
  form->addRow(tr("指令集(&D):"), m_dialect);
  form->addRow(tr("衰减器(&A):"), m_attenuator);
  form->addRow(tr("校准到期(&C):"), m_calibrationDue);
  auto* testRow = new QHBoxLayout;
  testRow->addWidget(m_testButton);
  testRow->addWidget(m_result, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(testRow);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_testButton, &QPushButton::clicked, this, &MeterSettingsDlg::OnTest);
}

MeterSettingsDlg::~MeterSettingsDlg() {
  if (!m_test) return;
  m_test->wait();
  delete m_test;
}

InstrumentSettings MeterSettingsDlg::Settings() const {
  InstrumentSettings s;
  s.meterUrl = m_url->text().trimmed();
  s.meterDialect = m_dialect->currentText();
  s.attenuatorDb = m_attenuator->value();
  if (m_calibrationDue->date() != kNoCalibrationDue) s.calibrationDue = m_calibrationDue->date();
  return s;
}

// The answer is written by the worker before it ends and read here only once it has ended.
void MeterSettingsDlg::OnTest() {
  if (m_test) return;
  const InstrumentSettings tested = Settings();
  auto answer = std::make_shared<MeterCheck>();
  m_test = QThread::create([tested, answer] { *answer = MeterCheck::Identify(tested); });
  connect(m_test, &QThread::finished, this, [this, answer] {
    m_test->deleteLater();
    m_test = nullptr;
    ShowCheck(*answer);
  });
  m_testButton->setEnabled(false);
  m_result->setText(tr("正在连接 %1…").arg(tested.meterUrl));
  m_test->start();
}

void MeterSettingsDlg::ShowCheck(const MeterCheck& check) {
  m_testButton->setEnabled(true);
  m_result->setText(check.ok() ? tr("功率计: %1").arg(check.identification)
                               : tr("失败: %1").arg(check.error));
  emit Tested(check);
}

}  // namespace velmora
