#pragma once

#include <QMap>
#include <QString>
#include <QVariant>

#include <optional>

// raiten --align: the alignment sheet of the printer-offset form that the request's DenpKbnL
// names (1 glasses, 2 contact lenses), whatever the company code, printed on the ini's Device, or
// rendered into the PDF or PNG file when one is given. `values` are the request's values by
// position in the interface; the others are ignored. Returns raiten's exit status, saying why on
// standard error when it is not 0.
int printAlignmentSheet(const QMap<int, QVariant>& values, const std::optional<QString>& pdf,
                        const std::optional<QString>& png, int dpi);
