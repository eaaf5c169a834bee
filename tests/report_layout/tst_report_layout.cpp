#include "report/Controls.h"
#include "report/Layout.h"
#include "report/Report.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QtTest>

using namespace kema;
using namespace kema::report;

namespace {

QString fixture(const QString& name) {
    return QStringLiteral(KEMA_SOURCE_DIR "/tests/report_layout/fixtures/%1.json").arg(name);
}

LayoutPtr good() {
    auto loaded = loadLayoutFile(fixture(QStringLiteral("Good")));
    if (!loaded)
        qFatal("%s", qPrintable(loaded.error().description));
    return loaded.value();
}

} // namespace

class TestReportLayout : public QObject {
    Q_OBJECT

private slots:
    void countsOfEachKind() {
        const LayoutPtr layout = good();
        QCOMPARE(layout->name, QStringLiteral("Good"));
        QCOMPARE(layout->printWidth, 16005);
        QCOMPARE(layout->topMargin, 1134);
        QCOMPARE(layout->documentName, QStringLiteral("来店伝票（試験）"));
        QCOMPARE(layout->section.name, QStringLiteral("Detail"));
        QCOMPARE(layout->section.height, 10275);
        std::map<ControlKind, int> counts;
        for (std::size_t i = 0; i < layout->controls.size(); ++i) {
            ++counts[layout->controls[i].kind];
            QCOMPARE(layout->controls[i].ordinal, int(i) + 1);
        }
        QCOMPARE(counts[ControlKind::Text], 2);
        QCOMPARE(counts[ControlKind::Label], 1);
        QCOMPARE(counts[ControlKind::Line], 2);
        QCOMPARE(counts[ControlKind::Frame], 2);
        QCOMPARE(counts[ControlKind::Subreport], 1);
        QCOMPARE(counts[ControlKind::Barcode], 1);
    }

    void designedValues() {
        const LayoutPtr layout = good();
        const LayoutControl& no = *layout->find(QStringLiteral("Fld_NO"));
        QCOMPARE(no.align, Align::Right);
        QCOMPARE(no.visible, false);
        QCOMPARE(no.foreColor, QRgb(0xFFFFFF));
        QCOMPARE(no.font.face, QStringLiteral("ＭＳ Ｐ明朝"));
        QCOMPARE(no.font.size, 8.25);
        QVERIFY(no.font.bold);
        QCOMPARE(no.text, QString());
        const LayoutControl& dot = *layout->find(QStringLiteral("Lin_X_2"));
        QCOMPARE(dot.lineWeight, 2);
        QCOMPARE(dot.lineColor, QRgb(0xFFFFFF));
        const LayoutControl& mask = *layout->find(QStringLiteral("bmpMask"));
        QVERIFY(mask.filled);
        QCOMPARE(mask.backColor, QRgb(0xFFFFFF));
        const LayoutControl& bar = *layout->find(QStringLiteral("Fld_INQ_NO"));
        QCOMPARE(bar.width, 2399);
        QCOMPARE(bar.height, 824);
        QCOMPARE(bar.data, QStringLiteral("130100002"));
        QCOMPARE(bar.stored.size(), 12);
        QCOMPARE(bar.stored.at(3).toString(), QStringLiteral("font"));
        QCOMPARE(bar.sizeText, QStringList({"42.375 mm", "14.55 mm"}));
        QCOMPARE(bar.font.charset, 0);
    }

    void brokenLayouts_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char* file, QStringList expected) {
            QTest::newRow(file) << QString::fromLatin1(file) << expected;
        };
        row("UnknownKind", {"control 3 \"GENGO1\"", "unknown kind \"picture\""});
        row("UnknownProperty", {"control 4 \"Line1\"", "unknown property \"dashStyle\""});
        row("UnknownFontProperty",
            {"control 1 \"Fld_NAME\"", "unknown property \"colour\" in \"font\""});
        row("DuplicateName", {"control 6 \"Line1\"", "duplicate name"});
        row("MissingFont", {"control 2 \"Fld_NO\"", "missing required value \"font\""});
        row("MissingEndPoint", {"control 5 \"Lin_X_2\"", "missing required value \"y2\""});
        row("MissingData", {"control 9 \"Fld_INQ_NO\"", "missing required value \"data\""});
        row("ShortColour", {"control 7 \"bmpMask\"", "\"backColor\" is not a 24-bit colour"});
        row("AlphaColour", {"control 2 \"Fld_NO\"", "\"foreColor\" is not a 24-bit colour"});
        row("NegativeWidth", {"control 6 \"Shape15\"", "negative width -15"});
        row("NegativeHeight", {"control 8 \"SubTKV418R3\"", "negative height -4020"});
        row("FractionalLeft", {"control 1 \"Fld_NAME\"", "\"left\" must be a whole number"});
        row("BadAlign", {"control 1 \"Fld_NAME\"", "unknown alignment \"justify\""});
        row("MissingPrintWidth", {"missing required value \"printWidth\""});
        row("NameMismatch",
            {"report name \"TKV418R1\" does not match the file name \"NameMismatch\""});
    }

    void brokenLayouts() {
        QFETCH(QString, file);
        QFETCH(QStringList, expected);
        const auto loaded = loadLayoutFile(fixture(file));
        QVERIFY(!loaded.ok());
        const QString text = loaded.error().description;
        QVERIFY2(text.startsWith(fixture(file) + QLatin1Char(':')), qPrintable(text));
        for (const QString& part : expected)
            QVERIFY2(text.contains(part), qPrintable(text));
    }

    void missingFileIsAnError() {
        const auto loaded = loadLayoutFile(fixture(QStringLiteral("Absent")));
        QVERIFY(!loaded.ok());
        QVERIFY(loaded.error().description.contains(QStringLiteral("Absent.json")));
    }

    void reportOfAMissingLayoutFails() {
        Report report(QStringLiteral("NoSuchLayout"));
        const Status run = report.run();
        QVERIFY(!run.ok());
        QVERIFY(run.error().description.contains(QStringLiteral(":/layouts/NoSuchLayout.json")));
        QVERIFY_THROWS_EXCEPTION(Failure, report.textField(QStringLiteral("Fld_NAME")));
    }

    // Every layout compiled into the library passes the loader.
    void compiledLayoutsLoad() {
        QDirIterator it(QStringLiteral(":/layouts"));
        while (it.hasNext()) {
            const QString name = QFileInfo(it.next()).completeBaseName();
            const auto loaded = loadLayout(name);
            QVERIFY2(loaded.ok(), qPrintable(loaded.ok() ? name : loaded.error().description));
            QCOMPARE(loaded.value().get(), loadLayout(name).value().get());
        }
    }

    void unknownNameFailsLoudly() {
        Report report(good());
        try {
            report.textField(QStringLiteral("Fld_NONE"));
            QFAIL("no failure");
        } catch (const Failure& f) {
            QVERIFY2(f.error().description.contains(QStringLiteral("\"Fld_NONE\"")),
                     qPrintable(f.error().description));
        }
        try {
            report.line(QStringLiteral("Fld_NAME"));
            QFAIL("no failure");
        } catch (const Failure& f) {
            QVERIFY2(f.error().description.contains(QStringLiteral("is a text field, not a line")),
                     qPrintable(f.error().description));
        }
    }

    void runTimeStateStartsAsDesignedAndReadsBack() {
        Report report(good());
        TextControl& name = report.textField(QStringLiteral("Fld_NAME"));
        QCOMPARE(name.text(), QStringLiteral("ＮＮＮＮ"));
        QVERIFY(name.isVisible());
        name.setText(QStringLiteral("山田"));
        name.setBold(true);
        name.setFontSize(10);
        name.setForeColor(QColor(255, 255, 255, 10));
        QCOMPARE(name.text(), QStringLiteral("山田"));
        QVERIFY(name.bold());
        QCOMPARE(name.fontSize(), 10.0);
        QCOMPARE(name.foreColor(), QRgb(0xFFFFFF));
        QVERIFY(!report.textField(QStringLiteral("Fld_NO")).isVisible());
        QCOMPARE(report.textField(QStringLiteral("GENGO1")).text(), QStringLiteral("M T"));

        BarcodeControl& bar = report.barcode(QStringLiteral("Fld_INQ_NO"));
        QCOMPARE(bar.data(), QStringLiteral("130100002"));
        bar.setData(QVariant::fromValue<qint16>(0));
        QCOMPARE(bar.data(), QString());
        bar.setData(QStringLiteral("A12"));
        QCOMPARE(bar.data(), QStringLiteral("A12"));
        bar.setOption(false);
        QVERIFY(!bar.option());

        report.frame(QStringLiteral("Shape15")).setLineColor(Qt::white);
        QCOMPARE(report.frame(QStringLiteral("Shape15")).lineColor(), QRgb(0xFFFFFF));
        report.line(QStringLiteral("Line1")).setLineColor(Qt::white);
        QCOMPARE(report.line(QStringLiteral("Line1")).lineColor(), QRgb(0xFFFFFF));

        Report hosted(good());
        SubreportControl& sub = report.subreport(QStringLiteral("SubTKV418R3"));
        sub.setReport(&hosted);
        QCOMPARE(sub.report(), &hosted);
        sub.setReport(nullptr);
        QCOMPARE(sub.report(), nullptr);
    }
};

QTEST_MAIN(TestReportLayout)
#include "tst_report_layout.moc"
