#include "radio/RadioLogging.h"

Q_LOGGING_CATEGORY(lcSerial, "velmora.serial", QtInfoMsg)
