#pragma once

#include <chrono>
#include <string>

#include "records/RecordStore.h"

namespace velmora {

// Store and forward: the bench's records go to the line's database, oldest first, each exactly
// once by its id. A record is marked forwarded only after the line holds it, and the line keeps
// the first copy of an id it already has, so a forward cut short anywhere is simply done again.
class RecordForwarder {
 public:
  struct Result {
    long long forwarded = 0;
    long long waiting = 0;  // still on the bench only
    std::string error;      // why forwarding stopped early, "" when it did not
  };
  // Forwards until nothing waits or the time limit has passed.
  static Result Forward(RecordStore& bench, RecordStore& line, std::chrono::milliseconds limit);
};

}  // namespace velmora
