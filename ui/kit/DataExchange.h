#pragma once

#include <QString>
#include <cstdint>

#include "ui/kit/DialogControls.h"

namespace velmora {

// One run of a dialog's data exchange, in one direction: towards the controls (load) or from
// them into the members (store, with validation). A refused value keeps what its member held and
// the run goes on, so every other box stores what it shows. The first refusal shows its prompt
// and takes the focus to its control (one prompt per run).
class DataExchange {
 public:
  DataExchange(QWidget* dialog, const DialogControls& controls, bool saveAndValidate);

  bool saveAndValidate() const { return m_save; }
  bool failed() const { return m_failed; }

  // Binds a member pointer to the control with the given id.
  template <class T>
  void Control(int id, T*& member) {
    member = m_controls.Get<T>(id);
  }
  // An edit box's text as a signed integer, an unsigned integer, or as text.
  void Text(int id, std::int32_t& value);
  void Text(int id, std::uint32_t& value);
  void Text(int id, QString& value);
  // A combo box's selected index; an index outside the list selects nothing.
  void CBIndex(int id, int& index);
  // Checks of the value exchanged last, made only when storing.
  void MinMaxUInt(std::uint32_t value, std::uint32_t min, std::uint32_t max);
  // Limits the edit box exchanged last to count characters when loading; refuses a longer
  // text when storing.
  void MaxChars(const QString& value, int count);

 private:
  void Begin(int id);
  QString TextOf(int id) const;
  void Put(int id, const QString& text);
  void Refuse(const QString& prompt);

  QWidget* m_dialog;
  const DialogControls& m_controls;
  bool m_save;
  int m_lastId = res::kNoId;
  bool m_lastRefused = false;  // the checks of a refused box have nothing to check
  bool m_failed = false;
};

}  // namespace velmora
