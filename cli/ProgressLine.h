#pragma once

#include <QObject>
#include <QString>
#include <ostream>

namespace velmora {

// A job's progress as one rewritten terminal line on out (none when out is null), cleared when
// the job has ended.
class ProgressLine {
 public:
  explicit ProgressLine(std::ostream* out) : m_out(out) {}

  // Prints every Progress text the relay posts.
  template <class Relay>
  void Follow(const Relay& relay) const {
    if (!m_out) return;
    QObject::connect(&relay, &Relay::Progress,
                     [out = m_out](const QString& text) { Show(*out, text); });
  }
  void Clear() const;

 private:
  static void Show(std::ostream& out, const QString& text);

  std::ostream* m_out;
};

}  // namespace velmora
