#pragma once

#include <string>

#include "records/LotData.h"
#include "records/RecordStore.h"

namespace velmora {

// The alignments a lot's statistics are made from, read from the records in two queries whatever
// the lot's size: every radio's latest alignment, its points, and what its retries cost.
class LotQuery {
 public:
  static LotData Load(RecordStore& store, const RecordFilter& filter, std::string& error);
};

}  // namespace velmora
