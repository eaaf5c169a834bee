#include "report/Report.h"
#include "services/ErrorNumbers.h"

#include "report/Fonts.h"
#include "report/Recorder.h"
#include "report/Report_p.h"
#include "services/messages/Logging.h"

#include <QPageSize>

namespace kema::report {

namespace {

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

} // namespace

Control& Report::Private::find(const QString& name, std::initializer_list<ControlKind> kinds,
                               const char* wanted) const {
    if (layoutError)
        throw Failure(*layoutError);
    const int index = layout->indexOf(name);
    if (index < 0)
        throw Failure(
            Error{errors::Control, layoutName,
                  QStringLiteral("%1: no control \"%2\" in the layout").arg(layoutName, name)});
    Control& control = *controls[std::size_t(index)];
    if (std::find(kinds.begin(), kinds.end(), control.kind()) == kinds.end())
        throw Failure(Error{errors::Control, layoutName,
                            QStringLiteral("%1: control \"%2\" is a %3, not a %4")
                                .arg(layoutName, name, QLatin1String(kindName(control.kind())),
                                     QLatin1String(wanted))});
    return control;
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

Viewer& Report::viewer() {
    return d->viewer;
}
const Viewer& Report::viewer() const {
    return d->viewer;
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
        return Error{errors::Control, d->layoutName,
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
            failure = Error{errors::Unhandled, d->layoutName, QString::fromLocal8Bit(e.what())};
        }
    };

    Recorder recorder(d->document);
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
            recorder.recordPage(*this);
        }
        // A slip printed in a fallback face without the Japanese glyphs is a wrong result.
        for (const auto& [face, design] : recorder.faces()) {
            const Status font = checkFace(design);
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
        qCWarning(lcReport).noquote() << d->layoutName << "end:" << failure->description;
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

void Report::Report_FetchData(bool& eof) {
    eof = d->fetches++ > 0;
}
void Report::Report_KeyDown(int, int) {}
void Report::Report_ToolbarClick(const QString&) {}

} // namespace kema::report
