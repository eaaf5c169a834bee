#include "report/FileOutput.h"
#include "services/ErrorNumbers.h"

#include "report/Document.h"
#include "report/Paint.h"

#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

namespace kema::report {

namespace {

constexpr int PdfResolution = 1200;

Error fileError(const QString& file, const QString& what) {
    return Error{errors::FileAccess, QStringLiteral("report output"),
                 QStringLiteral("%1: %2").arg(file, what)};
}

QPageLayout sheetLayout(const Document& document) {
    const QSizeF mm = document.sheet * (25.4 / 1440);
    const bool landscape = mm.width() > mm.height();
    const QPageSize size(landscape ? mm.transposed() : mm, QPageSize::Millimeter, QString(),
                         QPageSize::FuzzyMatch);
    return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(), QPageLayout::Point);
}

// `name` names the output in errors.
Status paintPdf(const Document& document, QPdfWriter& writer, const QString& name) {
    writer.setTitle(document.name);
    writer.setCreator(QStringLiteral("raiten"));
    writer.setResolution(PdfResolution);
    writer.setPageLayout(sheetLayout(document));
    QPainter painter;
    if (!painter.begin(&writer))
        return fileError(name, QStringLiteral("cannot write the PDF"));
    for (int p = 0; p < document.pageCount(); ++p) {
        if (p > 0)
            writer.newPage();
        paintPage(painter, document, p, PdfResolution, PdfResolution);
        releaseLayouts(document, p);
    }
    if (!painter.end())
        return fileError(name, QStringLiteral("cannot finish the PDF"));
    return {};
}

} // namespace

QString pngPageFile(const QString& file, int index) {
    if (index == 0)
        return file;
    const QFileInfo info(file);
    const QString suffix = info.suffix();
    const QString base = suffix.isEmpty() ? file : file.left(file.size() - suffix.size() - 1);
    return base + QStringLiteral("-%1").arg(index + 1) +
           (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
}

Status writePdf(const Document& document, const QString& file) {
    if (document.pages.empty())
        return {};
    QPdfWriter writer(file);
    return paintPdf(document, writer, file);
}

Status writePdf(const Document& document, QIODevice& device) {
    if (document.pages.empty())
        return {};
    QPdfWriter writer(&device);
    return paintPdf(document, writer, QStringLiteral("PDF stream"));
}

Status writePng(const Document& document, const QString& file, int dpi) {
    if (dpi <= 0)
        return fileError(file, QStringLiteral("resolution %1 dpi is not positive").arg(dpi));
    const QSize pixels(int(std::lround(document.sheet.width() * dpi / 1440)),
                       int(std::lround(document.sheet.height() * dpi / 1440)));
    for (int p = 0; p < document.pageCount(); ++p) {
        QImage image(pixels, QImage::Format_RGB32);
        if (image.isNull())
            return fileError(file, QStringLiteral("page too large at %1 dpi").arg(dpi));
        const int dotsPerMeter = int(std::lround(dpi / 0.0254));
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        paintPage(painter, document, p, dpi, dpi);
        painter.end();
        releaseLayouts(document, p);
        const QString name = pngPageFile(file, p);
        if (!image.save(name, "PNG"))
            return fileError(name, QStringLiteral("cannot write the PNG"));
    }
    return {};
}

} // namespace kema::report
