#pragma once

#include <QObject>
#include <QPointer>

#include "core/LiveCommandComposer.h"
#include "transfer/TransferDoneEvent.h"

namespace velmora {

// A page's request to start the live-tuning transfer (operation 4, value 0), carrying the command
// the page composed: the band page writes it into the image's liveCommand only when it starts the
// transfer for it, so requests of different pages never overwrite each other's command.
class LiveRequestEvent : public TransferDoneEvent {
 public:
  LiveRequestEvent(QObject* source, const LiveCommandComposer::Command& command)
      : TransferDoneEvent(TRANSFER_LIVE, 0), m_source(source), m_command(command) {}

  QObject* source() const { return m_source; }
  const LiveCommandComposer::Command& command() const { return m_command; }

  static void Post(QObject* requestWindow, QObject* source,
                   const LiveCommandComposer::Command& command) {
    QCoreApplication::postEvent(requestWindow, new LiveRequestEvent(source, command));
  }

 private:
  QPointer<QObject> m_source;
  LiveCommandComposer::Command m_command;
};

}  // namespace velmora
