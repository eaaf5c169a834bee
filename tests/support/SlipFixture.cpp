#include "SlipFixture.h"

#include "PdfText.h"

#include "TestDatabase.h"
#include "card/Registration.h"
#include "report/Controls.h"
#include "report/Document.h"
#include "report/FileOutput.h"
#include "report/Layout.h"
#include "report/Report.h"
#include "report/ReportFactory.h"
#include "report/print/Output.h"
#include "request/TKV418C1.h"
#include "services/database/Database.h"
#include "services/host/SharedRequestState.h"
#include "slips/Registration.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace kema::test {

namespace {

// Sets the host's shared request values by name ("DenpyoNo", "KANJI", "SEX" …) through the
// request's own properties, as a host sets them.
void setHost(const QVariantMap& values) {
    TKV418C1 host;
    for (auto it = values.begin(); it != values.end(); ++it)
        if (!host.setProperty(qPrintable(it.key()), it.value()))
            QTest::qFail(qPrintable(u"unknown host value "_s + it.key()), __FILE__, __LINE__);
}

} // namespace

struct SlipFixture::Private {
    QTemporaryDir dir;
    std::unique_ptr<TestDatabase> database;
    std::optional<MessageRecorder> messages;
    std::optional<MessageBoxRecorder> boxes;
    int runs = 0;
};

SlipFixture::SlipFixture() : d(std::make_unique<Private>()) {}
SlipFixture::~SlipFixture() = default;

void SlipFixture::initTestCase() {
    QVERIFY(d->dir.isValid());
    slips::registerGlassesSlips();
    slips::registerContactSlips();
    card::registerCustomerCard();
    d->messages.emplace();
    d->boxes.emplace();
}

bool SlipFixture::prepare(const QString& backend, const QString& statements) {
    d->database.reset();
    d->database = std::make_unique<TestDatabase>(backend, TestDatabase::Content::Schema);
    if (d->database->unavailable()) {
        if (servicesRequired())
            QTest::qFail(qPrintable(d->database->error() + u" but KEMA_REQUIRE_SERVICES=1"_s),
                         __FILE__, __LINE__);
        else
            QTest::qSkip(qPrintable(d->database->error()), __FILE__, __LINE__);
        return false;
    }
    if (!QTest::qVerify(d->database->isValid(), "database", qPrintable(d->database->error()),
                        __FILE__, __LINE__))
        return false;
    QFile base(QStringLiteral(KEMA_SOURCE_DIR "/tests/support/base.sql"));
    const Status done = base.open(QIODevice::ReadOnly)
                            ? d->database->run(QString::fromUtf8(base.readAll()) + statements)
                            : Status(Error{0, base.fileName(), u"cannot be read"_s});
    if (!QTest::qVerify(done.ok(), "rows", qPrintable(failureText(done)), __FILE__, __LINE__))
        return false;
    d->database->writeSettings();
    return true;
}

TestDatabase& SlipFixture::database() const {
    return *d->database;
}

const MessageRecorder& SlipFixture::messages() const {
    return *d->messages;
}

SlipRun SlipFixture::run(const QString& className, const QVariantMap& request, Output output) {
    SlipRun result;
    d->messages->clear();
    d->boxes->clear();
    auto created = report::ReportFactory::instance().create(className);
    if (!created.ok()) {
        result.status = created.error();
        return result;
    }
    std::unique_ptr<report::Report> report = std::move(created).value();
    for (auto it = request.begin(); it != request.end(); ++it) {
        if (!report->setProperty(it.key().toLatin1().constData(), it.value())) {
            result.status = Error{5, className, u"cannot set "_s + it.key()};
            return result;
        }
    }
    const QString stem = d->dir.filePath(u"run%1"_s.arg(++d->runs));
    switch (output) {
    case Output::Fields:
        report->setTarget(report::Target::Pdf, stem + u".pdf"_s);
        result.status = report->run();
        break;
    case Output::Pdf:
        result.file = stem + u".pdf"_s;
        result.status = report::renderPdf(*report, result.file);
        break;
    case Output::Png:
        result.file = stem + u".png"_s;
        result.status = report::renderPng(*report, result.file, 300);
        break;
    }
    result.pages = int(report->document().pages.size());
    result.printErrorFlag = SharedRequestState::instance().PrintErrorFlag;
    result.printRtng = qint16(report->property("PrintRTNG").toInt());
    const report::PageValues& page = report->document().pageValues;
    const auto place = [&](const QString& name, const report::LayoutControl& c, QPoint corner) {
        result.boxes.insert(name, QRectF((page.leftMargin + corner.x() + c.left) / 20.0,
                                         (page.topMargin + corner.y() + c.top) / 20.0,
                                         c.width / 20.0, c.height / 20.0));
        result.aligns.insert(name, int(c.align));
    };
    for (const report::LayoutControl& c : report->layout().controls) {
        place(c.name, c, {});
        if (c.kind == report::ControlKind::Text || c.kind == report::ControlKind::Label) {
            const report::TextControl& field = report->textField(c.name);
            result.texts.insert(c.name, field.text());
            result.visible.insert(c.name, field.isVisible());
        } else if (c.kind == report::ControlKind::Subreport) {
            // SubTKV418R3 prints the card at its corner; the card is gone by now.
            if (const auto hosted = report::loadLayout(c.name.mid(3)); hosted.ok())
                for (const report::LayoutControl& h : hosted.value()->controls)
                    place(u"card:"_s + h.name, h, {c.left, c.top});
        } else if (c.kind == report::ControlKind::Frame) {
            result.visible.insert(c.name, report->frame(c.name).isVisible());
        } else if (c.kind == report::ControlKind::Barcode) {
            const report::BarcodeControl& bar = report->barcode(c.name);
            result.barcode = bar.data();
            result.barcodeVisible = bar.isVisible();
        }
    }
    result.messages = d->messages->codes();
    for (const RecordedBox& box : d->boxes->boxes())
        result.messageBoxes << box.title;
    return result;
}

Output SlipFixture::outputFor(const QStringList& expected) {
    const auto any = [&](const char* prefix) {
        return std::any_of(expected.begin(), expected.end(),
                           [&](const QString& e) { return e.startsWith(QLatin1String(prefix)); });
    };
    return any("ink:") || any("read=")    ? Output::Png
           : any("page:") || any("card:") ? Output::Pdf
                                          : Output::Fields;
}

void SlipFixture::addScenarioColumns() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QVariantMap>("request");
    QTest::addColumn<QVariantMap>("host");
    QTest::addColumn<QStringList>("expected");
}

void SlipFixture::addScenario(const char* name, const QString& className, const QString& rows,
                              const QVariantMap& request, const QVariantMap& host,
                              const QStringList& expected) {
    for (const QString& backend : backends())
        QTest::addRow("%s %s: %s", qPrintable(backend), qPrintable(className), name)
            << backend << className << rows << request << host << expected;
}

void SlipFixture::runScenario() {
    QFETCH(QString, backend);
    QFETCH(QString, className);
    QFETCH(QString, rows);
    QFETCH(QVariantMap, request);
    QFETCH(QVariantMap, host);
    QFETCH(QStringList, expected);
    if (!prepare(backend, rows))
        return;
    setHost(host);
    const int connections = db::openConnectionCount();
    const SlipRun done = run(className, request, outputFor(expected));
    QCOMPARE(db::openConnectionCount(), connections);
    QVERIFY2(done.status.ok(), qPrintable(failureText(done.status)));
    verify(done, expected);
}

void SlipFixture::verify(const SlipRun& run, const QStringList& expected) const {
    QList<QList<PdfWord>> pages;
    for (const QString& item : expected) {
        QString actual;
        const QString key = item.section(u'=', 0, 0);
        const QString value = item.section(u'=', 1);
        if (item.startsWith(u"page:") || item.startsWith(u"card:")) {
            const QString field = item.startsWith(u"page:") ? key.mid(5) : key;
            const bool own = !item.contains(u'=');
            const QString text = own ? run.texts.value(field) : value;
            if (pages.isEmpty())
                pages = pdfPages(run.file);
            QCOMPARE(int(pages.size()), run.pages);
            QVERIFY2(run.boxes.contains(field) && !(own && text.trimmed().isEmpty()),
                     qPrintable(item));
            for (const QList<PdfWord>& words : pages)
                verifyPrinted(words, run.boxes.value(field), report::Align(run.aligns.value(field)),
                              text);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(item));
            continue;
        }
        if (item.startsWith(u"ink:")) {
            const QString control = item.mid(4).section(QRegularExpression(u"[=>]"_s), 0, 0);
            const qsizetype at = 4 + control.size();
            const int ink = darkPixels(QImage(run.file), run.boxes.value(control), 300);
            const bool more = item.at(at) == u'>' && ink > item.mid(at + 1).toInt();
            actual = more ? item : u"ink:%1=%2"_s.arg(control).arg(ink);
        } else if (key == u"read") {
            if (toolPath("zbarimg").isEmpty())
                return QTest::qFail("zbarimg (zbar-tools) is not installed", __FILE__, __LINE__);
            QStringList read;
            for (int page = 0; page < run.pages; ++page)
                read << barcodes(report::pngPageFile(run.file, page)).join(u' ');
            actual = u"read="_s + read.join(u',');
        } else if (item.startsWith(u'+') || item.startsWith(u'-')) {
            const QString name = item.mid(1);
            const bool known = name == u"Fld_INQ_NO" || run.visible.contains(name);
            const bool shown = name == u"Fld_INQ_NO" ? run.barcodeVisible : run.visible.value(name);
            actual = known ? (shown ? u'+' : u'-') + name : u"no field "_s + name;
        } else {
            const QHash<QString, QString> values{
                {u"pages"_s, QString::number(run.pages)},
                {u"flag"_s, QString::number(run.printErrorFlag)},
                {u"rtng"_s, QString::number(run.printRtng)},
                {u"barcode"_s, run.barcode},
                {u"message"_s, run.messages.contains(value) ? value : run.messages.join(u',')}};
            actual = key + u'=' + values.value(key, run.texts.value(key, u"<no such field>"_s));
        }
        if (!QTest::qCompare(actual, item, "actual", qPrintable(run.messages.join(u',')), __FILE__,
                             __LINE__))
            return;
    }
}

} // namespace kema::test
