#include "PdfText.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>

namespace kema::test {

QString toolPath(const char* name) {
    return QStandardPaths::findExecutable(QLatin1String(name));
}

QString runTool(const QString& program, const QStringList& arguments, int* exitCode) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}

QList<QList<PdfWord>> pdfPages(const QString& pdf) {
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">([^<]*)</word>"));
    const QString xml =
        runTool(toolPath("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    QList<QList<PdfWord>> pages;
    for (const QString& page : xml.split(QStringLiteral("</page>"))) {
        if (!page.contains(QLatin1String("<page")))
            continue;
        QList<PdfWord> words;
        for (auto it = word.globalMatch(page); it.hasNext();) {
            const auto m = it.next();
            words.append({m.captured(5),
                          QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                 QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
        }
        pages.append(words);
    }
    return pages;
}

QList<PdfWord> pdfWords(const QString& pdf) {
    QList<PdfWord> words;
    for (const QList<PdfWord>& page : pdfPages(pdf))
        words += page;
    return words;
}

void verifyPrinted(const QList<PdfWord>& words, const QRectF& box, report::Align align,
                   const QString& text) {
    QList<PdfWord> inside;
    for (const PdfWord& w : words)
        if (qAbs(w.box.top() - box.top()) <= 1 && w.box.left() >= box.left() - 1 &&
            w.box.right() <= box.right() + 1)
            inside.append(w);
    std::sort(inside.begin(), inside.end(),
              [](const PdfWord& a, const PdfWord& b) { return a.box.left() < b.box.left(); });
    QStringList texts;
    QRectF covered;
    for (const PdfWord& w : inside) {
        texts << w.text;
        covered = covered.united(w.box);
    }
    const QString expected = QString(text).replace(QChar(0x3000), u' ').simplified();
    if (!QTest::qCompare(texts.join(u' '), expected, "printed", "expected", __FILE__, __LINE__) ||
        expected.isEmpty())
        return;
    const double off = align == report::Align::Left    ? covered.left() - box.left()
                       : align == report::Align::Right ? covered.right() - box.right()
                                                       : covered.center().x() - box.center().x();
    const QString where = QStringLiteral("ink %1-%2 in box %3-%4")
                              .arg(covered.left())
                              .arg(covered.right())
                              .arg(box.left())
                              .arg(box.right());
    QTest::qVerify(qAbs(off) <= 1, "aligned", qPrintable(where), __FILE__, __LINE__);
}

int darkPixels(const QImage& image, const QRectF& box, int dpi) {
    const QRect pixels = QRectF(box.topLeft() * dpi / 72.0, box.size() * dpi / 72.0)
                             .toAlignedRect()
                             .intersected(image.rect());
    int dark = 0;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        for (int x = pixels.left(); x <= pixels.right(); ++x)
            dark += qGray(image.pixel(x, y)) < 160;
    return dark;
}

QStringList barcodes(const QString& image) {
    return runTool(toolPath("zbarimg"), {QStringLiteral("-q"), QStringLiteral("--raw"), image})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace kema::test
