#include "report/print/AlignmentSheet.h"
#include "services/ErrorNumbers.h"

#include "report/Fonts.h"
#include "report/Layout.h"
#include "report/Viewer.h"
#include "report/print/Desktop.h"
#include "report/print/Output.h"
#include "report/print/PageSetup.h"
#include "report/print/Printing.h"
#include "services/settings/Settings.h"
#include "services/text/Conversions.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageSize>
#include <QRectF>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace kema::report {

namespace {

// The queue the report's printer is set to; a printer the desktop cannot give has none.
QString queueOf(Report& report) {
    const Result<Printer*> printer = reportPrinter(report);
    return printer ? printer.value()->queueName() : QString();
}

constexpr qreal TwipsPerMm = 1440 / 25.4;
constexpr QRgb White = 0xFFFFFF;
constexpr QRgb Black = 0x000000;
// The sheet's own marks, told apart from what the variant prints where a printer has colour.
constexpr QRgb Mark = 0x1F4FBF;
// How many lines a name may move off its box's edge to keep clear of the other names.
constexpr int NameLevels = 4;
// The rulers run this far inside the bottom and right edges: clear of the form, and printed
// by printers whose unprintable strips would swallow a ruler on the edge itself.
constexpr qreal RulerInset = 15 * TwipsPerMm;

TextFont fontOf(const QString& face, double size) {
    TextFont font;
    font.face = face;
    font.size = size;
    return font;
}

TextFont smallFont() {
    return fontOf(QStringLiteral("Arial"), 6);
}

TextFont noteFont() {
    return fontOf(QStringLiteral("ＭＳ Ｐゴシック"), 9);
}

bool isWhite(QRgb colour) {
    return (colour & 0xFFFFFF) == White;
}

// The controls that put data on the form.
bool printsField(const LayoutControl& c) {
    const bool field = c.kind == ControlKind::Text || c.kind == ControlKind::Label ||
                       c.kind == ControlKind::Barcode;
    return field && c.visible && !isWhite(c.foreColor);
}

bool printsGraphic(const LayoutControl& c) {
    if (!c.visible)
        return false;
    if (c.kind == ControlKind::Line)
        return !isWhite(c.lineColor);
    if (c.kind == ControlKind::Frame)
        return !isWhite(c.lineColor) || (c.filled && !isWhite(c.backColor));
    return false;
}

QRectF boxOf(const LayoutControl& c) {
    return QRectF(c.left, c.top, c.width, c.height);
}

QSizeF textSize(const QString& text, const TextFont& font) {
    const QFontMetricsF metrics(twipsFont(font));
    // A box a little larger than the text keeps the paint routine from clipping it.
    return QSizeF(std::ceil(metrics.horizontalAdvance(text)) + 20, std::ceil(metrics.height()) + 1);
}

// Appends the sheet's controls in drawing order.
class SheetBuilder {
public:
    explicit SheetBuilder(ReportLayout& sheet) : m_sheet(sheet) {}

    void copy(const LayoutControl& c) { add(c.kind) = c; }

    void line(QPointF from, QPointF to, QRgb colour = Black) {
        LayoutControl& c = add(ControlKind::Line);
        c.left = qRound(from.x());
        c.top = qRound(from.y());
        c.width = qRound(to.x());
        c.height = qRound(to.y());
        c.lineColor = colour;
    }

    void frame(const QRectF& box, QRgb colour) {
        LayoutControl& c = add(ControlKind::Frame);
        place(c, box);
        c.lineColor = colour;
    }

    void text(const QRectF& box, const QString& text, const TextFont& font, Align align,
              QRgb colour = Black) {
        LayoutControl& c = add(ControlKind::Label);
        place(c, box);
        c.text = text;
        c.font = font;
        c.align = align;
        c.foreColor = colour;
    }

private:
    LayoutControl& add(ControlKind kind) {
        LayoutControl& c = m_sheet.controls.emplace_back();
        c.kind = kind;
        return c;
    }

    static void place(LayoutControl& c, const QRectF& box) {
        c.left = qRound(box.left());
        c.top = qRound(box.top());
        c.width = qRound(box.width());
        c.height = qRound(box.height());
    }

    ReportLayout& m_sheet;
};

qreal tickLength(int mm) {
    return (mm % 10 == 0 ? 4 : mm % 5 == 0 ? 2.5 : 1.5) * TwipsPerMm;
}

// Ticks every millimetre counted from the paper's left and top edges, numbered every 10 mm;
// `corner` is the paper's top-left corner in band coordinates. The two rulers meet in a corner
// near the paper's bottom-right.
void addRulers(SheetBuilder& sheet, const QSizeF& paper, QPointF corner) {
    const qreal across = corner.y() + paper.height() - RulerInset;
    const qreal down = corner.x() + paper.width() - RulerInset;
    const qreal labelHeight = textSize(QStringLiteral("0"), smallFont()).height();
    constexpr qreal LabelWidth = 600;
    sheet.line({corner.x(), across}, {down, across});
    sheet.line({down, corner.y()}, {down, across});
    for (int mm = 0; corner.x() + mm * TwipsPerMm <= down; ++mm) {
        const qreal x = corner.x() + mm * TwipsPerMm;
        const qreal tip = across - tickLength(mm);
        sheet.line({x, across}, {x, tip});
        if (mm % 10 == 0)
            sheet.text(QRectF(x - LabelWidth / 2, tip - labelHeight, LabelWidth, labelHeight),
                       QString::number(mm), smallFont(), Align::Center);
    }
    for (int mm = 0; corner.y() + mm * TwipsPerMm <= across; ++mm) {
        const qreal y = corner.y() + mm * TwipsPerMm;
        const qreal tip = down - tickLength(mm);
        sheet.line({down, y}, {tip, y});
        if (mm % 10 == 0)
            sheet.text(QRectF(tip - 40 - LabelWidth, y - labelHeight / 2, LabelWidth, labelHeight),
                       QString::number(mm), smallFont(), Align::Right);
    }
}

qreal covered(const QRectF& a, const QRectF& b) {
    const QRectF both = a & b;
    return both.width() * both.height();
}

// Where a field's sample shows: its text's extent at its alignment, or a barcode's whole box.
QRectF inkOf(const LayoutControl& c) {
    const QRectF box = boxOf(c);
    if (c.kind == ControlKind::Barcode)
        return box;
    if (c.text.isEmpty())
        return {};
    const QSizeF size = textSize(c.text, c.font).boundedTo(box.size());
    const qreal x = c.align == Align::Left    ? box.left()
                    : c.align == Align::Right ? box.right() - size.width()
                                              : box.center().x() - size.width() / 2;
    return QRectF(QPointF(x, box.top()), size);
}

struct Field {
    const LayoutControl* control;
    QRectF box;
    QRectF ink;
};

// Where field `index`'s name goes: on its box's top edge from the left corner or, where that
// hides other names or samples, further up or under the box. A place costs the names it covers
// (they must stay readable), the samples and boxes of other fields it covers and its distance
// from the box.
QRectF nameBox(std::size_t index, const QSizeF& size, const std::vector<Field>& fields,
               const std::vector<QRectF>& names) {
    const QRectF& box = fields[index].box;
    QRectF best;
    qreal bestCost = std::numeric_limits<qreal>::max();
    for (int level = 0; level < NameLevels; ++level) {
        for (const bool above : {true, false}) {
            const qreal top = above ? box.top() - (level + 1) * size.height()
                                    : box.bottom() + level * size.height();
            const QRectF place(QPointF(box.left(), top), size);
            qreal cost = 2 * level * size.width() * size.height();
            for (const QRectF& name : names)
                cost += 100 * covered(place, name);
            for (const Field& other : fields)
                cost += 10 * covered(place, other.ink) + covered(place, other.box);
            if (cost < bestCost) {
                bestCost = cost;
                best = place;
            }
        }
    }
    return best;
}

// Each printing field's outline, sample and name; names that moved off the box's edge get a
// leader back to its corner.
void addFields(SheetBuilder& sheet, const ReportLayout& variant) {
    std::vector<Field> fields;
    for (const LayoutControl& c : variant.controls) {
        if (printsField(c))
            fields.push_back({&c, boxOf(c), inkOf(c)});
    }
    for (const Field& field : fields) {
        sheet.frame(field.box, Mark);
        sheet.copy(*field.control);
    }
    std::vector<QRectF> names;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const QRectF& box = fields[i].box;
        const QString& text = fields[i].control->name;
        const QRectF name = nameBox(i, textSize(text, smallFont()), fields, names);
        names.push_back(name);
        if (name.bottom() < box.top())
            sheet.line({box.left(), name.bottom()}, {box.left(), box.top()}, Mark);
        else if (name.top() > box.bottom())
            sheet.line({box.left(), box.bottom()}, {box.left(), name.top()}, Mark);
        sheet.text(name, text, smallFont(), Align::Left, Mark);
    }
}

QString twipsAndMm(qreal twips) {
    return QStringLiteral("%1 twips = %2 mm").arg(qRound(twips)).arg(twips / TwipsPerMm, 0, 'f', 2);
}

// A START_POS value the page setup treats as 0: it keeps the designed or measured margin.
bool keeps(const QString& value) {
    const QString trimmed = value.trimmed();
    if (trimmed.isEmpty())
        return true;
    const Result<qint16> number = ToInteger16Strict(trimmed);
    return number && number.value() == 0;
}

struct Facts {
    const ReportLayout& variant;
    PageValues page;
    bool toFile = false;
    QString queue;
};

QStringList notes(const Facts& facts) {
    const QString ini = nprinterIniPath();
    const auto value = [&](const char* key) {
        return ReadIniValue(ini, QStringLiteral("START_POS"), QLatin1String(key), QString());
    };
    const QString top = value("TOP");
    const QString left = value("LEFT");
    const QString device = value("Device").trimmed();
    const qreal topTwips = facts.page.topMargin;
    const qreal leftTwips = facts.page.leftMargin;

    QStringList lines;
    lines << QStringLiteral("Alignment sheet of %1 %2: each box is a field where the form prints "
                            "it, with its sample text and its name.")
                 .arg(facts.variant.name, facts.variant.documentName);
    if (facts.toFile)
        lines << QStringLiteral("Rendered to a file: a file shows no printer offset. Print the "
                                "sheet on the form's printer to see where that printer puts it.");
    else
        lines << QStringLiteral("Printer: %1 (%2).")
                     .arg(facts.queue, device.isEmpty()
                                           ? QStringLiteral("the default: the ini names no Device")
                                           : QStringLiteral("the ini's Device"));
    lines << (QFileInfo::exists(ini)
                  ? QStringLiteral("%1 [START_POS]: TOP=%2  LEFT=%3  Device=%4")
                        .arg(ini, top, left, device)
                  : QStringLiteral("%1: no such file, so TOP and LEFT are 0").arg(ini));
    lines << QStringLiteral("Top in effect: %1 (%2).")
                 .arg(twipsAndMm(topTwips), keeps(top)
                                                ? QStringLiteral("TOP is 0: the designed top")
                                                : QStringLiteral("TOP"));
    const QString measured = facts.toFile
                                 ? QStringLiteral("LEFT is 0: the measured offset, none on a file")
                                 : QStringLiteral("LEFT is 0: the printer's measured offset");
    lines << QStringLiteral("Left in effect: %1 (%2).")
                 .arg(twipsAndMm(leftTwips), keeps(left) ? measured : QStringLiteral("LEFT"));
    lines << QStringLiteral("The cross marks the band origin, the corner the margins in effect "
                            "move the form to; the rulers count millimetres from the paper's "
                            "edges.");
    lines << QStringLiteral("Lay the sheet on a pre-printed form against the light, or print it "
                            "on a spoiled one, and measure how far the boxes must move.");
    lines << QStringLiteral("New TOP = %1 + shift down in mm × 56.7; new LEFT = %2 + shift right "
                            "in mm × 56.7 (up and left are negative shifts).")
                 .arg(qRound(topTwips))
                 .arg(qRound(leftTwips));
    lines << QStringLiteral("A result of 0 means \"keep the designed top or the measured left\": "
                            "write 1 instead.");
    return lines;
}

// The sheet in band coordinates, the band origin where the variant's margins put it.
std::shared_ptr<const ReportLayout> sheetLayout(const Facts& facts) {
    const ReportLayout& variant = facts.variant;
    auto sheet = std::make_shared<ReportLayout>();
    sheet->name = variant.name;
    sheet->documentName = alignmentSheetTitle(variant.name);
    sheet->printWidth = variant.printWidth;
    // The page setup keeps the designed top when TOP is 0.
    sheet->leftMargin = variant.leftMargin;
    sheet->rightMargin = variant.rightMargin;
    sheet->topMargin = variant.topMargin;
    sheet->bottomMargin = variant.bottomMargin;
    sheet->section = variant.section;

    SheetBuilder builder(*sheet);
    // The variant leaves the paper to the printer; its pages are laid out as A4 landscape.
    const QSizeF paper =
        QPageSize(QPageSize::A4).size(QPageSize::Millimeter).transposed() * TwipsPerMm;
    const QPointF corner(-facts.page.leftMargin, -facts.page.topMargin);
    addRulers(builder, paper, corner);
    const qreal arm = 10 * TwipsPerMm;
    builder.line({-arm, 0}, {arm, 0});
    builder.line({0, -arm}, {0, arm});
    for (const LayoutControl& c : variant.controls) {
        if (printsGraphic(c))
            builder.copy(c);
    }
    addFields(builder, variant);

    const QStringList lines = notes(facts);
    const qreal step = textSize(QStringLiteral("M"), noteFont()).height() * 1.2;
    const QPointF start(5 * TwipsPerMm, variant.section.height + 5 * TwipsPerMm);
    const qreal width = corner.x() + paper.width() - RulerInset - 12 * TwipsPerMm - start.x();
    for (qsizetype i = 0; i < lines.size(); ++i)
        builder.text(QRectF(start + QPointF(0, i * step), QSizeF(width, step)), lines[i],
                     noteFont(), Align::Left);
    for (std::size_t i = 0; i < sheet->controls.size(); ++i)
        sheet->controls[i].ordinal = int(i) + 1;
    return sheet;
}

// The sheet's run sets the page up as the variant's does, on its own printer; the rulers and
// notes were laid out for the first measurement, which must still hold.
class Sheet final : public Report {
public:
    explicit Sheet(const Facts& facts) : Report(sheetLayout(facts)), m_facts(facts) {}

    void Report_ReportStart() override {
        if (const Status setup = VariantPageSetup(*this); !setup)
            throw Failure(setup.error());
        const bool same = page().leftMargin == m_facts.page.leftMargin &&
                          page().topMargin == m_facts.page.topMargin &&
                          (m_facts.toFile || queueOf(*this) == m_facts.queue);
        if (!same)
            throw Failure(Error{errors::Printer, name(),
                                QStringLiteral("the printer offsets changed while the alignment "
                                               "sheet was laid out: print it again")});
    }

private:
    Facts m_facts;
};

} // namespace

QString alignmentSheetTitle(const QString& variant) {
    return QStringLiteral("位置合わせ %1").arg(variant);
}

Status produceAlignmentSheet(const QString& variant, Target target, const QString& file, int dpi) {
    const Result<LayoutPtr> loaded = loadLayout(variant);
    if (!loaded)
        return loaded.error();
    // The rulers count from the paper's edge, so the margins in effect are measured before the
    // sheet is laid out.
    Report probe(loaded.value());
    probe.setTarget(target, file, dpi);
    if (const Status setup = VariantPageSetup(probe); !setup)
        return setup;
    Facts facts{*loaded.value(), probe.page(), target == Target::Pdf || target == Target::Png,
                QString()};
    if (!facts.toFile)
        facts.queue = queueOf(probe);
    Sheet sheet(facts);
    sheet.setTarget(target, file, dpi);
    return execute(sheet);
}

} // namespace kema::report
