#include "ui/kit/DataExchange.h"

#include <QComboBox>
#include <QLineEdit>
#include <limits>
#include <optional>

#include "ui/kit/ExchangePrompt.h"

namespace velmora {
namespace {

// Decimal digits with an optional sign, surrounded by blanks at most; nothing on overflow.
std::optional<std::int64_t> ParseDecimal(const QString& text, bool allowMinus) {
  const QString trimmed = text.trimmed();
  qsizetype i = 0;
  bool negative = false;
  if (i < trimmed.size() && (trimmed[i] == u'+' || (allowMinus && trimmed[i] == u'-'))) {
    negative = trimmed[i] == u'-';
    ++i;
  }
  if (i == trimmed.size()) return std::nullopt;
  std::int64_t value = 0;
  for (; i < trimmed.size(); ++i) {
    const char16_t c = trimmed[i].unicode();
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
    if (value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  }
  return negative ? -value : value;
}

}  // namespace

DataExchange::DataExchange(QWidget* dialog, const DialogControls& controls, bool saveAndValidate)
    : m_dialog(dialog), m_controls(controls), m_save(saveAndValidate) {}

void DataExchange::Begin(int id) {
  m_lastId = id;
  m_lastRefused = false;
}

QString DataExchange::TextOf(int id) const {
  if (const auto* edit = m_controls.Get<QLineEdit>(id)) return edit->text();
  if (const auto* combo = m_controls.Get<QComboBox>(id)) return combo->currentText();
  return QString();
}

void DataExchange::Put(int id, const QString& text) {
  // Rewriting an unchanged text would reset the caret of a box the user is typing in.
  if (auto* edit = m_controls.Get<QLineEdit>(id)) {
    if (edit->text() != text) edit->setText(text);
  } else if (auto* combo = m_controls.Get<QComboBox>(id); combo && combo->isEditable()) {
    if (combo->currentText() != text) combo->setEditText(text);
  }
}

void DataExchange::Refuse(const QString& prompt) {
  m_lastRefused = true;
  if (m_failed) return;
  ExchangePrompt::Show(m_dialog, prompt);
  if (QWidget* control = m_controls.Widget(m_lastId)) {
    control->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
  }
  m_failed = true;
}

void DataExchange::Text(int id, std::int32_t& value) {
  Begin(id);
  if (!m_save) return Put(id, QString::number(value));
  const auto parsed = ParseDecimal(TextOf(id), true);
  if (!parsed || *parsed < std::numeric_limits<std::int32_t>::min() ||
      *parsed > std::numeric_limits<std::int32_t>::max()) {
    return Refuse(ExchangePrompt::IntegerText());
  }
  value = static_cast<std::int32_t>(*parsed);
}

void DataExchange::Text(int id, std::uint32_t& value) {
  Begin(id);
  if (!m_save) return Put(id, QString::number(value));
  const auto parsed = ParseDecimal(TextOf(id), false);
  if (!parsed) return Refuse(ExchangePrompt::UnsignedText());
  value = static_cast<std::uint32_t>(*parsed);
}

void DataExchange::Text(int id, QString& value) {
  Begin(id);
  if (!m_save) return Put(id, value);
  value = TextOf(id);
}

void DataExchange::CBIndex(int id, int& index) {
  Begin(id);
  auto* combo = m_controls.Get<QComboBox>(id);
  if (!combo) return;
  if (m_save) {
    index = combo->currentIndex();
  } else {
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
  }
}

void DataExchange::MinMaxUInt(std::uint32_t value, std::uint32_t min, std::uint32_t max) {
  if (m_lastRefused || !m_save) return;
  // A range failure leaves the typed number in place; only a store reports it.
  if (value < min || value > max) {
    Refuse(ExchangePrompt::RangeText(min, max));
  }
}

void DataExchange::MaxChars(const QString& value, int count) {
  if (m_lastRefused) return;
  if (!m_save) {
    if (auto* edit = m_controls.Get<QLineEdit>(m_lastId)) edit->setMaxLength(count);
    return;
  }
  if (value.size() > count) Refuse(ExchangePrompt::MaxCharsText(count));
}

}  // namespace velmora
