// The print request through its class: validation order and codes, the report choice from the
// settings, and the launcher with a recording report.
#include "Recording.h"
#include "TestDatabase.h"

#include "report/ReportFactory.h"
#include "request/Dispatch.h"
#include "request/TKV418C1.h"
#include "services/host/SharedRequestState.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace kema;
using namespace kema::test;
using namespace Qt::StringLiterals;

namespace {

// A request that passes every test (a glasses slip by reception number, printed once), with
// `changes` packed as "Name=value;Name=value", typed as the dispatch table types them.
QVariantMap validRequest(const QString& changes = {}) {
    QVariantMap request;
    for (const QString& pair : (u"KidouKbnL=1;SyoriKbnL=1;BarcodeKbnL=1;QNumberL=130100002;"
                                "DenpKbnL=1;StoreCodeL=001;UserUQKeyL=0;UserSKeyL=0;OutNumberL=1;"
                                "OutKbnL=1;PrintKbnL=0;OutDate=;"_s +
                                changes)
                                   .split(u';', Qt::SkipEmptyParts)) {
        const QString name = pair.section(u'=', 0, 0);
        request.insert(
            name, request::coerce(pair.section(u'=', 1), request::findMember(name)->type).value());
    }
    return request;
}

// Through the class's own properties, as a C++ host sets them.
bool applyThroughClass(TKV418C1& request, const QVariantMap& values) {
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        if (!request.setProperty(qPrintable(it.key()), it.value()))
            return false;
    return true;
}

} // namespace

class TestRequest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_settings;
    QString m_pdf;
    std::optional<MessageRecorder> m_messages;

    void writeSettings(const QByteArray& content) {
        QFile file(m_settings);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    // A request with `values` that renders to the test's PDF.
    void prepare(TKV418C1& object, const QVariantMap& values) {
        object.setFileTarget(report::Target::Pdf, m_pdf);
        QVERIFY(applyThroughClass(object, values));
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_settings = m_dir.filePath("settings.ini");
        m_pdf = m_dir.filePath("out.pdf");
        qputenv("KEMA_SETTINGS", QFile::encodeName(m_settings));
        m_messages.emplace();
        RecordingReport::registerAll();
    }

    void cleanupTestCase() {
        RecordingReport::unregisterAll();
        m_messages.reset();
    }

    void init() {
        writeSettings("[NWLS\\Common]\r\nAREA=1\r\n");
        QFile::remove(m_pdf);
        m_messages->clear();
        launchLog() = {};
        SharedRequestState::instance() = {};
    }

    // The tests' edge cases and the first-failing-test order; the C host's refusals show the
    // first test. An empty code means the request passes.
    void validation_data() {
        QTest::addColumn<QVariantMap>("request");
        QTest::addColumn<QString>("code");
        const auto row = [](const char* name, const char* changes, const char* code) {
            QTest::newRow(name) << validRequest(QString::fromLatin1(changes))
                                << QString::fromLatin1(code);
        };
        row("valid", "", "");
        row("2: SyoriKbnL 3", "SyoriKbnL=3", "30009");
        row("2: not tested for a blank form", "KidouKbnL=2;SyoriKbnL=7", "");
        row("3: empty QNumberL with barcode", "QNumberL=", "30009");
        row("3: empty QNumberL without barcode", "QNumberL=;BarcodeKbnL=0", "");
        row("3: blank QNumberL is not empty", "QNumberL= ", "");
        row("4 before 5", "DenpKbnL=3;StoreCodeL=", "30010");
        row("4: contact lenses", "DenpKbnL=2", "");
        row("5: StoreCodeL 00", "StoreCodeL=00", "");
        row("5: StoreCodeL 0 before 6", "StoreCodeL=0;SyoriKbnL=2", "30011");
        row("6: key by customer key", "SyoriKbnL=2;UserUQKeyL=1234", "");
        row("6: zero key before 7", "SyoriKbnL=2;OutNumberL=0", "30012");
        row("7: no copies preview", "OutNumberL=0;PrintKbnL=1", "");
        row("7: no copies printing before 8", "OutNumberL=0;OutKbnL=3", "30013");
        row("8: OutKbnL 2", "OutKbnL=2", "");
        row("8 before 9", "OutKbnL=3;PrintKbnL=2", "30014");
        row("9: PrintKbnL -1", "PrintKbnL=-1", "30015");
    }
    void validation() {
        QFETCH(QVariantMap, request);
        QFETCH(QString, code);
        TKV418C1 object;
        prepare(object, request);
        QCOMPARE(object.RaitenDenpyoPRINT(), code.isEmpty() ? 0 : -1);
        const QList<RecordedMessage>& shown = m_messages->messages();
        QCOMPARE(shown.size(), code.isEmpty() ? 0 : 1);
        QCOMPARE(QFile::exists(m_pdf), code.isEmpty());
        if (code.isEmpty()) {
            const char* slip = request.value("DenpKbnL").toInt() == 2 ? "TKV418R2" : "TKV418R1";
            QCOMPARE(launchLog().created, QStringList{slip});
            return;
        }
        QCOMPARE(shown.first().code + u' ' + shown.first().title,
                 code + u" TKV418C1_prf_propchk"_s);
        QCOMPARE(shown.first().argument, QVariant::fromValue<qint32>(0));
        QVERIFY(launchLog().created.isEmpty());
    }

    // One object called once per company code: 000008 prints on the forms with offsets; the
    // code is compared as it is written and read again at each call.
    void reportChoice_data() {
        QTest::addColumn<QString>("denpKbn");
        QTest::addColumn<QStringList>("companies"); // "": no settings file
        QTest::addColumn<QStringList>("created");
        const auto row = [](const char* name, const char* denpKbn, const char* companies,
                            const char* created) {
            QTest::newRow(name) << QString::fromLatin1(denpKbn)
                                << QString::fromLatin1(companies).split(u'|')
                                << QString::fromLatin1(created).split(u'|');
        };
        row("contact lenses, 000008", "2", "000008", "TKV418R5");
        row("contact lenses, 8", "2", "8", "TKV418R2");
        row("contact lenses, no settings file", "2", "", "TKV418R2");
        row("glasses, read at each call", "1", "000008|000001", "TKV418R4|TKV418R1");
    }
    void reportChoice() {
        QFETCH(QString, denpKbn);
        QFETCH(QStringList, companies);
        QFETCH(QStringList, created);
        TKV418C1 object;
        prepare(object, validRequest(u"DenpKbnL="_s + denpKbn));
        for (const QString& company : companies) {
            if (company.isEmpty())
                QVERIFY(QFile::remove(m_settings));
            else
                writeSettings("[NWLS\\Common]\nKIGYO=" + company.toLatin1() + "\n");
            QCOMPARE(object.RaitenDenpyoPRINT(), 0);
        }
        QCOMPARE(launchLog().created, created);
    }

    // -1 when the engine fails or the run leaves PrintErrorFlag at -1; the target follows
    // PrintKbnL unless the host asked for a file. A launcher failure has no catalogue code; the
    // operator sees it in the platform message box titled as the launcher, and the log keeps it
    // on standard error.
    void launch_data() {
        QTest::addColumn<QString>("setup"); // with "printer": no file target
        QTest::addColumn<QString>("changes");
        QTest::addColumn<int>("target");     // of the report's run; -1: it never started
        QTest::addColumn<QString>("reason"); // in the one box; empty: no box
        const auto row = [](const char* name, const char* setup, const char* changes, int target,
                            const char* reason) {
            QTest::newRow(name) << QString::fromLatin1(setup) << QString::fromLatin1(changes)
                                << target << QString::fromLatin1(reason);
        };
        using enum report::Target;
        const char* failed = "the test report failed on purpose";
        row("run ok", "",
            "SyoriKbnL=2;UserUQKeyL=98765.5;UserSKeyL=70000;OutNumberL=3;OutKbnL=2;"
            "StoreCodeL=013;OutDate=2024/05/01",
            int(Pdf), "");
        row("run leaves the flag at -1", "flag", "", int(Pdf), "");
        row("engine failure, print", "failing printer", "", int(Printer), failed);
        row("engine failure, preview", "failing printer offscreen", "PrintKbnL=1", int(Preview),
            failed);
        row("class not registered", "unregister", "DenpKbnL=2", -1, "\"TKV418R2\"");
        row("report without the request properties", "bare", "", -1, "KidouKbnL");
        row("copies below 1", "printer", "OutNumberL=-1", -1, "copy count -1");
        row("missing font", "bad face", "", -1, "Kema No Such Face");
        row("preview without a display", "printer", "PrintKbnL=1", -1, "needs a display");
    }
    void launch() {
        QFETCH(QString, setup);
        QFETCH(QString, changes);
        QFETCH(int, target);
        QFETCH(QString, reason);
        const auto restore = qScopeGuard([] {
            RecordingReport::registerAll();
            qunsetenv("KEMA_OFFSCREEN_PREVIEW");
        });
        if (setup.contains(u"offscreen"))
            qputenv("KEMA_OFFSCREEN_PREVIEW", "1");
        if (setup == u"unregister")
            report::ReportFactory::instance().unregisterReport("TKV418R2");
        if (setup == u"bare")
            report::ReportFactory::instance().registerReport(
                "TKV418R1", [] { return std::make_unique<BareReport>(); });
        if (setup == u"bad face")
            launchLog().layout = u"RequestBadFace"_s;
        launchLog().failInStart = setup.contains(u"failing");
        launchLog().printErrorFlag = setup == u"flag" ? -1 : 0;
        launchLog().printOut = 1;
        MessageBoxRecorder boxes;
        TKV418C1 object;
        const QVariantMap values = validRequest(changes);
        if (setup.contains(u"printer"))
            QVERIFY(applyThroughClass(object, values));
        else
            prepare(object, values);
        StderrCapture capture;
        QCOMPARE(object.RaitenDenpyoPRINT(), setup.isEmpty() ? 0 : -1);
        const QString errors = capture.text();
        QVERIFY(m_messages->messages().isEmpty());
        if (target >= 0) {
            QCOMPARE(int(launchLog().target), target);
            // The request in the order of the interface, typed as the report's properties.
            const QStringList order = {"KidouKbnL",  "SyoriKbnL",  "BarcodeKbnL", "QNumberL",
                                       "DenpKbnL",   "StoreCodeL", "UserUQKeyL",  "UserSKeyL",
                                       "OutNumberL", "OutKbnL",    "PrintKbnL",   "OutDate"};
            QCOMPARE(launchLog().assigned, order);
            for (const QString& name : order) {
                const QVariant copied = launchLog().values.value(name);
                QCOMPARE(copied.metaType(), object.property(qPrintable(name)).metaType());
                QCOMPARE(copied.toString(), values.value(name).toString());
            }
            QCOMPARE(launchLog().caption, u"来店伝票"_s);
            QCOMPARE(launchLog().copies, values.value("OutNumberL").toInt());
            // The printed flag of the report reaches the host.
            const auto read =
                request::invoke(object, u"print_out", request::MemberKind::PropertyGet);
            QVERIFY(read);
            QCOMPARE(read.value(), QVariant::fromValue<qint16>(1));
        }
        if (reason.isEmpty()) {
            QVERIFY(boxes.boxes().isEmpty());
            return;
        }
        QCOMPARE(boxes.boxes().size(), 1);
        QCOMPARE(boxes.boxes().first().title, u"TKV418C1.prf_print"_s);
        QVERIFY2(boxes.boxes().first().text.contains(reason),
                 qPrintable(boxes.boxes().first().text));
        QVERIFY2(errors.contains(reason) && errors.contains(u"[TKV418C1.prf_print]"),
                 qPrintable(errors));
        if (target >= 0)
            QCOMPARE(SharedRequestState::instance().PrintErrorFlag, qint16(-1));
        QVERIFY(!QFile::exists(m_pdf));
    }

    // Qt aborts a process that paints without a GUI application object; the host keeps running
    // and gets -1. The host is this test program started again with a core application only.
    void coreApplicationHostGetsMinusOne() {
        QProcess host;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"KEMA_TEST_CORE_HOST"_s, m_pdf);
        host.setProcessEnvironment(env);
        host.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(host.waitForFinished(30000));
        const QString errors = QString::fromLocal8Bit(host.readAllStandardError());
        QCOMPARE(host.exitStatus(), QProcess::NormalExit);
        QVERIFY2(host.exitCode() == 0, qPrintable(errors));
        QVERIFY2(errors.contains(u"this component needs a GUI application object"),
                 qPrintable(errors));
        QVERIFY(!QFile::exists(m_pdf));
    }
};

// With KEMA_TEST_CORE_HOST set to a PDF path, the program is a host with a core application
// object only that asks for that PDF; it exits 0 when the call answered -1.
int main(int argc, char** argv) {
    if (const QString pdf = qEnvironmentVariable("KEMA_TEST_CORE_HOST"); !pdf.isEmpty()) {
        QCoreApplication core(argc, argv);
        RecordingReport::registerAll();
        TKV418C1 object;
        object.setFileTarget(report::Target::Pdf, pdf);
        applyThroughClass(object, validRequest());
        return object.RaitenDenpyoPRINT() == -1 ? 0 : 1;
    }
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestRequest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_request.moc"
