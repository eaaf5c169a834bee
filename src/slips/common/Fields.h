#pragma once

#include "services/Error.h"
#include "services/database/Database.h"
#include "services/text/Conversions.h"

#include <QVariant>

namespace kema::slips {

// The named column of the current row; a column the statement lacks is an error of the event.
inline QVariant column(const db::Recordset& rs, const char* name) {
    auto v = rs.field(QLatin1String(name));
    if (!v.ok())
        throw Failure(v.error());
    return v.value();
}

// The column's text with surrounding blanks removed; the empty text for Null.
inline QString trimmedColumn(const db::Recordset& rs, const char* name) {
    return NullToEmpty(column(rs, name)).trimmed();
}

} // namespace kema::slips
