#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <map>
#include <memory>
#include <optional>

#include "core/BandSettings.h"
#include "core/CalibrationFile.h"
#include "model/PowerCurve.h"
#include "records/RecordStore.h"
#include "tests/cli/CliProcess.h"
#include "tests/cli/SimPlan.h"

// A line's bench for the station's tests: simulated radios that follow one another on one port,
// measured by one meter, a plan whose highest level one of them cannot reach at one point, and
// the bench's records.
namespace velmora::test::station {

// Of band A's high-power table: the last lies well above the others, so that a level limit can
// stop it alone.
inline const std::vector<int> kPoints = {2, 5, 14};
inline constexpr int kLineWaitMs = 120000;

// The level a radio needs at a frequency for at least these watts; 256 when none reaches them.
inline int LevelFor(const meter::PowerCurve& curve, double mhz, double watts) {
  for (int level = 0; level < 256; ++level)
    if (curve.Watts(mhz, level) >= watts) return level;
  return 256;
}

// Two radios that align inside a highest level that the third one's hardest point cannot
// reach: the third fails at exactly that point and the others pass.
struct Lot {
  std::uint64_t good1 = 0, weak = 0, good2 = 0;
  int maxLevel = 0;
  int weakPoint = -1;
};

inline std::optional<Lot> ChooseLot(const std::vector<double>& mhz, double target,
                                    double windowLow) {
  struct Radio {
    std::uint64_t seed;
    std::vector<int> onTarget, lowest;
  };
  std::vector<Radio> radios;
  for (std::uint64_t seed = 1; seed <= 60; ++seed) {
    const meter::PowerCurve curve(seed);
    Radio r{seed, {}, {}};
    for (const double f : mhz) {
      r.onTarget.push_back(LevelFor(curve, f, target));
      r.lowest.push_back(LevelFor(curve, f, windowLow));
    }
    radios.push_back(r);
  }
  auto hardest = [](const Radio& r) { return *std::max_element(r.lowest.begin(), r.lowest.end()); };
  std::sort(radios.begin(), radios.end(),
            [&](const Radio& a, const Radio& b) { return hardest(a) < hardest(b); });
  const Radio& weak = radios.back();
  Lot lot{radios[0].seed, weak.seed, radios[1].seed, hardest(weak) - 1, -1};
  const auto at = std::max_element(weak.lowest.begin(), weak.lowest.end());
  lot.weakPoint = kPoints[std::size_t(at - weak.lowest.begin())];
  // Room above every other point's on-target level, so that its search never meets the limit.
  constexpr int kRoom = 3;
  for (const Radio* r : std::initializer_list<const Radio*>{&radios[0], &radios[1], &weak})
    for (std::size_t k = 0; k < mhz.size(); ++k)
      if ((r != &weak || kPoints[k] != lot.weakPoint) && r->onTarget[k] + kRoom > lot.maxLevel)
        return std::nullopt;
  return lot;
}

// A plan for band A's high table at three points, with the highest level the test chooses.
inline QString WritePlan(const QString& path, int maxLevel) {
  if (WriteSimPlan(path, 20).isEmpty()) return {};
  QFile file(path);
  file.open(QIODevice::ReadOnly);
  QJsonObject plan = QJsonDocument::fromJson(file.readAll()).object();
  file.close();
  QJsonObject targets = plan["targets"].toObject();
  QJsonObject bandA;
  bandA["high"] = targets["A"].toObject()["high"];
  plan["targets"] = QJsonObject{{"A", bandA}};
  plan["points"] = QJsonArray{kPoints[0], kPoints[1], kPoints[2]};
  QJsonObject safety = plan["safety"].toObject();
  safety["maxLevel"] = maxLevel;
  plan["safety"] = safety;
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
  file.write(QJsonDocument(plan).toJson());
  return path;
}

// A loopback port free now, for the meter every radio of the bench is measured by in turn.
inline int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
    port = ntohs(address.sin_port);
  ::close(fd);
  return port;
}

// One simulated radio at a time on the station's port, each with its own amplifier, all measured
// by a meter on the same loopback port, as radios follow one another on one bench.
class Bench {
 public:
  explicit Bench(const QTemporaryDir& dir) : m_dir(dir), m_meterPort(FreePort()) {
    env = {{"XDG_DATA_HOME", dir.filePath("data")},
           {"XDG_CONFIG_HOME", dir.filePath("config")},
           {"VELMORA_COM1", dir.filePath("radio")}};
  }
  bool Swap(std::uint64_t seed) {
    m_radio.reset();  // the old radio's simulator ends and takes its link along
    m_radio = std::make_unique<SimProcess>();
    return m_radio->Start({"--factory", "--link", m_dir.filePath("radio"), "--meter", meterUrl(),
                           "--radio-seed", QString::number(seed), "--pa-settle-ms", "4"});
  }
  QString meterUrl() const { return QString("tcp://127.0.0.1:%1").arg(m_meterPort); }
  // What the radio on the port holds now, read by velmora-cli.
  std::shared_ptr<CalibrationImage> ReadRadio(const QString& name) const {
    const QString file = m_dir.filePath(name);
    if (RunCli(m_dir.filePath("radio"), {"read", file, "--port", "1"}, env).exitCode != 0)
      return nullptr;
    auto image = std::make_shared<CalibrationImage>();
    if (!CalibrationFile::LoadFromFile(*image, file.toStdString(), {}).ok()) return nullptr;
    return image;
  }
  QMap<QString, QString> env;

 private:
  const QTemporaryDir& m_dir;
  int m_meterPort;
  std::unique_ptr<SimProcess> m_radio;
};

// The lot for the factory image's band A points, found with the first radio on the bench.
inline std::optional<Lot> LotForBench(Bench& bench) {
  if (!bench.Swap(1)) return std::nullopt;
  const auto factory = bench.ReadRadio("factory.dat");
  if (!factory) return std::nullopt;
  const BandSettings bandA = BandSettings::FromImage(*factory, 0);
  std::vector<double> mhz;
  for (const int k : kPoints) mhz.push_back(bandA.PointMhz(k));
  return ChooseLot(mhz, 5.0, 4.75);
}

// The station's records, the newest of each serial.
inline std::map<std::string, ProductionRecord> LastRecordBySerial(const QTemporaryDir& dir) {
  std::string error;
  std::map<std::string, ProductionRecord> records;
  auto store = RecordStore::Open(dir.filePath("data/Velmora/records/records.sqlite"), error);
  if (!store) return records;
  for (const ProductionRecord& r : store->Select({}, error))
    if (r.kind == "align") records[r.serial] = r;  // the bench's own reads are not the station's
  return records;
}

}  // namespace velmora::test::station
