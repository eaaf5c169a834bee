#pragma once

#include "services/Error.h"

#include <QPageLayout>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>

class QCoreApplication;
class QPagedPaintDevice;
class QPainter;
class QWidget;

namespace kema {
struct DesktopMessage;
}

namespace kema::report {

// The printer a report prints on, as the engine uses it. The desktop module implements it on a
// QPrinter, so that a process which only writes files never loads Qt's widgets and printing.
class Printer {
public:
    virtual ~Printer() = default;
    // The selected CUPS queue; empty when none is, or when the print dialog chose a file.
    virtual QString queueName() const = 0;
    // Sends the following jobs to that queue (the caller checks that it exists).
    virtual void setQueueName(const QString& queue) = 0;
    // The PDF file a print dialog chose instead of a queue; empty otherwise.
    virtual QString outputFile() const = 0;
    // The CUPS queues available here.
    virtual QStringList availableQueues() const = 0;
    // The paper, the printable area the queue reports (as minimum margins) and the orientation.
    virtual QPageLayout pageLayout() const = 0;
    virtual void setPageSize(const QPageSize& size) = 0;
    virtual void setPageOrientation(QPageLayout::Orientation orientation) = 0;
    virtual int resolution() const = 0;
    // The 1-based pages a print dialog chose; {0, 0} for all of them.
    virtual std::pair<int, int> pageRange() const = 0;
    virtual void printAllPages() = 0;
    virtual int copyCount() const = 0;
    virtual void setCopyCount(int copies) = 0;
    // The printer itself as the paint device of a job to the dialog's file: the whole sheet
    // paintable, collated copies.
    virtual QPagedPaintDevice& fileJobDevice(const QString& title, int copies,
                                             QPageLayout::Orientation orientation) = 0;
    // True when the device reports a failed job.
    virtual bool jobFailed() const = 0;
};

// Shows the print dialog for `printer`; true when the user chose to print.
using PrintDialogFunction = std::function<bool(Printer& printer, QWidget* parent)>;
// Tells the user that something failed.
using MessageFunction = std::function<void(const QString& text, QWidget* parent)>;

// What the preview uses of the desktop; tests replace them.
struct PreviewOptions {
    PrintDialogFunction printDialog; // empty: the desktop's print dialog
    MessageFunction showMessage;     // empty: the desktop's warning box
};

// What the preview window shows and whom it tells: the engine implements it for a report that
// has run (ReportPreview).
class PreviewModel {
public:
    virtual ~PreviewModel() = default;
    virtual QString caption() const = 0;
    // The window size the report asked for, in twips; 0 for the default.
    virtual QSize windowSizeTwips() const = 0;
    // The tools the report added, after the standard ones.
    virtual QStringList addedTools() const = 0;
    virtual int pageCount() const = 0;
    // The physical sheet in points.
    virtual QSizeF sheetSizePoints() const = 0;
    virtual void paintPage(int index, QPainter& painter, qreal dpiX, qreal dpiY) const = 0;
    // The report's events; each answers false when the window is to close (the report closed
    // it or an event failed).
    virtual bool toolClicked(const QString& caption) = 0;
    virtual bool keyDown(int keyCode, int shift) = 0;
    // True once the report closed the window or an event failed.
    virtual bool finished() const = 0;
    // The print tool: the print dialog, then the job.
    virtual void print(QWidget* parent) = 0;
};

// What needs Qt's widgets and printing: the desktop module, loaded on first use.
class Desktop {
public:
    virtual ~Desktop() = default;
    // A QApplication, for hosts that show the preview or message boxes.
    virtual QCoreApplication* createApplication(int& argc, char** argv) = 0;
    virtual std::unique_ptr<Printer> createPrinter() = 0;
    virtual bool runPrintDialog(Printer& printer, QWidget* parent) = 0;
    virtual void showWarning(const QString& text, QWidget* parent) = 0;
    // A modal box; false when no QApplication is there to show it.
    virtual bool showMessageBox(const DesktopMessage& message) = 0;
    // Runs the modal preview of `model` on the caller's thread.
    virtual void showPreview(PreviewModel& model) = 0;
};

// The desktop module: loaded once, from beside the library or program that contains the engine
// and else from where the build put it; the error names the file and the loader's reason.
Result<Desktop*> desktop();
// A program that links the desktop itself hands it over instead (before any use).
void useDesktop(Desktop* linked);
// The application object of a host: the desktop's QApplication when the host may print or
// preview and the module loads, else a QGuiApplication, which file output needs alone.
QCoreApplication* createApplication(int& argc, char** argv, bool withDesktop);

} // namespace kema::report
