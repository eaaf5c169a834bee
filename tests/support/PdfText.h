#pragma once

// What a rendered page shows, read back with the poppler and zbar tools.
#include "report/Layout.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

namespace kema::test {

struct PdfWord {
    QString text;
    QRectF box; // points, from the page's top-left corner
};

// The path of a tool on PATH, or empty.
QString toolPath(const char* name);
// Runs a program and returns its standard output.
QString runTool(const QString& program, const QStringList& arguments, int* exitCode = nullptr);
// The words of a PDF's text layer with their boxes (pdftotext -bbox), page by page.
QList<QList<PdfWord>> pdfPages(const QString& pdf);
// The words of all pages in order.
QList<PdfWord> pdfWords(const QString& pdf);
// Printed ink (points) sits at the aligned edge, or centre, of its designed box within 1 pt.
void verifyAligned(const QRectF& ink, const QRectF& box, report::Align align);
// The symbols zbarimg decodes from an image, one per line, without their type.
QStringList barcodes(const QString& image);

} // namespace kema::test
