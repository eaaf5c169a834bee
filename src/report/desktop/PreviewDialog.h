#pragma once

#include "report/print/Desktop.h"

#include <QDialog>
#include <QImage>
#include <QList>

#include <functional>

class QAction;
class QLabel;
class QScrollArea;
class QToolBar;

namespace kema::report {

class PageView;

// The modal preview of a report's pages with its toolbar: the standard tools, then the tools
// the report added. Every tool tells the model its caption after its own action and every key
// its Windows virtual-key code; the window closes when the model says so.
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

    explicit PreviewDialog(PreviewModel& model, QWidget* parent = nullptr);
    ~PreviewDialog() override;

    // The tool with this caption, standard or added; nullptr when there is none.
    QAction* tool(const QString& caption) const;
    int pageCount() const;
    // 0-based; -1 without pages.
    int currentPage() const;
    // 1.0 shows the sheet at its size on the screen.
    double zoom() const;
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
    void showPage(int index);
    void setZoom(double zoom, ZoomMode mode);
    void applyZoomMode();
    void refresh();
    double sheetWidthPixels() const;
    double sheetHeightPixels() const;

    PreviewModel& m_model;
    QToolBar* m_toolBar = nullptr;
    QScrollArea* m_scroll = nullptr;
    PageView* m_view = nullptr;
    QLabel* m_pageCountLabel = nullptr;
    QList<QAction*> m_tools;
    int m_page = -1;
    double m_zoom = 1.0;
    ZoomMode m_zoomMode = ZoomMode::FitWidth;
};

} // namespace kema::report
