#pragma once

#include <QCoreApplication>
#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "core/CalibrationImage.h"
#include "radio/CRadioPort.h"
#include "transfer/MessagePresenter.h"

namespace velmora {

// One operation between the image and the radio: find the radio by scanning COM ports, read the
// four regions, write the 14 blocks, or send one live command. Run blocks; a CTestThread runs it.
class CTransferJob {
  Q_DECLARE_TR_FUNCTIONS(CTransferJob)

 public:
  // Outcome texts, shown through tr(): a program without a translator (velmora-cli) keeps them.
  static constexpr const char* kSuccessText = QT_TR_NOOP("成功!");
  static constexpr const char* kFailureText = QT_TR_NOOP("失败!");
  static constexpr const char* kConnectFailedText = QT_TR_NOOP("连接对讲机失败!");
  static constexpr int kLiveSent = 100;
  static constexpr int kLiveFailed = 50;
  static constexpr int kFirstPortRetries = 3;
  static constexpr int kOtherPortRetries = 1;
  static constexpr int kPortLimit = 10;  // COM1..COM9

  using PortFactory = std::function<std::unique_ptr<CRadioPort>()>;

  CTransferJob();
  ~CTransferJob();
  CTransferJob(const CTransferJob&) = delete;
  CTransferJob& operator=(const CTransferJob&) = delete;

  // Stores the owner and the image; creates the port on first use.
  void Setup(QObject* owner, CalibrationImage* image);
  void SetOperation(int operation) { m_nOperation = operation; }
  void SetPresenter(MessagePresenter* presenter) { m_presenter = presenter; }
  // How the port is made on first Setup; tests hand in a scaled-timing port.
  void SetPortFactory(PortFactory factory) { m_portFactory = std::move(factory); }

  // A job record serves one job at a time: Claim before starting a thread, Run releases it.
  bool Claim();
  bool IsRunning() const { return m_running.load(); }

  void Run();
  bool Connect();
  bool ReadAll();
  bool WriteAll();

  // One line on what happened last: which port answered, which step or block failed.
  std::string Detail() const;
  CRadioPort* port() const { return m_pPort.get(); }

 private:
  void Show(const char* text);
  void Post(int operation, int result);
  void SetDetail(std::string detail);
  bool TryPort(int port, int retries);
  void RunLive();

  std::unique_ptr<CRadioPort> m_pPort;
  int m_nOperation = 0;
  CalibrationImage* m_pImage = nullptr;
  QObject* m_hOwner = nullptr;  // lives as long as the program
  MessagePresenter* m_presenter = nullptr;
  PortFactory m_portFactory;
  std::atomic<bool> m_running{false};
  mutable std::mutex m_detailMutex;
  std::string m_detail;
};

}  // namespace velmora
