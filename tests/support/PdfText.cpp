#include "PdfText.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

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
            QString text = m.captured(5);
            text.replace(QLatin1String("&lt;"), QLatin1String("<"))
                .replace(QLatin1String("&gt;"), QLatin1String(">"))
                .replace(QLatin1String("&quot;"), QLatin1String("\""))
                .replace(QLatin1String("&amp;"), QLatin1String("&"));
            words.append(
                {text, QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
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

void verifyAligned(const QRectF& ink, const QRectF& box, report::Align align) {
    const double at = align == report::Align::Left    ? ink.left() - box.left()
                      : align == report::Align::Right ? ink.right() - box.right()
                                                      : ink.center().x() - box.center().x();
    const QString where = QStringLiteral("ink %1-%2 in box %3-%4")
                              .arg(ink.left())
                              .arg(ink.right())
                              .arg(box.left())
                              .arg(box.right());
    QTest::qVerify(qAbs(at) <= 1, "aligned", qPrintable(where), __FILE__, __LINE__);
}

QStringList barcodes(const QString& image) {
    return runTool(toolPath("zbarimg"), {QStringLiteral("-q"), QStringLiteral("--raw"), image})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace kema::test
