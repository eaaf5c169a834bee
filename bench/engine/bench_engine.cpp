// Renders a synthetic slip-like page of 400 controls through the engine to PDF and draws the
// same primitives with a bare QPainter loop on QPdfWriter (the floor), then prints medians and
// ratios. Run: QT_QPA_PLATFORM=offscreen bench_engine [output folder]
#include "report/Controls.h"
#include "report/Document.h"
#include "report/FileOutput.h"
#include "report/Fonts.h"
#include "report/Layout.h"
#include "report/Report.h"
#include "report/print/Output.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace kema::report;

namespace {

constexpr int Texts = 300;
constexpr int Lines = 60;
constexpr int Frames = 40;
constexpr int ChangingFields = 20; // data fields that differ from record to record

LayoutPtr syntheticLayout() {
    auto layout = std::make_shared<ReportLayout>();
    layout->name = QStringLiteral("Bench");
    layout->printWidth = 16005;
    layout->topMargin = 1134;
    layout->documentName = QStringLiteral("来店伝票（ベンチ）");
    layout->section = {QStringLiteral("Detail"), 10275, 0xFFFFFF};
    // Short texts that fit their boxes, as the slips' fields do.
    const QString samples[] = {QStringLiteral("氏名"),  QStringLiteral("ＮＮＮ"),
                               QStringLiteral("-9.99"), QStringLiteral("平成"),
                               QStringLiteral("遠用"),  QStringLiteral("AB-")};
    int ordinal = 0;
    for (int i = 0; i < Texts; ++i) {
        LayoutControl c;
        c.kind = ControlKind::Text;
        c.name = QStringLiteral("Fld_%1").arg(i);
        c.ordinal = ++ordinal;
        c.left = 120 + (i % 15) * 1050;
        c.top = 200 + (i / 15) * 480;
        c.width = 1000;
        c.height = 240;
        c.text = samples[i % 6] + QString::number(i);
        c.font.face = i % 2 ? QStringLiteral("ＭＳ Ｐゴシック") : QStringLiteral("ＭＳ 明朝");
        c.font.size = i % 3 ? 8.25 : 9.75;
        c.align = Align(i % 3);
        layout->controls.push_back(c);
    }
    for (int i = 0; i < Lines; ++i) {
        LayoutControl c;
        c.kind = ControlKind::Line;
        c.name = QStringLiteral("Line%1").arg(i);
        c.ordinal = ++ordinal;
        const bool horizontal = i % 2 == 0;
        c.left = horizontal ? 100 : 100 + i * 260;
        c.top = horizontal ? 180 + i * 160 : 180;
        c.width = horizontal ? 16000 : c.left;
        c.height = horizontal ? c.top : 9800;
        layout->controls.push_back(c);
    }
    for (int i = 0; i < Frames; ++i) {
        LayoutControl c;
        c.kind = ControlKind::Frame;
        c.name = QStringLiteral("Shape%1").arg(i);
        c.ordinal = ++ordinal;
        c.left = 100 + (i % 8) * 2000;
        c.top = 150 + (i / 8) * 1900;
        c.width = 1900;
        c.height = 1800;
        c.lineWeight = 1 + (i % 5 == 0);
        layout->controls.push_back(c);
    }
    LayoutControl bar;
    bar.kind = ControlKind::Barcode;
    bar.name = QStringLiteral("Fld_INQ_NO");
    bar.ordinal = ++ordinal;
    bar.left = 13530;
    bar.width = 2399;
    bar.height = 824;
    bar.font = {QStringLiteral("Arial"), 15.75, false, false, false, false, 0};
    bar.data = QStringLiteral("130100002");
    layout->controls.push_back(bar);
    return layout;
}

class BenchReport : public Report {
public:
    BenchReport(LayoutPtr layout, int records) : Report(std::move(layout)), m_records(records) {}
    void Report_ReportStart() override {
        m_fetched = 0;
        page().leftMargin = 330;
        page().topMargin = 1134;
    }
    void Report_FetchData(bool& eof) override { eof = ++m_fetched > m_records; }
    void Detail_Format() override {
        for (int i = 0; i < ChangingFields; ++i)
            textField(QStringLiteral("Fld_%1").arg(i * 7))
                .setText(QStringLiteral("山田%1").arg(m_fetched));
        barcode(QStringLiteral("Fld_INQ_NO"))
            .setData(QStringLiteral("1301%1").arg(m_fetched, 5, 10, QLatin1Char('0')));
    }

private:
    int m_records;
    int m_fetched = 0;
};

// The floor: the same primitives with QPainter's own calls, text laid out on every page.
void bareLoop(const Document& document, const QString& file) {
    QPdfWriter writer(file);
    writer.setResolution(1200);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF()));
    QPainter painter(&writer);
    const qreal scale = 1200.0 / 1440;
    for (int p = 0; p < document.pageCount(); ++p) {
        if (p > 0)
            writer.newPage();
        painter.resetTransform();
        painter.scale(scale, scale);
        painter.translate(document.pageValues.leftMargin, document.pageValues.topMargin);
        document.pages[std::size_t(p)].forEach([&](quint32 i) {
            const Primitive& item = document.item(i);
            if (const auto* t = std::get_if<TextPrimitive>(&item)) {
                QFont font(t->font->face);
                font.setPixelSize(qRound(t->font->size * 20));
                font.setBold(t->font->bold);
                painter.setFont(font);
                painter.setPen(QColor(t->color));
                const int align = t->align == Align::Left    ? Qt::AlignLeft
                                  : t->align == Align::Right ? Qt::AlignRight
                                                             : Qt::AlignHCenter;
                painter.drawText(t->box, align | Qt::AlignTop, t->text);
            } else if (const auto* l = std::get_if<LinePrimitive>(&item)) {
                painter.setPen(QPen(QColor(l->color), l->weight * 15));
                painter.drawLine(l->from, l->to);
            } else if (const auto* r = std::get_if<RectPrimitive>(&item)) {
                painter.setPen(QPen(QColor(r->lineColor), r->weight * 15));
                painter.drawRect(r->box);
            } else if (const auto* b = std::get_if<BarsPrimitive>(&item)) {
                const qreal module = b->box.width() / b->modules;
                for (const BarsPrimitive::Bar& bar : b->bars)
                    painter.fillRect(QRectF(b->box.left() + bar.start * module, b->box.top(),
                                            bar.width * module, b->box.height()),
                                     Qt::black);
            }
        });
    }
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double millis(const std::function<void()>& f) {
    QElapsedTimer timer;
    timer.start();
    f();
    return timer.nsecsElapsed() / 1e6;
}

long maxRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    const QString enginePdf = dir + QStringLiteral("/bench-engine.pdf");
    const QString floorPdf = dir + QStringLiteral("/bench-floor.pdf");
    const LayoutPtr layout = syntheticLayout();

    // One page; the floor draws the primitives of the engine's own run.
    const int rounds = 31;
    std::vector<double> engine1, floor1;
    for (int i = 0; i < rounds + 3; ++i) {
        BenchReport report(layout, 1);
        const double e = millis([&] {
            if (!renderPdf(report, enginePdf))
                std::abort();
        });
        const double f = millis([&] { bareLoop(report.document(), floorPdf); });
        if (i >= 3) {
            engine1.push_back(e);
            floor1.push_back(f);
        }
    }
    std::printf(
        "one page:   engine %.2f ms, floor %.2f ms, ratio %.3f (target <= 1.15, engine <= 25 ms)\n",
        median(engine1), median(floor1), median(engine1) / median(floor1));

    std::vector<double> engine100, floor100;
    for (int i = 0; i < 9; ++i) {
        BenchReport report(layout, 100);
        engine100.push_back(millis([&] { renderPdf(report, enginePdf); }));
        floor100.push_back(millis([&] { bareLoop(report.document(), floorPdf); }));
    }
    std::printf("100 pages:  engine %.3f ms/page, floor %.3f ms/page, ratio %.3f (target <= 0.8)\n",
                median(engine100) / 100, median(floor100) / 100,
                median(engine100) / median(floor100));

    const long before = maxRssKb();
    double t100 = 0;
    {
        BenchReport report(layout, 100);
        t100 = millis([&] { renderPdf(report, enginePdf); });
    }
    const long after100 = maxRssKb();
    double t1000 = 0;
    {
        BenchReport report(layout, 1000);
        t1000 = millis([&] { renderPdf(report, enginePdf); });
    }
    const long after1000 = maxRssKb();
    std::printf("1000 pages: %.0f ms (%.3f ms/page; 100 pages %.3f ms/page, linearity %.2f)\n",
                t1000, t1000 / 1000, t100 / 100, (t1000 / 1000) / (t100 / 100));
    std::printf("peak RSS:   %ld kB before, %ld kB after 100 pages, %ld kB after 1000 pages: "
                "growth %.2f MB (target < 5 MB)\n",
                before, after100, after1000, (after1000 - after100) / 1024.0);
    return 0;
}
