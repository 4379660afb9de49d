#include "records/RecordForwarder.h"

namespace velmora {
namespace {

// Records taken from the bench at a time: small enough that a time limit is kept to.
constexpr int kBatch = 50;

}  // namespace

RecordForwarder::Result RecordForwarder::Forward(RecordStore& bench, RecordStore& line,
                                                 std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  Result result;
  while (result.error.empty() && std::chrono::steady_clock::now() < end) {
    const auto batch = bench.Unforwarded(kBatch, result.error);
    if (batch.empty()) break;
    for (const auto& record : batch) {
      if (std::chrono::steady_clock::now() >= end) break;
      if (!line.Receive(record, result.error) || !bench.MarkForwarded(record.id, result.error)) {
        break;
      }
      ++result.forwarded;
    }
  }
  std::string countError;
  result.waiting = bench.UnforwardedCount(countError).value_or(-1);
  if (result.error.empty()) result.error = countError;
  return result;
}

}  // namespace velmora
