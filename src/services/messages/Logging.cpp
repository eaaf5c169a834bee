#include "services/messages/Logging.h"

namespace kema {

Q_LOGGING_CATEGORY(lcDb, "kema.db")
Q_LOGGING_CATEGORY(lcPrint, "kema.print")
Q_LOGGING_CATEGORY(lcReport, "kema.report")
Q_LOGGING_CATEGORY(lcSlips, "kema.slips")
Q_LOGGING_CATEGORY(lcCard, "kema.card")
Q_LOGGING_CATEGORY(lcRequest, "kema.request")

} // namespace kema
