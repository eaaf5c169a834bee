// The print request through its class and through the dispatch table: validation order and
// codes, the report choice from the settings, and the launcher with a recording report.
#include "Recording.h"
#include "TestDatabase.h"

#include "report/ReportFactory.h"
#include "request/Dispatch.h"
#include "request/TKV418C1.h"
#include "services/database/ReportDatabase.h"
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
using request::MemberKind;

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

    // Each of the nine tests, its edge cases and the first-failing-test order. An empty code
    // means the request passes.
    void validation_data() {
        QTest::addColumn<bool>("dispatch");
        QTest::addColumn<QVariantMap>("request");
        QTest::addColumn<QString>("code");
        const auto row = [](const char* name, const char* changes, const char* code) {
            for (bool dispatch : {false, true})
                QTest::addRow("%s %s", dispatch ? "dispatch" : "class", name)
                    << dispatch << validRequest(QString::fromLatin1(changes))
                    << QString::fromLatin1(code);
        };
        row("valid", "", "");
        row("1: KidouKbnL 0", "KidouKbnL=0", "30008");
        row("1 before all others",
            "KidouKbnL=3;SyoriKbnL=9;QNumberL=;DenpKbnL=9;StoreCodeL=;OutKbnL=9;PrintKbnL=9",
            "30008");
        row("2: SyoriKbnL 3", "SyoriKbnL=3", "30009");
        row("2: not tested for a blank form", "KidouKbnL=2;SyoriKbnL=7", "");
        row("3: empty QNumberL with barcode", "QNumberL=", "30009");
        row("3: empty QNumberL without barcode", "QNumberL=;BarcodeKbnL=0", "");
        row("3: blank QNumberL is not empty", "QNumberL= ", "");
        row("4: DenpKbnL 0", "DenpKbnL=0", "30010");
        row("4 before 5", "DenpKbnL=3;StoreCodeL=", "30010");
        row("4: contact lenses", "DenpKbnL=2", "");
        row("5: empty StoreCodeL", "StoreCodeL=", "30011");
        row("5: StoreCodeL 00", "StoreCodeL=00", "");
        row("5: StoreCodeL 0 before 6", "StoreCodeL=0;SyoriKbnL=2", "30011");
        row("6: key by customer key", "SyoriKbnL=2;UserUQKeyL=1234", "");
        row("6: zero key before 7", "SyoriKbnL=2;OutNumberL=0", "30012");
        row("7: no copies preview", "OutNumberL=0;PrintKbnL=1", "");
        row("7: no copies printing before 8", "OutNumberL=0;OutKbnL=3", "30013");
        row("8: OutKbnL 0", "OutKbnL=0", "30014");
        row("8: OutKbnL 2", "OutKbnL=2", "");
        row("8 before 9", "OutKbnL=3;PrintKbnL=2", "30014");
        row("9: PrintKbnL -1", "PrintKbnL=-1", "30015");
    }
    // Late-bound hosts alternate identifiers and names in odd case.
    void validation() {
        QFETCH(bool, dispatch);
        QFETCH(QVariantMap, request);
        QFETCH(QString, code);
        TKV418C1 object;
        qint32 result = 0;
        if (dispatch) {
            object.setFileTarget(report::Target::Pdf, m_pdf);
            bool byName = false;
            for (auto it = request.cbegin(); it != request.cend(); ++it, byName = !byName) {
                const auto set =
                    byName ? request::invoke(object, it.key().toLower(), MemberKind::PropertyLet,
                                             it.value())
                           : request::invoke(object, request::findMember(it.key())->dispid,
                                             MemberKind::PropertyLet, it.value());
                QVERIFY2(set, qPrintable(failureText(set)));
            }
            const auto called = request::invoke(object, 0x60030016, MemberKind::Method);
            QVERIFY(called);
            QCOMPARE(called.value().metaType(), QMetaType::fromType<qint32>());
            result = called.value().value<qint32>();
        } else {
            prepare(object, request);
            result = object.RaitenDenpyoPRINT();
        }
        const QList<RecordedMessage>& shown = m_messages->messages();
        if (code.isEmpty()) {
            QCOMPARE(result, 0);
            QCOMPARE(shown.size(), 0);
            const char* slip = request.value("DenpKbnL").toInt() == 2 ? "TKV418R2" : "TKV418R1";
            QCOMPARE(launchLog().created, QStringList{slip});
            QVERIFY(QFile::exists(m_pdf));
            return;
        }
        QCOMPARE(result, -1);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().code + u' ' + shown.first().title,
                 code + u" TKV418C1_prf_propchk"_s);
        QCOMPARE(shown.first().argument, QVariant::fromValue<qint32>(0));
        QVERIFY(launchLog().created.isEmpty());
    }

    // Company 000008 prints on the forms with offsets; the code is compared as it is written.
    void reportChoice_data() {
        QTest::addColumn<QString>("company"); // empty: no settings file
        QTest::addColumn<int>("denpKbn");
        QTest::addColumn<QString>("expected");
        QTest::newRow("000008 glasses") << "000008" << 1 << "TKV418R4";
        QTest::newRow("000008 contact") << "000008" << 2 << "TKV418R5";
        QTest::newRow("8") << "8" << 2 << "TKV418R2";
        QTest::newRow("no settings file") << "" << 2 << "TKV418R2";
    }
    void reportChoice() {
        QFETCH(QString, company);
        QFETCH(int, denpKbn);
        QFETCH(QString, expected);
        if (company.isEmpty())
            QVERIFY(QFile::remove(m_settings));
        else
            writeSettings("[NWLS\\Common]\nKIGYO=" + company.toLatin1() + "\n");
        TKV418C1 object;
        prepare(object, validRequest(u"DenpKbnL=%1"_s.arg(denpKbn)));
        QCOMPARE(object.RaitenDenpyoPRINT(), 0);
        QCOMPARE(launchLog().created, QStringList{expected});
    }

    // The values stay with the object; the company code is read again at each call.
    void companyCodeReadAfreshPerCall() {
        TKV418C1 object;
        prepare(object, validRequest());
        writeSettings("[NWLS\\Common]\nKIGYO=000008\n");
        QCOMPARE(object.RaitenDenpyoPRINT(), 0);
        writeSettings("[NWLS\\Common]\nKIGYO=000001\n");
        QCOMPARE(object.RaitenDenpyoPRINT(), 0);
        QCOMPARE(launchLog().created, (QStringList{"TKV418R4", "TKV418R1"}));
    }

    void requestCopiedInOrder() {
        TKV418C1 object;
        const QVariantMap request = validRequest(u"SyoriKbnL=2;UserUQKeyL=98765.5;UserSKeyL=70000;"
                                                 "OutNumberL=3;OutKbnL=2;StoreCodeL=013;"
                                                 "OutDate=2024/05/01"_s);
        prepare(object, request);
        QCOMPARE(object.RaitenDenpyoPRINT(), 0);
        const QStringList order = {"KidouKbnL",  "SyoriKbnL",  "BarcodeKbnL", "QNumberL",
                                   "DenpKbnL",   "StoreCodeL", "UserUQKeyL",  "UserSKeyL",
                                   "OutNumberL", "OutKbnL",    "PrintKbnL",   "OutDate"};
        QCOMPARE(launchLog().assigned, order);
        for (const QString& name : order) {
            const QVariant copied = launchLog().values.value(name);
            QCOMPARE(copied.metaType(), object.property(qPrintable(name)).metaType());
            QCOMPARE(copied.toString(), request.value(name).toString());
        }
        QCOMPARE(launchLog().caption, u"来店伝票"_s);
        QCOMPARE(launchLog().copies, 3);
    }

    // -1 when the engine fails or the run leaves PrintErrorFlag at -1; the target follows
    // PrintKbnL unless the host asked for a file.
    void launcherResult_data() {
        QTest::addColumn<bool>("failInStart");
        QTest::addColumn<int>("flag");
        QTest::addColumn<int>("printKbn"); // -1: the test's PDF
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("result");
        const int pdf = int(report::Target::Pdf);
        QTest::newRow("run ok, flag 0") << false << 0 << -1 << pdf << 0;
        QTest::newRow("run ok, flag -1") << false << -1 << -1 << pdf << -1;
        QTest::newRow("engine failure, flag 0") << true << 0 << -1 << pdf << -1;
        QTest::newRow("engine failure, print")
            << true << 0 << 0 << int(report::Target::Printer) << -1;
        QTest::newRow("engine failure, preview")
            << true << 0 << 1 << int(report::Target::Preview) << -1;
    }
    void launcherResult() {
        QFETCH(bool, failInStart);
        QFETCH(int, flag);
        QFETCH(int, printKbn);
        QFETCH(int, target);
        QFETCH(int, result);
        qputenv("KEMA_OFFSCREEN_PREVIEW", "1");
        const auto offscreen = qScopeGuard([] { qunsetenv("KEMA_OFFSCREEN_PREVIEW"); });
        launchLog().failInStart = failInStart;
        launchLog().printErrorFlag = qint16(flag);
        launchLog().printOut = 1;
        TKV418C1 object;
        if (printKbn < 0)
            prepare(object, validRequest());
        else
            QVERIFY(applyThroughClass(object, validRequest(u"PrintKbnL=%1"_s.arg(printKbn))));
        StderrCapture capture;
        QCOMPARE(object.RaitenDenpyoPRINT(), result);
        QCOMPARE(int(launchLog().target), target);
        const QString errors = capture.text();
        QCOMPARE(errors.contains(u"the test report failed on purpose"), failInStart);
        if (failInStart) {
            QVERIFY(errors.contains(u"[TKV418C1.prf_print]"));
            QCOMPARE(SharedRequestState::instance().PrintErrorFlag, qint16(-1));
        }
        QVERIFY(m_messages->messages().isEmpty());
        // The printed flag of the report reaches the host.
        const auto read = request::invoke(object, u"print_out", MemberKind::PropertyGet);
        QVERIFY(read);
        QCOMPARE(read.value(), QVariant::fromValue<qint16>(1));
    }

    // A launcher failure has no catalogue code; the operator sees it in the platform message
    // box titled as the launcher, and the log keeps it on standard error.
    void launchFailuresAreShown_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("changes");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char* name, const char* setup, const char* changes,
                            const char* reason) {
            QTest::newRow(name) << QString::fromLatin1(setup) << QString::fromLatin1(changes)
                                << QString::fromLatin1(reason);
        };
        row("class not registered", "unregister", "DenpKbnL=2", "\"TKV418R2\"");
        row("report without the request properties", "bare", "", "KidouKbnL");
        row("copies below 1", "printer", "OutNumberL=-1", "copy count -1");
        row("missing font", "bad face", "", "Kema No Such Face");
        row("preview without a display", "printer", "PrintKbnL=1", "needs a display");
    }
    void launchFailuresAreShown() {
        QFETCH(QString, setup);
        QFETCH(QString, changes);
        QFETCH(QString, reason);
        const auto restore = qScopeGuard([] { RecordingReport::registerAll(); });
        if (setup == u"unregister")
            report::ReportFactory::instance().unregisterReport("TKV418R2");
        if (setup == u"bare")
            report::ReportFactory::instance().registerReport(
                "TKV418R1", [] { return std::make_unique<BareReport>(); });
        if (setup == u"bad face")
            launchLog().layout = u"RequestBadFace"_s;
        MessageBoxRecorder boxes;
        TKV418C1 object;
        if (setup == u"printer")
            QVERIFY(applyThroughClass(object, validRequest(changes)));
        else
            prepare(object, validRequest(changes));
        StderrCapture capture;
        const qint32 result = object.RaitenDenpyoPRINT();
        const QString errors = capture.text();
        QCOMPARE(result, -1);
        QCOMPARE(boxes.boxes().size(), 1);
        QCOMPARE(boxes.boxes().first().title, u"TKV418C1.prf_print"_s);
        QVERIFY2(boxes.boxes().first().text.contains(reason),
                 qPrintable(boxes.boxes().first().text));
        QVERIFY2(errors.contains(reason) && errors.contains(u"[TKV418C1.prf_print]"),
                 qPrintable(errors));
        QVERIFY(!QFile::exists(m_pdf));
        QVERIFY(m_messages->messages().isEmpty());
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

    // The override texts, the slip number and the sex belong to the process, not the object.
    void hostValuesAreSharedByTheProcess() {
        const QVariantMap values{
            {"KANA", "ヤマダ タロウ"}, {"KANJI", "山田 太郎"},
            {"DenpyoNo", "D-0001"},    {"HOME_TEL", "03-1234"},
            {"RENRAKUSAKI", "090"},    {"RENRAKUBIKOU", "夜"},
            {"BIRTH", "1980/05/12"},   {"SEX", QVariant::fromValue<qint16>(2)}};
        TKV418C1 first;
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            QVERIFY(
                request::invoke(first, it.key().toLower(), MemberKind::PropertyLet, it.value()));
        TKV418C1 second;
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            QCOMPARE(second.property(qPrintable(it.key())), it.value());
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
