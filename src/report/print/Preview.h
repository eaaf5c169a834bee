#pragma once

#include "services/Error.h"

#include <QDialog>
#include <QImage>
#include <QList>

#include <functional>
#include <optional>

class QAction;
class QLabel;
class QPrinter;
class QScrollArea;
class QToolBar;

namespace kema::report {

class Report;
class PageView;

// Shows the print dialog for `printer`; true when the user chose to print.
using PrintDialogFunction = std::function<bool(QPrinter& printer, QWidget* parent)>;
// Tells the user that something failed.
using MessageFunction = std::function<void(const QString& text, QWidget* parent)>;

// What the preview uses of the desktop; tests replace them.
struct PreviewOptions {
    PrintDialogFunction printDialog; // empty: QPrintDialog
    MessageFunction showMessage;     // empty: a warning QMessageBox
};

// The modal preview of a report's pages with its toolbar: the standard tools, then the tools
// the report added. Every tool raises Report_ToolbarClick with its caption after its own action
// and every key raises Report_KeyDown with its Windows virtual-key code; the report may close
// the window from inside either event.
class PreviewDialog : public QDialog {
    Q_OBJECT
public:
    static const QString PrintTool;
    static const QString ZoomInTool;
    static const QString ZoomOutTool;
    static const QString FitWidthTool;
    static const QString WholePageTool;
    static const QString FirstPageTool;
    static const QString PreviousPageTool;
    static const QString NextPageTool;
    static const QString LastPageTool;

    explicit PreviewDialog(Report& report, PreviewOptions options = {}, QWidget* parent = nullptr);
    ~PreviewDialog() override;

    // The tool with this caption, standard or added; nullptr when there is none.
    QAction* tool(const QString& caption) const;
    int pageCount() const;
    // 0-based; -1 without pages.
    int currentPage() const;
    // 1.0 shows the sheet at its size on the screen.
    double zoom() const;
    // The error an event did not handle; the window closed on it.
    const std::optional<Error>& failure() const;
    // The current page as shown, at the current zoom.
    QImage renderedPage() const;

    // Windows virtual-key code of a Qt key (0 when it has none) and the shift state of the
    // modifiers (1 Shift, 2 Ctrl, 4 Alt).
    static int windowsKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);
    static int shiftState(Qt::KeyboardModifiers modifiers);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    enum class ZoomMode { Free, FitWidth, WholePage };

    QAction* addTool(const QString& caption, std::function<void()> action);
    void clicked(const QString& caption, const std::function<void()>& action);
    bool handleKey(QKeyEvent* event);
    void raiseEvent(const std::function<void()>& event);
    void print();
    void showPage(int index);
    void setZoom(double zoom, ZoomMode mode);
    void applyZoomMode();
    void refresh();
    double sheetWidthPixels() const;
    double sheetHeightPixels() const;

    Report& m_report;
    PreviewOptions m_options;
    QToolBar* m_toolBar = nullptr;
    QScrollArea* m_scroll = nullptr;
    PageView* m_view = nullptr;
    QLabel* m_pageCountLabel = nullptr;
    QList<QAction*> m_tools;
    int m_page = -1;
    double m_zoom = 1.0;
    ZoomMode m_zoomMode = ZoomMode::FitWidth;
    std::optional<Error> m_failure;
};

// Shows the preview of a report that has run, modally on the caller's thread, unless the report
// closed its window already (its end event did). An error an event does not handle while the
// window is open closes it and is returned.
Status showPreview(Report& report, const PreviewOptions& options = {});

} // namespace kema::report
