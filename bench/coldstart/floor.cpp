// The cold-start floor: a bare Qt program that creates the GUI application, loads the fonts the
// slips print with, in their sizes, and draws a page of as many texts, lines and frames as a
// slip, with an image the size of its barcode, into a PDF file.
// Run: QT_QPA_PLATFORM=offscreen bench_coldstart_floor OUT.pdf LINES FRAMES
// FAMILY:POINTS:TEXTS[:bold]...
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <cstdio>
#include <utility>
#include <vector>

namespace {

constexpr qreal Resolution = 1200;
constexpr qreal TwipsPerInch = 1440;

// Texts of a slip's length: most are figures of a few characters, some are Japanese words.
const char* const kSamples[] = {"0.70",      "-2.25",        "180",
                                "山本 健一", "2026",         "12",
                                "1.50",      "03-3645-1203", "遠近両用 1.67 R",
                                "-0.75",     "ﾔﾏﾓﾄ ｹﾝｲﾁ",    "東京都江東区東陽４丁目"};

// "IPAMincho:8.25:290" or "IPAMincho:10:2:bold": that many texts in that font; the size in
// twips as pixels, as the slips lay text out.
std::pair<QFont, int> fontAndCount(const QString& argument) {
    const QStringList fields = argument.split(u':');
    QFont font(fields.value(0));
    font.setPixelSize(qRound(fields.value(1).toDouble() * 20));
    font.setBold(fields.value(3) == u"bold");
    font.setHintingPreference(QFont::PreferNoHinting);
    return {font, fields.value(2).toInt()};
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 5) {
        std::fprintf(
            stderr,
            "usage: bench_coldstart_floor OUT.pdf WORDS LINES FRAMES FAMILY:POINTS:TEXTS...\n");
        return 2;
    }
    QFile wordFile(QString::fromLocal8Bit(argv[2]));
    if (!wordFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 2;
    }
    const QStringList words =
        QString::fromUtf8(wordFile.readAll()).split(u'\n', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return 2;
    const int lines = std::atoi(argv[3]);
    const int frames = std::atoi(argv[4]);
    std::vector<std::pair<QFont, int>> fonts;
    for (int i = 5; i < argc; ++i)
        fonts.push_back(fontAndCount(QString::fromLocal8Bit(argv[i])));

    QPdfWriter writer(QString::fromLocal8Bit(argv[1]));
    writer.setResolution(int(Resolution));
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF()));
    QPainter painter(&writer);
    painter.scale(Resolution / TwipsPerInch, Resolution / TwipsPerInch);
    painter.translate(330, 1134);
    int text = 0;
    for (const auto& [font, count] : fonts) {
        painter.setFont(font);
        for (int i = 0; i < count; ++i, ++text) {
            const QRectF box(120 + (text % 15) * 1050, (text / 15) * 400, 1000, 240);
            // The Latin face prints figures, as the slips' one Arial text (the barcode's) does.
            painter.drawText(box, Qt::AlignLeft | Qt::AlignTop,
                             font.family() == u"Liberation Sans" ? QStringLiteral("130100002")
                                                                 : words.at(text % words.size()));
        }
    }
    painter.setPen(QPen(Qt::black, 15));
    for (int i = 0; i < lines; ++i) {
        const qreal at = 100 + i * 45;
        if (i % 2)
            painter.drawLine(QPointF(at, 0), QPointF(at, 9800));
        else
            painter.drawLine(QPointF(0, at), QPointF(16000, at));
    }
    for (int i = 0; i < frames; ++i)
        painter.drawRect(QRectF(100 + (i % 7) * 2200, 150 + (i / 7) * 4800, 2000, 4500));
    QImage bars(121, 1, QImage::Format_Mono);
    bars.fill(1);
    for (int x = 10; x < 111; x += 4)
        bars.setPixel(x, 0, 0);
    painter.drawImage(QRectF(13530, 0, 2399, 472), bars);
    return painter.end() ? 0 : 1;
}
