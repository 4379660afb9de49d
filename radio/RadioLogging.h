#pragma once

#include <QLoggingCategory>

// The serial line's own diagnostics; off unless QT_LOGGING_RULES="velmora.serial.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcSerial)
