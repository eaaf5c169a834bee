#pragma once

#include "report/print/Desktop.h"

#include <optional>

namespace kema::report {

class Report;

// A report that has run, as its preview window sees it: its pages, and its events
// Report_ToolbarClick and Report_KeyDown, from inside which the report may close the window.
// An error an event does not handle closes the window and is kept.
class ReportPreview final : public PreviewModel {
public:
    explicit ReportPreview(Report& report, PreviewOptions options = {});

    QString caption() const override;
    QSize windowSizeTwips() const override;
    QStringList addedTools() const override;
    int pageCount() const override;
    QSizeF sheetSizePoints() const override;
    void paintPage(int index, QPainter& painter, qreal dpiX, qreal dpiY) const override;
    bool toolClicked(const QString& caption) override;
    bool keyDown(int keyCode, int shift) override;
    bool finished() const override;
    // The print dialog on the report's printer, then the job with the copies chosen there; the
    // printer's job result tells the report whether it printed.
    void print(QWidget* parent) override;

    // The error an event did not handle; the window closed on it.
    const std::optional<Error>& failure() const;

private:
    bool raise(const std::function<void()>& event);
    void warn(const QString& text, QWidget* parent);

    Report& m_report;
    PreviewOptions m_options;
    std::optional<Error> m_failure;
};

// Shows the preview of a report that has run, modally on the caller's thread, unless the report
// closed its window already (its end event did). An error an event does not handle while the
// window is open closes it and is returned, as is a desktop that cannot be loaded.
Status showPreview(Report& report, const PreviewOptions& options = {});

} // namespace kema::report
