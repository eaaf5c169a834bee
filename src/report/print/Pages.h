#pragma once

#include <QPageLayout>
#include <QString>

class QPainter;

namespace kema::report {

class Report;

// The output side's view of a run's pages.
int pageCount(const Report& report);
// The job title: the document name, else the report's name.
QString documentName(const Report& report);
// The physical sheet the pages were laid out for.
QPageLayout sheetLayout(const Report& report);
// Draws one page on the painter's device, whose origin is the sheet's top-left corner, at
// dpiX × dpiY device units per inch.
void paintPage(const Report& report, int index, QPainter& painter, qreal dpiX, qreal dpiY);

} // namespace kema::report
