#include "report/print/Pages.h"

#include "report/Document.h"
#include "report/Paint.h"
#include "report/Report.h"

#include <QPageSize>

namespace kema::report {

int pageCount(const Report& report) {
    return report.document().pageCount();
}

QString documentName(const Report& report) {
    const QString name = report.document().name;
    return name.isEmpty() ? report.name() : name;
}

QPageLayout sheetLayout(const Report& report) {
    const QSizeF twips = report.document().sheet;
    if (twips.isEmpty())
        return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF());
    const QSizeF points = twips / 20.0;
    const auto orientation =
        points.width() > points.height() ? QPageLayout::Landscape : QPageLayout::Portrait;
    // QPageSize wants the portrait size; the orientation turns it.
    const QSizeF portrait(qMin(points.width(), points.height()),
                          qMax(points.width(), points.height()));
    return QPageLayout(QPageSize(portrait, QPageSize::Point), orientation, QMarginsF());
}

void paintPage(const Report& report, int index, QPainter& painter, qreal dpiX, qreal dpiY) {
    report::paintPage(painter, report.document(), index, dpiX, dpiY);
}

} // namespace kema::report
