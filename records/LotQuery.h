#pragma once

#include <string>

#include "records/LotData.h"
#include "records/RecordStore.h"

namespace velmora {

// The alignments a lot's statistics are made from, read from the records in two queries whatever
// the lot's size: every alignment's row with its points packed in it (the latest per radio kept,
// the earlier counted for what retries cost), and the points' targets.
class LotQuery {
 public:
  static LotData Load(RecordStore& store, const RecordFilter& filter, std::string& error);
};

}  // namespace velmora
