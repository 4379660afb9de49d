#include "transfer/TransferLogging.h"

Q_LOGGING_CATEGORY(lcTransfer, "velmora.transfer", QtInfoMsg)
