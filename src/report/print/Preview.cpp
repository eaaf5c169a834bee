#include "report/print/Preview.h"

#include "report/Report.h"
#include "report/Viewer.h"
#include "report/print/Pages.h"
#include "report/print/Printing.h"
#include "services/ErrorNumbers.h"

#include <QRect>

#include <exception>

namespace kema::report {

ReportPreview::ReportPreview(Report& report, PreviewOptions options)
    : m_report(report), m_options(std::move(options)) {}

QString ReportPreview::caption() const {
    return m_report.viewer().caption;
}

QSize ReportPreview::windowSizeTwips() const {
    return {m_report.viewer().windowWidth, m_report.viewer().windowHeight};
}

QStringList ReportPreview::addedTools() const {
    return m_report.viewer().tools;
}

int ReportPreview::pageCount() const {
    return kema::report::pageCount(m_report);
}

QSizeF ReportPreview::sheetSizePoints() const {
    return sheetLayout(m_report).fullRectPoints().size();
}

void ReportPreview::paintPage(int index, QPainter& painter, qreal dpiX, qreal dpiY) const {
    kema::report::paintPage(m_report, index, painter, dpiX, dpiY);
}

bool ReportPreview::toolClicked(const QString& caption) {
    return raise([&] { m_report.Report_ToolbarClick(caption); });
}

bool ReportPreview::keyDown(int keyCode, int shift) {
    return raise([&] { m_report.Report_KeyDown(keyCode, shift); });
}

bool ReportPreview::finished() const {
    return m_failure || m_report.viewer().closed;
}

bool ReportPreview::raise(const std::function<void()>& event) {
    try {
        event();
    } catch (const Failure& failure) {
        m_failure = failure.error();
    } catch (const std::exception& exception) {
        m_failure = Error{errors::Unhandled, m_report.name(), QString::fromUtf8(exception.what())};
    }
    return !finished();
}

void ReportPreview::warn(const QString& text, QWidget* parent) {
    if (m_options.showMessage)
        m_options.showMessage(text, parent);
    else if (const Result<Desktop*> shown = desktop())
        shown.value()->showWarning(text, parent);
}

void ReportPreview::print(QWidget* parent) {
    m_report.viewer().jobResult = 0;
    const Result<Printer*> printer = reportPrinter(m_report);
    if (!printer) {
        warn(printer.error().description, parent);
        return;
    }
    Printer& chosen = *printer.value();
    chosen.setCopyCount(qMax(1, m_report.copies()));
    chosen.printAllPages();
    const bool accepted = m_options.printDialog ? m_options.printDialog(chosen, parent)
                                                : desktop().value()->runPrintDialog(chosen, parent);
    if (!accepted)
        return;
    const Status printed = printPages(m_report, chosen, chosen.copyCount());
    m_report.viewer().jobResult = printed ? 1 : 0;
    if (!printed)
        warn(printed.error().description, parent);
}

const std::optional<Error>& ReportPreview::failure() const {
    return m_failure;
}

Status showPreview(Report& report, const PreviewOptions& options) {
    if (report.viewer().closed)
        return {};
    const Result<Desktop*> shown = desktop();
    if (!shown)
        return shown.error();
    ReportPreview model(report, options);
    shown.value()->showPreview(model);
    if (model.failure())
        return *model.failure();
    return {};
}

} // namespace kema::report
