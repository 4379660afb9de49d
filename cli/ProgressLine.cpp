#include "cli/ProgressLine.h"

namespace velmora {
namespace {

constexpr const char* kClearToEndOfLine = "\033[K";

}  // namespace

void ProgressLine::Follow(const JobRelay& relay) const {
  if (!m_out) return;
  QObject::connect(&relay, &JobRelay::Progress,
                   [out = m_out](const QString& text) { Show(*out, text); });
}

void ProgressLine::Show(std::ostream& out, const QString& text) {
  out << "\r" << text.toStdString() << kClearToEndOfLine << std::flush;
}

void ProgressLine::Clear() const {
  if (m_out) *m_out << "\r" << kClearToEndOfLine << std::flush;
}

}  // namespace velmora
