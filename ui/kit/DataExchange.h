#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "ui/kit/DialogControls.h"

namespace velmora {

// One run of a dialog's data exchange, in one direction: towards the controls (load) or from
// them into the members (store, with validation). A refused value keeps what its member held and
// the run goes on, so every other box stores what it shows; each refused box is listed in
// refusedIds(). In prompting mode the first refusal shows its prompt and takes the focus to its
// control (one prompt per run); in quiet mode nothing is shown.
class DataExchange {
 public:
  enum class Mode { Prompt, Quiet };

  DataExchange(QWidget* dialog, const DialogControls& controls, bool saveAndValidate,
               Mode mode = Mode::Prompt, std::vector<int> untouchedIds = {});

  bool saveAndValidate() const { return m_save; }
  bool failed() const { return m_failed; }
  const std::vector<int>& refusedIds() const { return m_refused; }

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
  bool Skip(int id);
  QString TextOf(int id) const;
  void Put(int id, const QString& text);
  void Refuse(const QString& prompt);

  QWidget* m_dialog;
  const DialogControls& m_controls;
  bool m_save;
  Mode m_mode;
  std::vector<int> m_untouched;
  std::vector<int> m_refused;
  int m_lastId = res::kNoId;
  bool m_lastRefused = false;  // the checks of a refused box have nothing to check
  bool m_failed = false;
};

}  // namespace velmora
