#include "report/desktop/PreviewDialog.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace kema::report {

const QString PreviewDialog::PrintTool = QStringLiteral("印刷(&P)...");
const QString PreviewDialog::ZoomInTool = QStringLiteral("拡大");
const QString PreviewDialog::ZoomOutTool = QStringLiteral("縮小");
const QString PreviewDialog::FitWidthTool = QStringLiteral("幅に合わせる");
const QString PreviewDialog::WholePageTool = QStringLiteral("ページ全体");
const QString PreviewDialog::FirstPageTool = QStringLiteral("先頭ページ");
const QString PreviewDialog::PreviousPageTool = QStringLiteral("前ページ");
const QString PreviewDialog::NextPageTool = QStringLiteral("次ページ");
const QString PreviewDialog::LastPageTool = QStringLiteral("最終ページ");

namespace {

constexpr double MinimumZoom = 0.25;
// An A4 sheet at three times its screen size is about 32 MB of pixels.
constexpr double MaximumZoom = 3.0;
constexpr double ZoomStep = 1.25;
constexpr int DefaultWidth = 1024;
constexpr int DefaultHeight = 740;

// The mnemonic letter of a caption ("終了(&C)" → 'C'), 0 without one.
QChar mnemonicOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] == u'&') {
            ++i;
            continue;
        }
        return caption[i + 1].toUpper();
    }
    return {};
}

} // namespace

// The current page as an image, centred in the scroll area.
class PageView : public QWidget {
public:
    using QWidget::QWidget;
    void setImage(QImage image) {
        m_image = std::move(image);
        setFixedSize(m_image.size());
        update();
    }
    const QImage& image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(0, 0, m_image);
    }

private:
    QImage m_image;
};

PreviewDialog::PreviewDialog(PreviewModel& model, QWidget* parent)
    : QDialog(parent), m_model(model) {
    setWindowTitle(model.caption());
    // The window size is set in twips, at 15 twips per screen pixel.
    const QSize twips = model.windowSizeTwips();
    resize(twips.width() > 0 ? twips.width() / 15 : DefaultWidth,
           twips.height() > 0 ? twips.height() / 15 : DefaultHeight);
    // The dialog keeps the keyboard focus so that every key reaches the report.
    setFocusPolicy(Qt::StrongFocus);

    m_toolBar = new QToolBar(this);
    m_toolBar->setFocusPolicy(Qt::NoFocus);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    addTool(PrintTool, [this] { m_model.print(this); });
    m_toolBar->addSeparator();
    addTool(ZoomInTool, [this] { setZoom(m_zoom * ZoomStep, ZoomMode::Free); });
    addTool(ZoomOutTool, [this] { setZoom(m_zoom / ZoomStep, ZoomMode::Free); });
    addTool(FitWidthTool, [this] {
        m_zoomMode = ZoomMode::FitWidth;
        applyZoomMode();
    });
    addTool(WholePageTool, [this] {
        m_zoomMode = ZoomMode::WholePage;
        applyZoomMode();
    });
    m_toolBar->addSeparator();
    addTool(FirstPageTool, [this] { showPage(0); });
    addTool(PreviousPageTool, [this] { showPage(m_page - 1); });
    m_pageCountLabel = new QLabel(m_toolBar);
    m_pageCountLabel->setMargin(4);
    m_toolBar->addWidget(m_pageCountLabel);
    addTool(NextPageTool, [this] { showPage(m_page + 1); });
    addTool(LastPageTool, [this] { showPage(pageCount() - 1); });
    const QStringList added = model.addedTools();
    if (!added.isEmpty())
        m_toolBar->addSeparator();
    for (const QString& caption : added)
        addTool(caption, {});

    m_view = new PageView;
    m_scroll = new QScrollArea(this);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setWidget(m_view);
    m_scroll->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_scroll, 1);

    m_page = pageCount() > 0 ? 0 : -1;
    applyZoomMode();
}

PreviewDialog::~PreviewDialog() = default;

QAction* PreviewDialog::addTool(const QString& caption, std::function<void()> action) {
    auto* tool = m_toolBar->addAction(caption);
    if (auto* button = qobject_cast<QToolButton*>(m_toolBar->widgetForAction(tool)))
        button->setFocusPolicy(Qt::NoFocus);
    connect(tool, &QAction::triggered, this,
            [this, caption, action = std::move(action)] { clicked(caption, action); });
    m_tools.append(tool);
    return tool;
}

QAction* PreviewDialog::tool(const QString& caption) const {
    for (QAction* tool : m_tools)
        if (tool->text() == caption)
            return tool;
    return nullptr;
}

int PreviewDialog::pageCount() const {
    return m_model.pageCount();
}

int PreviewDialog::currentPage() const {
    return m_page;
}

double PreviewDialog::zoom() const {
    return m_zoom;
}

QImage PreviewDialog::renderedPage() const {
    return m_view->image();
}

void PreviewDialog::clicked(const QString& caption, const std::function<void()>& action) {
    if (m_model.finished())
        return;
    if (action)
        action();
    if (!m_model.toolClicked(caption))
        done(QDialog::Rejected);
}

bool PreviewDialog::handleKey(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const auto trigger = [this](const QString& caption) {
        tool(caption)->trigger();
        return true;
    };
    switch (event->key()) {
    case Qt::Key_Escape:
        reject();
        return true;
    case Qt::Key_PageUp:
        return trigger(PreviousPageTool);
    case Qt::Key_PageDown:
        return trigger(NextPageTool);
    case Qt::Key_Home:
        return trigger(FirstPageTool);
    case Qt::Key_End:
        return trigger(LastPageTool);
    default:
        break;
    }
    if (modifiers == Qt::ControlModifier ||
        modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
        switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            return trigger(ZoomInTool);
        case Qt::Key_Minus:
            return trigger(ZoomOutTool);
        case Qt::Key_P:
            return trigger(PrintTool);
        default:
            break;
        }
    }
    if (modifiers == Qt::AltModifier && event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z) {
        const QChar letter(u'A' + (event->key() - Qt::Key_A));
        for (QAction* tool : m_tools) {
            if (mnemonicOf(tool->text()) == letter) {
                tool->trigger();
                return true;
            }
        }
    }
    return false;
}

void PreviewDialog::showPage(int index) {
    const int count = pageCount();
    if (count == 0)
        return;
    const int page = qBound(0, index, count - 1);
    if (page == m_page && !m_view->image().isNull())
        return;
    m_page = page;
    refresh();
}

double PreviewDialog::sheetWidthPixels() const {
    return m_model.sheetSizePoints().width() / 72.0 * logicalDpiX();
}

double PreviewDialog::sheetHeightPixels() const {
    return m_model.sheetSizePoints().height() / 72.0 * logicalDpiY();
}

void PreviewDialog::setZoom(double zoom, ZoomMode mode) {
    m_zoomMode = mode;
    m_zoom = qBound(MinimumZoom, zoom, MaximumZoom);
    refresh();
}

void PreviewDialog::applyZoomMode() {
    const QSize room = m_scroll->viewport()->size() - QSize(8, 8);
    const double widthZoom = room.width() / sheetWidthPixels();
    const double heightZoom = room.height() / sheetHeightPixels();
    switch (m_zoomMode) {
    case ZoomMode::FitWidth:
        // Leave room for the vertical scroll bar the taller page will need.
        setZoom((room.width() - m_scroll->verticalScrollBar()->sizeHint().width()) /
                    sheetWidthPixels(),
                ZoomMode::FitWidth);
        break;
    case ZoomMode::WholePage:
        setZoom(qMin(widthZoom, heightZoom), ZoomMode::WholePage);
        break;
    case ZoomMode::Free:
        refresh();
        break;
    }
}

void PreviewDialog::refresh() {
    const int count = pageCount();
    m_pageCountLabel->setText(QStringLiteral("%1 / %2").arg(m_page + 1).arg(count));
    const QSize size(qRound(sheetWidthPixels() * m_zoom), qRound(sheetHeightPixels() * m_zoom));
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(Qt::white);
    if (m_page >= 0) {
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                               QPainter::SmoothPixmapTransform);
        m_model.paintPage(m_page, painter, logicalDpiX() * m_zoom, logicalDpiY() * m_zoom);
    }
    m_view->setImage(std::move(image));
}

bool PreviewDialog::eventFilter(QObject* watched, QEvent* event) {
    // The fitting zooms follow the room the page has, which is known only once it is laid out.
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize &&
        m_zoomMode != ZoomMode::Free)
        applyZoomMode();
    return QDialog::eventFilter(watched, event);
}

void PreviewDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    setFocus(Qt::OtherFocusReason);
}

int PreviewDialog::shiftState(Qt::KeyboardModifiers modifiers) {
    int state = 0;
    if (modifiers & Qt::ShiftModifier)
        state |= 1;
    if (modifiers & Qt::ControlModifier)
        state |= 2;
    if (modifiers & Qt::AltModifier)
        state |= 4;
    return state;
}

int PreviewDialog::windowsKeyCode(int qtKey, Qt::KeyboardModifiers modifiers) {
    const bool keypad = modifiers & Qt::KeypadModifier;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 0x41 + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return (keypad ? 0x60 : 0x30) + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 0x70 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 0x0D;
    case Qt::Key_Shift:
        return 0x10;
    case Qt::Key_Control:
        return 0x11;
    case Qt::Key_Alt:
        return 0x12;
    case Qt::Key_Pause:
        return 0x13;
    case Qt::Key_CapsLock:
        return 0x14;
    case Qt::Key_Escape:
        return 0x1B;
    case Qt::Key_Space:
        return 0x20;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Left:
        return 0x25;
    case Qt::Key_Up:
        return 0x26;
    case Qt::Key_Right:
        return 0x27;
    case Qt::Key_Down:
        return 0x28;
    case Qt::Key_Print:
        return 0x2C;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Delete:
        return 0x2E;
    case Qt::Key_Asterisk:
        return keypad ? 0x6A : 0x38;
    case Qt::Key_Plus:
        return keypad ? 0x6B : 0xBB;
    case Qt::Key_Minus:
        return keypad ? 0x6D : 0xBD;
    case Qt::Key_Period:
        return keypad ? 0x6E : 0xBE;
    case Qt::Key_Slash:
        return keypad ? 0x6F : 0xBF;
    case Qt::Key_Equal:
        return 0xBB;
    case Qt::Key_Comma:
        return 0xBC;
    case Qt::Key_NumLock:
        return 0x90;
    case Qt::Key_ScrollLock:
        return 0x91;
    default:
        return 0;
    }
}

void PreviewDialog::keyPressEvent(QKeyEvent* event) {
    const int code = windowsKeyCode(event->key(), event->modifiers());
    if (code != 0) {
        const int shift = shiftState(event->modifiers());
        if (!m_model.keyDown(code, shift)) {
            done(QDialog::Rejected);
            return;
        }
    }
    if (!handleKey(event))
        event->ignore();
}

} // namespace kema::report
