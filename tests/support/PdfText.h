#pragma once

// What a rendered page shows, read back with the poppler and zbar tools.
#include "report/Layout.h"

#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

namespace kema::test {

struct PdfWord {
    QString text;
    QRectF box; // points, from the page's top-left corner
};

QString toolPath(const char* name);
QString runTool(const QString& program, const QStringList& arguments, int* exitCode = nullptr);
// The words of a PDF's text layer with their boxes (pdftotext -bbox), page by page.
QList<QList<PdfWord>> pdfPages(const QString& pdf);
QList<PdfWord> pdfWords(const QString& pdf);
// The first line of a box (within 1 pt) shows `text`, its words joined by blanks (ideographic
// spaces count as blanks), their ink at the box's aligned edge, or centre, within 1 pt.
void verifyPrinted(const QList<PdfWord>& words, const QRectF& box, report::Align align,
                   const QString& text);
// Pixels darker than mid-grey inside a box in points of an image rendered at `dpi`.
int darkPixels(const QImage& image, const QRectF& box, int dpi);
// The symbols zbarimg decodes from an image, one per line, without their type.
QStringList barcodes(const QString& image);

} // namespace kema::test
