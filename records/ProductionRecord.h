#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// One alignment point as the job left it, kept in a table of its own for queries.
struct AlignmentPointRow {
  std::string band;  // "A" or "B"
  int table = 0;
  int point = 0;
  double mhz = 0;
  double targetWatts = 0;
  double windowWatts = 0;
  int oldLevel = 0;
  int newLevel = 0;
  double confirmedWatts = 0;
  int liveTunes = 0;
  int readings = 0;
  std::string verdict;
};

// One job done to one radio: who, where, when, with what, and the radio's image before and after.
struct ProductionRecord {
  std::string id;            // a UUID, the key forwarding is done by
  std::string kind;          // "read", "write", "align", "live"
  std::string startedUtc;    // ISO 8601 with milliseconds and Z
  std::string endedUtc;
  std::string outcome;       // the text the job showed ("成功!", "失败!", ...)
  bool succeeded = false;
  std::string detail;        // the job's line of detail
  std::string host;
  std::string bench;         // the bench's name from the settings
  std::string operatorName;
  std::string version;
  std::string port;
  std::string usbIdentity;   // "vvvv:pppp serial" from sysfs, "" for a port without one
  std::string radioIdentification;  // the identification answer, hex
  std::string serial;
  std::string lot;
  std::vector<std::uint8_t> imageBefore;
  std::vector<std::uint8_t> imageAfter;
  std::string backupPath;
  std::string planName;
  std::string planSha256;
  std::string meterIdentification;
  std::string meterUrl;
  std::vector<AlignmentPointRow> points;

  // Filled when the record is stored: its place in the station's chain and the hashes.
  long long stationSequence = 0;
  std::string previousHash;  // the station's previous record's contentHash ("" for the first)
  std::string contentHash;   // SHA-256 of the content and previousHash, hex

  // The station a chain belongs to: the host, and the bench's name where one is set.
  std::string Station() const { return bench.empty() ? host : host + "/" + bench; }
};

}  // namespace velmora
