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
#include "services/host/SharedRequestState.h"
#include "slips/Registration.h"

#include <QFile>
#include <QTest>

#include <optional>

namespace kema::test {

struct SlipFixture::Private {
    QTemporaryDir dir;
    std::unique_ptr<TestDatabase> database;
    std::optional<MessageRecorder> messages;
    std::optional<MessageBoxRecorder> boxes;
    int runs = 0;
};

SlipFixture::SlipFixture() : d(std::make_unique<Private>()) {}
SlipFixture::~SlipFixture() = default;

void SlipFixture::setHost(const QVariantMap& values) {
    // Through the request's own properties, as a host sets them.
    TKV418C1 host;
    for (auto it = values.begin(); it != values.end(); ++it)
        if (!host.setProperty(qPrintable(it.key()), it.value()))
            QTest::qFail(qPrintable(QStringLiteral("unknown host value ") + it.key()), __FILE__,
                         __LINE__);
}

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
        if (servicesRequired()) {
            QTest::qFail(
                qPrintable(d->database->error() + QStringLiteral(" but KEMA_REQUIRE_SERVICES=1")),
                __FILE__, __LINE__);
        } else {
            QTest::qSkip(qPrintable(d->database->error()), __FILE__, __LINE__);
        }
        return false;
    }
    if (!QTest::qVerify(d->database->isValid(), "database", qPrintable(d->database->error()),
                        __FILE__, __LINE__))
        return false;
    QFile base(QStringLiteral(KEMA_SOURCE_DIR "/tests/support/base.sql"));
    const Status done = base.open(QIODevice::ReadOnly)
                            ? d->database->run(QString::fromUtf8(base.readAll()) + statements)
                            : Status(Error{0, base.fileName(), QStringLiteral("cannot be read")});
    if (!QTest::qVerify(done.ok(), "rows", qPrintable(failureText(done)), __FILE__, __LINE__))
        return false;
    d->database->writeSettings();
    return true;
}

QString SlipFixture::connectionString() const {
    return d->database->connectionString();
}

TestDatabase& SlipFixture::database() const {
    return *d->database;
}

void SlipFixture::writeSettings(const QMap<QString, QString>& values) {
    d->database->writeSettings(values);
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
            result.status = Error{5, className, QStringLiteral("cannot set ") + it.key()};
            return result;
        }
    }
    const QString stem = d->dir.filePath(QStringLiteral("run%1").arg(++d->runs));
    switch (output) {
    case Output::Fields:
        report->setTarget(report::Target::Pdf, stem + QStringLiteral(".pdf"));
        result.status = report->run();
        break;
    case Output::Pdf:
        result.file = stem + QStringLiteral(".pdf");
        result.status = report::renderPdf(*report, result.file);
        break;
    case Output::Png:
        result.file = stem + QStringLiteral(".png");
        result.status = report::renderPng(*report, result.file, 300);
        break;
    }
    result.pages = int(report->document().pages.size());
    result.printErrorFlag = SharedRequestState::instance().PrintErrorFlag;
    result.printRtng = qint16(report->property("PrintRTNG").toInt());
    const report::PageValues& page = report->document().pageValues;
    for (const report::LayoutControl& c : report->layout().controls) {
        if (c.kind == report::ControlKind::Text || c.kind == report::ControlKind::Label) {
            const report::TextControl& field = report->textField(c.name);
            result.texts.insert(c.name, field.text());
            result.visible.insert(c.name, field.isVisible());
            result.boxes.insert(c.name, QRectF((page.leftMargin + c.left) / 20.0,
                                               (page.topMargin + c.top) / 20.0, c.width / 20.0,
                                               c.height / 20.0));
            result.aligns.insert(c.name, int(c.align));
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

void SlipFixture::verify(const SlipRun& run, const QStringList& expected) const {
    for (const QString& item : expected) {
        QString actual;
        if (item.startsWith(u'+') || item.startsWith(u'-')) {
            const QString name = item.mid(1);
            const bool known = name == u"Fld_INQ_NO" || run.visible.contains(name);
            const bool shown = name == u"Fld_INQ_NO" ? run.barcodeVisible : run.visible.value(name);
            actual = known ? (shown ? u'+' : u'-') + name : QStringLiteral("no field ") + name;
        } else {
            const QString key = item.section(u'=', 0, 0);
            const QString value = item.section(u'=', 1);
            const QHash<QString, QString> values{
                {QStringLiteral("pages"), QString::number(run.pages)},
                {QStringLiteral("flag"), QString::number(run.printErrorFlag)},
                {QStringLiteral("rtng"), QString::number(run.printRtng)},
                {QStringLiteral("barcode"), run.barcode},
                {QStringLiteral("denpyo"), SharedRequestState::instance().DenpyoNo},
                {QStringLiteral("message"),
                 run.messages.contains(value) ? value : run.messages.join(u',')}};
            actual = key + u'=' +
                     values.value(key, run.texts.value(key, QStringLiteral("<no such field>")));
        }
        if (!QTest::qCompare(actual, item, "actual", qPrintable(run.messages.join(u',')), __FILE__,
                             __LINE__))
            return;
    }
}

void SlipFixture::verifyPlaced(const SlipRun& run, const QString& field) const {
    const QString text = run.texts.value(field);
    if (QTest::qVerify(!text.trimmed().isEmpty(), qPrintable(field), "has a text", __FILE__,
                       __LINE__))
        verifyPrinted(pdfWords(run.file), run.boxes.value(field),
                      report::Align(run.aligns.value(field)), text);
}

void SlipFixture::verifyBarcodes(const QString& className, const QVariantMap& request,
                                 const QStringList& expected) {
    if (toolPath("zbarimg").isEmpty()) {
        QTest::qFail("zbarimg (zbar-tools) is not installed", __FILE__, __LINE__);
        return;
    }
    const SlipRun png = run(className, request, Output::Png);
    if (!QTest::qVerify(png.status.ok(), "rendered", "PNG", __FILE__, __LINE__))
        return;
    QStringList read;
    for (int page = 0; page < png.pages; ++page)
        read << barcodes(report::pngPageFile(png.file, page)).join(u' ');
    QTest::qCompare(read, expected, "barcodes", "expected", __FILE__, __LINE__);
}

} // namespace kema::test
