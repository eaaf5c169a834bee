#pragma once

#include "../services/Error.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

namespace kema::report {

struct ReportLayout;
class TextControl;
class LineControl;
class FrameControl;
class SubreportControl;
class BarcodeControl;
class Viewer;
struct Document;

// Page values of a report, in twips; the slips set them in their start event.
struct PageValues {
    float leftMargin = 0;
    float rightMargin = 0;
    float topMargin = 0;
    float bottomMargin = 0;
    int printWidth = 0;
    int paperSize = 0;   // 9 = A4; 0 = not set: the printer's own paper (the sheet is A4)
    int orientation = 2; // 1 = portrait, 2 = landscape
};

// Where a run's pages go.
enum class Target { Printer, Preview, Pdf, Png };

// The base of every report: its controls, the events and their order. A subclass is created
// through ReportFactory, which raises
// Report_Initialize once the object is complete. The report owns a private copy of its
// layout's controls, so code changes only this run's state. Properties of the report that a
// host sets by name are Q_PROPERTYs of the subclass (see Dispatch).
//
// Events: a subclass overrides what it handles. An error an event does not handle is thrown
// as kema::Failure (or any std::exception); the run driver still raises Report_ReportEnd and
// then reports the run as failed with the error's text.
class Report : public QObject {
    Q_OBJECT
public:
    // The compiled-in layout of that name; a broken or missing one fails every run and every
    // control look-up with the layout's error.
    explicit Report(const QString& layoutName, QObject* parent = nullptr);
    // A layout loaded elsewhere (loadLayoutFile), such as a test's own.
    explicit Report(std::shared_ptr<const ReportLayout> layout, QObject* parent = nullptr);
    ~Report() override;

    QString name() const;
    const ReportLayout& layout() const;

    // Controls by name. A name the layout lacks throws kema::Failure naming it.
    TextControl& textField(const QString& name); // text fields and labels
    LineControl& line(const QString& name);
    FrameControl& frame(const QString& name);
    SubreportControl& subreport(const QString& name);
    BarcodeControl& barcode(const QString& name);

    PageValues& page();
    const PageValues& page() const;
    // The preview window, its tools and the printer: set by the launcher and by the events.
    Viewer& viewer();
    const Viewer& viewer() const;

    // Run operations of the launcher.
    void setCopies(int copies);
    int copies() const;
    void setTarget(Target target, const QString& file = {}, int dpi = 150);
    Target target() const;
    QString targetFile() const; // Pdf and Png
    int targetDpi() const;      // Png

    // Runs the report: raises the events and lays out the pages. Used by the output functions
    // (print, preview, PDF, PNG); a host runs its hosted reports inside its own run. A failed
    // run leaves no pages. Each call starts a new document.
    Status run();
    const Document& document() const;

    // Events.
    virtual void Report_Initialize() {}
    virtual void Report_ReportStart() {}
    // The engine passes eof as false; a handler sets it true to end the data. The default
    // delivers exactly one record, so a report without a fetch step prints its band once.
    virtual void Report_FetchData(bool& eof);
    virtual void Detail_Format() {}
    virtual void Report_NoData() {}
    virtual void Report_ReportEnd() {}
    virtual void Report_KeyDown(int keyCode, int shift);
    virtual void Report_ToolbarClick(const QString& tool);

private:
    friend class ReportFactory;
    friend class Recorder;
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace kema::report
