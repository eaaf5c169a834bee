#include "report/Report.h"

#include "report/Barcode.h"
#include "report/Controls.h"
#include "report/Document.h"
#include "report/Fonts.h"
#include "report/Layout.h"

#include <QMutex>
#include <QPageSize>
#include <QPrinter>

#include <atomic>
#include <cstdio>
#include <map>
#include <optional>
#include <set>

namespace kema::report {

namespace {

constexpr long ControlErrorNumber = 1003;
constexpr long UnhandledErrorNumber = 440;
constexpr long NotRegisteredErrorNumber = 429;

const ReportLayout& emptyLayout() {
    static const ReportLayout layout;
    return layout;
}

const char* kindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::Text:
        return "text field";
    case ControlKind::Label:
        return "label";
    case ControlKind::Line:
        return "line";
    case ControlKind::Frame:
        return "frame";
    case ControlKind::Subreport:
        return "subreport";
    case ControlKind::Barcode:
        return "barcode";
    }
    return "control";
}

std::unique_ptr<Control> makeControl(const LayoutControl& design) {
    switch (design.kind) {
    case ControlKind::Text:
    case ControlKind::Label:
        return std::make_unique<TextControl>(design);
    case ControlKind::Line:
        return std::make_unique<LineControl>(design);
    case ControlKind::Frame:
        return std::make_unique<FrameControl>(design);
    case ControlKind::Subreport:
        return std::make_unique<SubreportControl>(design);
    case ControlKind::Barcode:
        return std::make_unique<BarcodeControl>(design);
    }
    return nullptr;
}

QSizeF sheetOf(const PageValues& page) {
    QPageSize size(QPageSize::id(page.paperSize));
    if (!size.isValid())
        size = QPageSize(QPageSize::A4);
    const QSizeF twips = size.size(QPageSize::Millimeter) * (1440 / 25.4);
    return page.orientation == 2 ? QSizeF(std::max(twips.width(), twips.height()),
                                          std::min(twips.width(), twips.height()))
                                 : QSizeF(std::min(twips.width(), twips.height()),
                                          std::max(twips.width(), twips.height()));
}

std::atomic<quint64> documentSerial{0};

} // namespace

struct Report::Private {
    QString layoutName;
    LayoutPtr layout;
    std::optional<Error> layoutError;
    std::vector<std::unique_ptr<Control>> controls;

    PageValues page;
    std::unique_ptr<QPrinter> printer;
    int windowHeight = 0;
    int windowWidth = 0;
    QString caption;
    int copies = 1;
    Target target = Target::Printer;
    QString targetFile;
    int targetDpi = 150;
    QStringList tools;
    bool windowClosed = false;
    qint32 jobResult = 0;

    Document document;
    bool running = false;
    int fetches = 0;

    // The primitives each control gave last time, so that an unchanged control lists the
    // same ones on the next page instead of new copies.
    struct Emitted {
        quint64 document = 0;
        quint64 revision = 0;
        QPointF origin;
        std::vector<quint32> items;
    };
    std::vector<Emitted> emitted;

    struct Band {
        Document& document;
        quint64 serial;
        Page& page;
        std::set<QString>& faces;
    };

    void adopt(LayoutPtr designed);
    Control& find(const QString& name, std::initializer_list<ControlKind> kinds,
                  const char* wanted) const;
    void layOut(Band& band, QPointF origin);
    void place(Band& band, std::size_t index, QPointF origin);
    void runHosted(Report& hosted, Band& band, QPointF origin);
};

Control& Report::Private::find(const QString& name, std::initializer_list<ControlKind> kinds,
                               const char* wanted) const {
    if (layoutError)
        throw Failure(*layoutError);
    const int index = layout->indexOf(name);
    if (index < 0)
        throw Failure(
            Error{ControlErrorNumber, layoutName,
                  QStringLiteral("%1: no control \"%2\" in the layout").arg(layoutName, name)});
    Control& control = *controls[std::size_t(index)];
    if (std::find(kinds.begin(), kinds.end(), control.kind()) == kinds.end())
        throw Failure(Error{ControlErrorNumber, layoutName,
                            QStringLiteral("%1: control \"%2\" is a %3, not a %4")
                                .arg(layoutName, name, QLatin1String(kindName(control.kind())),
                                     QLatin1String(wanted))});
    return control;
}

void Report::Private::layOut(Band& band, QPointF origin) {
    for (std::size_t i = 0; i < controls.size(); ++i) {
        Control& control = *controls[i];
        if (!control.isVisible())
            continue;
        if (control.kind() == ControlKind::Subreport) {
            const LayoutControl& c = control.design();
            if (Report* hosted = static_cast<SubreportControl&>(control).report())
                runHosted(*hosted, band, origin + QPointF(c.left, c.top));
            continue;
        }
        place(band, i, origin);
    }
}

void Report::Private::place(Band& band, std::size_t index, QPointF origin) {
    const Control& control = *controls[index];
    Emitted& last = emitted[index];
    if (last.document == band.serial && last.revision == control.revision() &&
        last.origin == origin) {
        for (quint32 item : last.items)
            band.page.append(item);
        return;
    }
    last.document = band.serial;
    last.revision = control.revision();
    last.origin = origin;
    last.items.clear();
    auto add = [&](Primitive primitive) {
        if (const auto* text = std::get_if<TextPrimitive>(&primitive))
            band.faces.insert(text->font->face);
        last.items.push_back(quint32(band.document.primitives.size()));
        band.document.primitives.push_back(std::move(primitive));
    };

    const LayoutControl& c = control.design();
    const QRectF box(origin + QPointF(c.left, c.top), QSizeF(c.width, c.height));
    switch (control.kind()) {
    case ControlKind::Text:
    case ControlKind::Label: {
        const auto& text = static_cast<const TextControl&>(control);
        if (!text.text().isEmpty())
            add(TextPrimitive{box, text.text(), text.sharedFont(), c.align, text.foreColor(), {}});
        break;
    }
    case ControlKind::Line:
        add(LinePrimitive{origin + QPointF(c.left, c.top), origin + QPointF(c.width, c.height),
                          static_cast<const LineControl&>(control).lineColor(), c.lineWeight});
        break;
    case ControlKind::Frame:
        add(RectPrimitive{box, static_cast<const FrameControl&>(control).lineColor(), c.lineWeight,
                          c.filled, c.backColor});
        break;
    case ControlKind::Barcode: {
        BarcodeGraphics graphics = layoutBarcode(
            c.name, static_cast<const BarcodeControl&>(control).data(), box, c.font, c.foreColor);
        if (graphics.bars)
            add(std::move(*graphics.bars));
        if (graphics.text)
            add(std::move(*graphics.text));
        break;
    }
    case ControlKind::Subreport:
        break;
    }
    for (quint32 item : last.items)
        band.page.append(item);
}

void Report::Private::runHosted(Report& hosted, Band& band, QPointF origin) {
    Private& h = *hosted.d;
    if (h.running)
        throw Failure(
            Error{ControlErrorNumber, h.layoutName,
                  QStringLiteral("%1 is already running and cannot be hosted").arg(h.layoutName)});
    if (h.layoutError)
        throw Failure(*h.layoutError);
    h.running = true;
    h.fetches = 0;
    // The hosted report's band is printed at the subreport's corner, which grows to hold it;
    // its end event comes even when one of its events failed.
    try {
        hosted.Report_ReportStart();
        for (int bands = 0;; ++bands) {
            bool eof = false;
            hosted.Report_FetchData(eof);
            if (eof) {
                if (bands == 0)
                    hosted.Report_NoData();
                break;
            }
            hosted.Detail_Format();
            h.layOut(band, origin + QPointF(0, qreal(bands) * h.layout->section.height));
        }
    } catch (...) {
        h.running = false;
        try {
            hosted.Report_ReportEnd();
        } catch (const std::exception& second) {
            // The first error is the one the host reports; a later one is only logged.
            std::fprintf(stderr, "%s: %s\n", qPrintable(hosted.name()), second.what());
        }
        throw;
    }
    h.running = false;
    hosted.Report_ReportEnd();
}

Report::Report(const QString& layoutName, QObject* parent)
    : QObject(parent), d(std::make_unique<Private>()) {
    d->layoutName = layoutName;
    Result<LayoutPtr> loaded = loadLayout(layoutName);
    if (loaded)
        d->adopt(loaded.value());
    else
        d->layoutError = loaded.error();
}

Report::Report(std::shared_ptr<const ReportLayout> layout, QObject* parent)
    : QObject(parent), d(std::make_unique<Private>()) {
    d->layoutName = layout->name;
    d->adopt(std::move(layout));
}

void Report::Private::adopt(LayoutPtr designed) {
    layout = std::move(designed);
    controls.reserve(layout->controls.size());
    for (const LayoutControl& c : layout->controls)
        controls.push_back(makeControl(c));
    emitted.resize(controls.size());
    page.leftMargin = float(layout->leftMargin);
    page.rightMargin = float(layout->rightMargin);
    page.topMargin = float(layout->topMargin);
    page.bottomMargin = float(layout->bottomMargin);
    page.printWidth = layout->printWidth;
}

Report::~Report() = default;

QString Report::name() const {
    return d->layoutName;
}
const ReportLayout& Report::layout() const {
    return d->layout ? *d->layout : emptyLayout();
}

TextControl& Report::textField(const QString& name) {
    return static_cast<TextControl&>(
        d->find(name, {ControlKind::Text, ControlKind::Label}, "text field"));
}
LineControl& Report::line(const QString& name) {
    return static_cast<LineControl&>(d->find(name, {ControlKind::Line}, "line"));
}
FrameControl& Report::frame(const QString& name) {
    return static_cast<FrameControl&>(d->find(name, {ControlKind::Frame}, "frame"));
}
SubreportControl& Report::subreport(const QString& name) {
    return static_cast<SubreportControl&>(d->find(name, {ControlKind::Subreport}, "subreport"));
}
BarcodeControl& Report::barcode(const QString& name) {
    return static_cast<BarcodeControl&>(d->find(name, {ControlKind::Barcode}, "barcode"));
}

PageValues& Report::page() {
    return d->page;
}
const PageValues& Report::page() const {
    return d->page;
}

QPrinter& Report::printer() {
    if (!d->printer)
        d->printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *d->printer;
}

void Report::setWindowSize(int heightTwips, int widthTwips) {
    d->windowHeight = heightTwips;
    d->windowWidth = widthTwips;
}
int Report::windowHeight() const {
    return d->windowHeight;
}
int Report::windowWidth() const {
    return d->windowWidth;
}
void Report::setCaption(const QString& caption) {
    d->caption = caption;
}
QString Report::caption() const {
    return d->caption;
}
void Report::setCopies(int copies) {
    d->copies = copies;
}
int Report::copies() const {
    return d->copies;
}

void Report::setTarget(Target target, const QString& file, int dpi) {
    d->target = target;
    d->targetFile = file;
    d->targetDpi = dpi;
}
Target Report::target() const {
    return d->target;
}
QString Report::targetFile() const {
    return d->targetFile;
}
int Report::targetDpi() const {
    return d->targetDpi;
}

Status Report::run() {
    d->document = Document{};
    if (d->layoutError)
        return *d->layoutError;
    if (d->running)
        return Error{ControlErrorNumber, d->layoutName,
                     QStringLiteral("%1 is already running").arg(d->layoutName)};
    d->document.name = d->layout->documentName;
    d->running = true;
    d->fetches = 0;

    std::optional<Error> failure;
    auto guarded = [&](auto&& step) {
        try {
            step();
        } catch (const Failure& e) {
            failure = e.error();
        } catch (const std::exception& e) {
            failure = Error{UnhandledErrorNumber, d->layoutName, QString::fromLocal8Bit(e.what())};
        }
    };

    const quint64 serial = ++documentSerial;
    std::set<QString> faces;
    guarded([&] {
        Report_ReportStart();
        for (;;) {
            bool eof = false;
            Report_FetchData(eof);
            if (eof) {
                if (d->document.pages.empty())
                    Report_NoData();
                break;
            }
            Detail_Format();
            // Every delivered record is a sheet of its own.
            Page page;
            Private::Band band{d->document, serial, page, faces};
            d->layOut(band, QPointF());
            d->document.pages.push_back(std::move(page));
        }
        // A slip printed in a fallback face without the Japanese glyphs is a wrong result.
        for (const QString& face : faces) {
            const Status font = checkFace(face);
            if (!font)
                throw Failure(font.error());
        }
    });
    d->document.pageValues = d->page;
    d->document.sheet = sheetOf(d->page);
    d->running = false;

    const std::optional<Error> before = failure;
    guarded([&] { Report_ReportEnd(); });
    if (before && failure->description != before->description) {
        // The first error is the one the run reports; a later one is only logged.
        std::fprintf(stderr, "%s: %s\n", qPrintable(d->layoutName),
                     qPrintable(failure->description));
        failure = before;
    }
    if (failure) {
        d->document.pages.clear();
        d->document.primitives.clear();
        return *failure;
    }
    d->document.lastUse.assign(d->document.primitives.size(), 0);
    for (std::size_t p = 0; p < d->document.pages.size(); ++p) {
        d->document.pages[p].forEach([&](quint32 item) { d->document.lastUse[item] = quint32(p); });
    }
    return {};
}

const Document& Report::document() const {
    return d->document;
}

void Report::addTool(const QString& caption) {
    d->tools.append(caption);
}
QStringList Report::addedTools() const {
    return d->tools;
}
void Report::closeWindow() {
    d->windowClosed = true;
}
bool Report::windowClosed() const {
    return d->windowClosed;
}
qint32 Report::printerJobResult() const {
    return d->jobResult;
}
void Report::setPrinterJobResult(qint32 result) {
    d->jobResult = result;
}

void Report::Report_FetchData(bool& eof) {
    eof = d->fetches++ > 0;
}
void Report::Report_KeyDown(int, int) {}
void Report::Report_ToolbarClick(const QString&) {}

struct ReportFactory::Private {
    mutable QMutex mutex;
    std::map<QString, Creator> creators;
};

ReportFactory::ReportFactory() : d(std::make_unique<Private>()) {}

ReportFactory& ReportFactory::instance() {
    static ReportFactory factory;
    return factory;
}

void ReportFactory::registerReport(const QString& className, Creator creator) {
    const QMutexLocker lock(&d->mutex);
    d->creators[className] = std::move(creator);
}

void ReportFactory::unregisterReport(const QString& className) {
    const QMutexLocker lock(&d->mutex);
    d->creators.erase(className);
}

bool ReportFactory::contains(const QString& className) const {
    const QMutexLocker lock(&d->mutex);
    return d->creators.count(className) != 0;
}

Result<std::unique_ptr<Report>> ReportFactory::create(const QString& className) const {
    Creator creator;
    {
        const QMutexLocker lock(&d->mutex);
        const auto it = d->creators.find(className);
        if (it != d->creators.end())
            creator = it->second;
    }
    const QString source = QStringLiteral("ReportFactory");
    if (!creator)
        return Error{NotRegisteredErrorNumber, source,
                     QStringLiteral("report class \"%1\" is not registered").arg(className)};
    std::unique_ptr<Report> report = creator();
    if (!report)
        return Error{NotRegisteredErrorNumber, source,
                     QStringLiteral("report class \"%1\" created nothing").arg(className)};
    if (report->d->layoutError)
        return *report->d->layoutError;
    try {
        report->Report_Initialize();
    } catch (const Failure& e) {
        return e.error();
    } catch (const std::exception& e) {
        return Error{UnhandledErrorNumber, className, QString::fromLocal8Bit(e.what())};
    }
    return report;
}

} // namespace kema::report
