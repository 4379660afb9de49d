#include "align/JsonKeyCheck.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <vector>

namespace velmora {
namespace {

// One open object or array and where it stands.
struct Level {
  bool object = false;
  QString path;
  QSet<QString> keys;
  QString key;    // the object's key whose value comes next
  int index = 0;  // the array's element that comes next
  bool expectKey = false;
};

class Scanner {
 public:
  explicit Scanner(const QByteArray& json) : m_json(json) {}

  QString Run() {
    while (m_pos < m_json.size() && m_fault.isEmpty()) Step(m_json[m_pos]);
    return m_fault;
  }

 private:
  QString ValuePath() const {
    if (m_levels.empty()) return {};
    const Level& top = m_levels.back();
    if (!top.object) return top.path + QStringLiteral("[%1]").arg(top.index);
    return top.path.isEmpty() ? top.key : top.path + '.' + top.key;
  }

  void Step(char c) {
    if (c == '{' || c == '[') {
      m_levels.push_back({c == '{', ValuePath(), {}, {}, 0, c == '{'});
    } else if ((c == '}' || c == ']') && !m_levels.empty()) {
      m_levels.pop_back();
    } else if (c == ',' && !m_levels.empty()) {
      Level& top = m_levels.back();
      top.object ? void(top.expectKey = true) : void(++top.index);
    } else if (c == '"') {
      String();
      return;
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      Number();
      return;
    } else if (std::isalpha(static_cast<unsigned char>(c))) {
      Word();
      return;
    }
    ++m_pos;
  }

  void String() {
    const qsizetype start = m_pos++;
    while (m_pos < m_json.size() && m_json[m_pos] != '"') m_pos += m_json[m_pos] == '\\' ? 2 : 1;
    ++m_pos;
    if (m_levels.empty() || !m_levels.back().expectKey) return;
    Level& top = m_levels.back();
    const QByteArray token = m_json.mid(start, m_pos - start);
    top.key = QJsonDocument::fromJson('[' + token + ']').array().at(0).toString();
    top.expectKey = false;
    if (top.keys.contains(top.key)) {
      m_fault = ValuePath() + QStringLiteral(": given twice");
    }
    top.keys.insert(top.key);
  }

  void Number() {
    const qsizetype start = m_pos;
    while (m_pos < m_json.size() && QByteArrayView("+-.eE0123456789").contains(m_json[m_pos])) {
      ++m_pos;
    }
    double value = 0;
    const char* first = m_json.constData() + start;
    const auto [end, error] = std::from_chars(first, m_json.constData() + m_pos, value);
    if (error != std::errc() || !std::isfinite(value)) {
      m_fault =
          ValuePath() + QStringLiteral(": %1 lies beyond the range of a number")
                            .arg(QString::fromLatin1(first, std::min(m_pos - start, kMostQuoted)));
    }
  }

  // true, false and null; NaN or Infinity, which some writers put out, is no number at all.
  void Word() {
    const qsizetype start = m_pos;
    while (m_pos < m_json.size() && std::isalpha(static_cast<unsigned char>(m_json[m_pos])))
      ++m_pos;
    const QByteArray word = m_json.mid(start, m_pos - start);
    if (word != "true" && word != "false" && word != "null") {
      m_fault = ValuePath() + QStringLiteral(": %1 is no finite number")
                                  .arg(QString::fromLatin1(word.left(kMostQuoted)));
    }
  }

  static constexpr qsizetype kMostQuoted = 40;
  const QByteArray& m_json;
  qsizetype m_pos = 0;
  std::vector<Level> m_levels;
  QString m_fault;
};

}  // namespace

QString JsonKeyCheck::FirstFault(const QByteArray& json) { return Scanner(json).Run(); }

}  // namespace velmora
