#include "report/Controls.h"
#include "report/Layout.h"
#include "report/Report.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

using namespace kema;
using namespace kema::report;
using namespace Qt::StringLiterals;

namespace {

const QString kGood = QStringLiteral(KEMA_SOURCE_DIR "/tests/report_layout/fixtures/Good.json");

// The node with the value at `path` ("controls/2/kind") replaced, or removed when there is none.
QJsonValue edited(const QJsonValue& node, QStringList path,
                  const std::optional<QJsonValue>& value) {
    if (path.isEmpty())
        return *value;
    const QString key = path.takeFirst();
    const bool remove = path.isEmpty() && !value;
    if (node.isArray()) {
        QJsonArray array = node.toArray();
        if (remove)
            array.removeAt(key.toInt());
        else
            array[key.toInt()] = edited(array[key.toInt()], path, value);
        return array;
    }
    QJsonObject object = node.toObject();
    if (remove)
        object.remove(key);
    else
        object[key] = edited(object[key], path, value);
    return object;
}

} // namespace

class TestReportLayout : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    LayoutPtr good() {
        auto loaded = loadLayoutFile(kGood);
        if (!loaded)
            QTest::qFail(qPrintable(loaded.error().description), __FILE__, __LINE__);
        return loaded ? loaded.value() : nullptr;
    }

private slots:
    // The good fixture with one edit: a path and its new JSON value, none to remove it.
    void brokenLayouts_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char* path, const char* value, QStringList expected) {
            QTest::newRow(path) << QString::fromLatin1(path) << QString::fromLatin1(value)
                                << expected;
        };
        row("controls/2/kind", "\"picture\"", {"control 3 \"GENGO1\"", "unknown kind \"picture\""});
        row("controls/3/dashStyle", "1", {"control 4 \"Line1\"", "unknown property \"dashStyle\""});
        row("controls/0/font/colour", "\"#000000\"",
            {"control 1 \"Fld_NAME\"", "unknown property \"colour\" in \"font\""});
        row("controls/5/name", "\"Line1\"", {"control 6 \"Line1\"", "duplicate name"});
        row("controls/1/font", "", {"control 2 \"Fld_NO\"", "missing required value \"font\""});
        row("controls/1/foreColor", "\"#80FFFFFF\"",
            {"control 2 \"Fld_NO\"", "\"foreColor\" is not a 24-bit colour"});
        row("controls/5/width", "-15", {"control 6 \"Shape15\"", "negative width -15"});
        row("controls/0/left", "630.5",
            {"control 1 \"Fld_NAME\"", "\"left\" must be a whole number"});
        row("controls/0/align", "\"justify\"",
            {"control 1 \"Fld_NAME\"", "unknown alignment \"justify\""});
        row("printWidth", "", {"missing required value \"printWidth\""});
        row("name", "\"TKV418R1\"",
            {"report name \"TKV418R1\" does not match the file name \"Broken\""});
    }

    void brokenLayouts() {
        QFETCH(QString, path);
        QFETCH(QString, value);
        QFETCH(QStringList, expected);
        QFile good(kGood);
        QVERIFY(good.open(QIODevice::ReadOnly));
        QJsonValue layout = QJsonDocument::fromJson(good.readAll()).object();
        layout = edited(layout, {u"name"_s}, QJsonValue(u"Broken"_s));
        std::optional<QJsonValue> changed;
        if (!value.isEmpty())
            changed = QJsonDocument::fromJson(("[" + value + "]").toUtf8()).array().at(0);
        layout = edited(layout, path.split(u'/'), changed);
        const QString file = m_dir.filePath(u"Broken.json"_s);
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(QJsonDocument(layout.toObject()).toJson());
        out.close();
        const auto loaded = loadLayoutFile(file);
        QVERIFY(!loaded.ok());
        const QString text = loaded.error().description;
        QVERIFY2(text.startsWith(file + u':'), qPrintable(text));
        for (const QString& part : expected)
            QVERIFY2(text.contains(part), qPrintable(text));
    }

    void missingLayoutsAreErrors() {
        const auto loaded = loadLayoutFile(m_dir.filePath(u"Absent.json"_s));
        QVERIFY(!loaded.ok());
        QVERIFY(loaded.error().description.contains(u"Absent.json"_s));
        Report report(u"NoSuchLayout"_s);
        const Status run = report.run();
        QVERIFY(!run.ok());
        QVERIFY(run.error().description.contains(u":/layouts/NoSuchLayout.layout"_s));
        QVERIFY_THROWS_EXCEPTION(Failure, report.textField(u"Fld_NAME"_s));
    }

    // Every layout compiled into the library passes the loader, which parses it once.
    void compiledLayoutsLoad() {
        QDirIterator it(u":/layouts"_s);
        while (it.hasNext()) {
            const QString name = QFileInfo(it.next()).completeBaseName();
            const auto loaded = loadLayout(name);
            QVERIFY2(loaded.ok(), qPrintable(loaded.ok() ? name : loaded.error().description));
            QCOMPARE(loaded.value().get(), loadLayout(name).value().get());
        }
    }

    // A control is found by its name and kind, else fails loudly; it starts as designed.
    void controlsByName() {
        const LayoutPtr layout = good();
        QVERIFY(layout);
        Report report(layout);
        const auto fails = [](auto&& use, const QString& message) {
            try {
                use();
                QFAIL("no failure");
            } catch (const Failure& f) {
                QVERIFY2(f.error().description.contains(message),
                         qPrintable(f.error().description));
            }
        };
        fails([&] { report.textField(u"Fld_NONE"_s); }, u"\"Fld_NONE\""_s);
        fails([&] { report.line(u"Fld_NAME"_s); }, u"is a text field, not a line"_s);
        TextControl& name = report.textField(u"Fld_NAME"_s);
        QCOMPARE(name.text(), u"ＮＮＮＮ"_s);
        QVERIFY(name.isVisible());
        QVERIFY(!report.textField(u"Fld_NO"_s).isVisible());
        // Colours are 24-bit: the alpha is dropped.
        name.setForeColor(QColor(255, 255, 255, 10));
        QCOMPARE(name.foreColor(), QRgb(0xFFFFFF));
        QCOMPARE(report.barcode(u"Fld_INQ_NO"_s).data(), u"130100002"_s);
    }
};

QTEST_MAIN(TestReportLayout)
#include "tst_report_layout.moc"
