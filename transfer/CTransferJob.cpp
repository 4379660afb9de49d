#include "transfer/CTransferJob.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "transfer/TransferDoneEvent.h"

namespace velmora {
namespace {

constexpr std::size_t kWriteBlocksPerRegion[layout::kRegionCount] = {4, 4, 2, 3};

std::string Hex16(int hi, int lo) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X%02X", hi & 0xFF, lo & 0xFF);
  return text;
}

}  // namespace

CTransferJob::CTransferJob() = default;
CTransferJob::~CTransferJob() = default;

void CTransferJob::Setup(QObject* owner, CalibrationImage* image) {
  m_hOwner = owner;
  m_pImage = image;
  if (!m_pPort) m_pPort = m_portFactory ? m_portFactory() : std::make_unique<CRadioPort>();
}

bool CTransferJob::Claim() {
  bool idle = false;
  return m_running.compare_exchange_strong(idle, true);
}

void CTransferJob::Run() {
  m_pImage->setBusy(true);
  switch (m_nOperation) {
    case TRANSFER_READ:
      if (!Connect()) break;
      if (ReadAll()) {
        Post(TRANSFER_READ, 0);  // the owner refreshes while the box is still up
        Show(kSuccessText);
      } else {
        Show(kFailureText);
      }
      break;
    case TRANSFER_WRITE:
      if (!Connect()) break;
      Show(WriteAll() ? kSuccessText : kFailureText);
      break;
    case TRANSFER_LIVE:
      RunLive();
      break;
    default:
      break;
  }
  m_pPort->CloseIfOpen();
  m_pImage->setBusy(false);
  m_running = false;
}

void CTransferJob::RunLive() {
  if (!Connect()) return;
  std::array<std::uint8_t, layout::kLiveCommandSize> command{};
  {
    const auto lock = m_pImage->Lock();
    const auto composed = m_pImage->liveCommand();
    std::copy(composed.begin(), composed.end(), m_pImage->liveCommandSent().begin());
    std::copy(composed.begin(), composed.end(), command.begin());
  }
  const bool sent = m_pPort->SendLiveCommand(command);
  SetDetail(sent ? "live command acknowledged" : "live command not acknowledged");
  Post(TRANSFER_LIVE, sent ? kLiveSent : kLiveFailed);
}

bool CTransferJob::TryPort(int port, int retries) {
  if (!m_pPort->Open("COM" + std::to_string(port))) return false;
  if (m_pPort->Handshake(retries)) return true;
  m_pPort->Close();
  return false;
}

bool CTransferJob::Connect() {
  const int first = [&] {
    const auto lock = m_pImage->Lock();
    return m_pImage->portNumber();
  }();
  int p = first;
  int retries = kFirstPortRetries;
  bool isFirst = true;
  bool found = false;
  while (p < kPortLimit && !found) {
    found = TryPort(p, retries);
    if (found) break;
    if (isFirst) {
      p = first == 1 ? 2 : 1;
      isFirst = false;
      retries = kOtherPortRetries;
    } else if (++p == first) {
      ++p;
    }
  }
  if (!found) {
    SetDetail("no radio answered the handshake on COM1..COM9 (started at COM" +
              std::to_string(first) + ")");
    Show(kConnectFailedText);
    return false;
  }
  {
    const auto lock = m_pImage->Lock();
    m_pImage->setPortNumber(p);
  }
  if (!m_pPort->Identify()) {
    SetDetail("the radio on COM" + std::to_string(p) + " failed the identification");
    Show(kConnectFailedText);
    return false;
  }
  SetDetail("radio answered on COM" + std::to_string(p));
  return true;
}

bool CTransferJob::ReadAll() {
  for (std::size_t i = 0; i < layout::kRegionCount; ++i) {
    std::array<std::uint8_t, layout::kRegionDataSize> block{};
    std::uint8_t hi = 0, lo = 0;
    {
      const auto lock = m_pImage->Lock();
      const RadioRegion region = m_pImage->region(i);
      hi = region.addrHi, lo = region.addrLo;
      std::copy(region.data.begin(), region.data.end(), block.begin());
    }
    const bool ok = m_pPort->ReadBlock(hi, lo, block);
    {
      // A block that failed after its data arrived keeps them, as the radio sent them.
      const auto lock = m_pImage->Lock();
      std::copy(block.begin(), block.end(), m_pImage->region(i).data.begin());
    }
    if (!ok) {
      SetDetail("read block " + std::to_string(i + 1) + " of 4 at " + Hex16(hi, lo) + " failed");
      return false;
    }
  }
  SetDetail(Detail() + ", read 4 blocks");
  return true;
}

bool CTransferJob::WriteAll() {
  CalibrationImage::Bytes snapshot;
  {
    const auto lock = m_pImage->Lock();
    snapshot = m_pImage->ToBytes();
  }
  int sent = 0;
  auto send = [&](std::size_t header, std::size_t data) {
    const std::uint8_t hi = snapshot[header];
    const std::uint8_t lo = snapshot[header + 1];  // already advanced by the caller
    std::array<std::uint8_t, protocol::kWriteBlockSize> block{};
    std::copy_n(snapshot.begin() + static_cast<std::ptrdiff_t>(data), block.size(), block.begin());
    if (m_pPort->WriteBlock(hi, lo, block)) {
      ++sent;
      return true;
    }
    SetDetail("write block " + std::to_string(sent + 1) + " of 14 at " + Hex16(hi, lo) + " failed");
    return false;
  };
  for (std::size_t i = 0; i < layout::kRegionCount; ++i) {
    const std::size_t header = layout::RegionOffset(i);
    const std::uint8_t lo = snapshot[header + 1];
    for (std::size_t k = 0; k < kWriteBlocksPerRegion[i]; ++k) {
      // The block address advances on the low byte alone, without carry into the high byte.
      snapshot[header + 1] = static_cast<std::uint8_t>(lo + 16 * k);
      if (!send(header, header + 2 + 16 * k)) return false;
    }
  }
  if (!send(layout::kLiveBlock, layout::kLiveBlock + 2)) return false;
  SetDetail(Detail() + ", wrote 14 blocks");
  return true;
}

void CTransferJob::Show(const char* text) {
  if (m_presenter) m_presenter->ShowMessage(tr(text).toStdString());
}

void CTransferJob::Post(int operation, int result) {
  if (m_hOwner) TransferDoneEvent::Post(m_hOwner, operation, result);
}

void CTransferJob::SetDetail(std::string detail) {
  const std::lock_guard lock(m_detailMutex);
  m_detail = std::move(detail);
}

std::string CTransferJob::Detail() const {
  const std::lock_guard lock(m_detailMutex);
  return m_detail;
}

}  // namespace velmora
