#pragma once

// Diagnostic lines, one category per subsystem; enable or silence them with QT_LOGGING_RULES
// (for example "kema.db.warning=false"). Messages for people go through services/messages.
#include <QLoggingCategory>

namespace kema {

Q_DECLARE_LOGGING_CATEGORY(lcDb)
Q_DECLARE_LOGGING_CATEGORY(lcPrint)
Q_DECLARE_LOGGING_CATEGORY(lcReport)
Q_DECLARE_LOGGING_CATEGORY(lcSlips)
Q_DECLARE_LOGGING_CATEGORY(lcCard)
Q_DECLARE_LOGGING_CATEGORY(lcRequest)

} // namespace kema
