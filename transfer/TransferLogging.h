#pragma once

#include <QLoggingCategory>

// The transfer jobs' own diagnostics; off unless QT_LOGGING_RULES="velmora.transfer.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcTransfer)
