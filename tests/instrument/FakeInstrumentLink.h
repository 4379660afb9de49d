#pragma once

#include <QByteArrayList>
#include <QList>

#include "instrument/InstrumentLink.h"

namespace velmora::test {

// A link that keeps every byte written and hands out scripted answers, one chunk per read; an
// empty chunk is a read that times out. Shared state so the test still sees it once owned.
struct FakeLinkScript {
  QByteArray written;
  QByteArrayList chunks;
  int clears = 0;
};

class FakeInstrumentLink : public InstrumentLink {
 public:
  explicit FakeInstrumentLink(FakeLinkScript& script) : m_script(script) {}
  bool Open(QString&) override { return true; }
  void Close() override {}
  bool Write(const QByteArray& bytes, QString&) override {
    m_script.written += bytes;
    return true;
  }
  QByteArray Read(std::chrono::milliseconds, QString&) override {
    return m_script.chunks.isEmpty() ? QByteArray() : m_script.chunks.takeFirst();
  }
  void Clear() override { ++m_script.clears; }

 private:
  FakeLinkScript& m_script;
};

}  // namespace velmora::test
