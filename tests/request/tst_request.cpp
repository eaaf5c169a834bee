// The print request through its class and through the dispatch table: validation order and
// codes, the report choice from the settings, and the launcher with a recording report.
#include "Recording.h"
#include "StderrCapture.h"
#include "report/ReportFactory.h"

#include "request/Dispatch.h"
#include "request/TKV418C1.h"
#include "services/host/SharedRequestState.h"

#include "services/messages/Messages.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using kema::SharedRequestState;
using kema::TKV418C1;
using kema::request::MemberKind;
using kema::test::launchLog;
using kema::test::RecordingMessageDisplay;
using kema::test::RecordingReport;

namespace {

QVariant i16(int v) {
    return QVariant::fromValue<qint16>(qint16(v));
}

// A request that passes every test: a glasses slip by reception number, printed once.
QVariantMap validRequest() {
    return {{"KidouKbnL", i16(1)},   {"SyoriKbnL", i16(1)},
            {"BarcodeKbnL", i16(1)}, {"QNumberL", "130100002"},
            {"DenpKbnL", i16(1)},    {"StoreCodeL", "001"},
            {"UserUQKeyL", 0.0},     {"UserSKeyL", QVariant::fromValue<qint32>(0)},
            {"OutNumberL", i16(1)},  {"OutKbnL", i16(1)},
            {"PrintKbnL", i16(0)},   {"OutDate", ""}};
}

QVariantMap with(QVariantMap request, const QVariantMap& changes) {
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        request.insert(it.key(), it.value());
    return request;
}

// Each of the nine tests, its edge cases and the first-failing-test order. An empty code means
// the request passes.
void addValidationRows() {
    QTest::addColumn<QVariantMap>("request");
    QTest::addColumn<QString>("code");

    auto row = [](const char* name, const QVariantMap& changes, const char* code) {
        QTest::newRow(name) << with(validRequest(), changes) << QString::fromLatin1(code);
    };
    row("valid", {}, "");
    row("1: KidouKbnL 0", {{"KidouKbnL", i16(0)}}, "30008");
    row("1: KidouKbnL 3", {{"KidouKbnL", i16(3)}}, "30008");
    row("1: KidouKbnL -1", {{"KidouKbnL", i16(-1)}}, "30008");
    row("1 before all others",
        {{"KidouKbnL", i16(3)},
         {"SyoriKbnL", i16(9)},
         {"QNumberL", ""},
         {"DenpKbnL", i16(9)},
         {"StoreCodeL", ""},
         {"OutKbnL", i16(9)},
         {"PrintKbnL", i16(9)}},
        "30008");
    row("2: SyoriKbnL 0", {{"SyoriKbnL", i16(0)}}, "30009");
    row("2: SyoriKbnL 3", {{"SyoriKbnL", i16(3)}}, "30009");
    row("2: not tested for a blank form", {{"KidouKbnL", i16(2)}, {"SyoriKbnL", i16(7)}}, "");
    row("3: empty QNumberL with barcode", {{"QNumberL", ""}}, "30009");
    row("3: empty QNumberL without barcode", {{"QNumberL", ""}, {"BarcodeKbnL", i16(0)}}, "");
    row("3: blank QNumberL is not empty", {{"QNumberL", " "}}, "");
    row("4: DenpKbnL 0", {{"DenpKbnL", i16(0)}}, "30010");
    row("4: DenpKbnL 3", {{"DenpKbnL", i16(3)}}, "30010");
    row("4 before 5", {{"DenpKbnL", i16(3)}, {"StoreCodeL", ""}}, "30010");
    row("4: contact lenses", {{"DenpKbnL", i16(2)}}, "");
    row("5: empty StoreCodeL", {{"StoreCodeL", ""}}, "30011");
    row("5: StoreCodeL 0", {{"StoreCodeL", "0"}}, "30011");
    row("5: StoreCodeL 00", {{"StoreCodeL", "00"}}, "");
    row("5: StoreCodeL blank zero", {{"StoreCodeL", " 0"}}, "");
    row("5 before 6", {{"StoreCodeL", "0"}, {"SyoriKbnL", i16(2)}}, "30011");
    row("6: zero key by customer key", {{"SyoriKbnL", i16(2)}}, "30012");
    row("6: zero key by reception number", {{"UserUQKeyL", 0.0}}, "");
    row("6: key by customer key", {{"SyoriKbnL", i16(2)}, {"UserUQKeyL", 1234.0}}, "");
    row("6 before 7", {{"SyoriKbnL", i16(2)}, {"OutNumberL", i16(0)}}, "30012");
    row("7: no copies printing", {{"OutNumberL", i16(0)}}, "30013");
    row("7: no copies preview", {{"OutNumberL", i16(0)}, {"PrintKbnL", i16(1)}}, "");
    row("7 before 8", {{"OutNumberL", i16(0)}, {"OutKbnL", i16(3)}}, "30013");
    row("8: OutKbnL 0", {{"OutKbnL", i16(0)}}, "30014");
    row("8: OutKbnL 3", {{"OutKbnL", i16(3)}}, "30014");
    row("8: OutKbnL 2", {{"OutKbnL", i16(2)}}, "");
    row("8 before 9", {{"OutKbnL", i16(3)}, {"PrintKbnL", i16(2)}}, "30014");
    row("9: PrintKbnL 2", {{"PrintKbnL", i16(2)}}, "30015");
    row("9: PrintKbnL -1", {{"PrintKbnL", i16(-1)}}, "30015");
}

void applyThroughClass(TKV418C1& request, const QVariantMap& values) {
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QString& name = it.key();
        const QVariant& v = it.value();
        if (name == u"KidouKbnL")
            request.setKidouKbnL(v.value<qint16>());
        else if (name == u"SyoriKbnL")
            request.setSyoriKbnL(v.value<qint16>());
        else if (name == u"BarcodeKbnL")
            request.setBarcodeKbnL(v.value<qint16>());
        else if (name == u"QNumberL")
            request.setQNumberL(v.toString());
        else if (name == u"DenpKbnL")
            request.setDenpKbnL(v.value<qint16>());
        else if (name == u"StoreCodeL")
            request.setStoreCodeL(v.toString());
        else if (name == u"UserUQKeyL")
            request.setUserUQKeyL(v.toDouble());
        else if (name == u"UserSKeyL")
            request.setUserSKeyL(v.value<qint32>());
        else if (name == u"OutNumberL")
            request.setOutNumberL(v.value<qint16>());
        else if (name == u"OutKbnL")
            request.setOutKbnL(v.value<qint16>());
        else if (name == u"PrintKbnL")
            request.setPrintKbnL(v.value<qint16>());
        else if (name == u"OutDate")
            request.setOutDate(v.toString());
        else
            QFAIL(qPrintable(QStringLiteral("no setter for ") + name));
    }
}

// Alternates identifiers and names in odd case, the way late-bound hosts call.
void applyThroughDispatch(TKV418C1& request, const QVariantMap& values) {
    int n = 0;
    for (auto it = values.cbegin(); it != values.cend(); ++it, ++n) {
        const auto* member = kema::request::findMember(it.key());
        QVERIFY(member);
        const auto set = n % 2 ? kema::request::invoke(request, it.key().toLower(),
                                                       MemberKind::PropertyLet, it.value())
                               : kema::request::invoke(request, member->dispid,
                                                       MemberKind::PropertyLet, it.value());
        QVERIFY2(set, set ? "" : qPrintable(set.error().description));
    }
}

} // namespace

class TestRequest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_settings;
    QString m_pdf;

    void writeSettings(const QByteArray& content) {
        QFile file(m_settings);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    void checkOutcome(const QString& code, const QString& expectedClass, qint32 result) {
        const auto& shown = RecordingMessageDisplay::shown();
        if (code.isEmpty()) {
            QCOMPARE(result, 0);
            QCOMPARE(shown.size(), 0);
            QCOMPARE(launchLog().created, QStringList{expectedClass});
            QVERIFY(QFile::exists(m_pdf));
        } else {
            QCOMPARE(result, -1);
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown.first().code, code);
            QCOMPARE(shown.first().title, QStringLiteral("TKV418C1_prf_propchk"));
            QCOMPARE(shown.first().argument.metaType(), QMetaType::fromType<qint32>());
            QCOMPARE(shown.first().argument.value<qint32>(), 0);
            QVERIFY(launchLog().created.isEmpty());
        }
    }

    void newRequest(TKV418C1& request) { request.setFileTarget(kema::report::Target::Pdf, m_pdf); }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_settings = m_dir.filePath("settings.ini");
        m_pdf = m_dir.filePath("out.pdf");
        qputenv("KEMA_SETTINGS", QFile::encodeName(m_settings));
        RecordingMessageDisplay::install();
        RecordingReport::registerAll();
    }

    void cleanupTestCase() {
        RecordingReport::unregisterAll();
        kema::ComponentRegistry::instance().reset();
    }

    void init() {
        writeSettings("[NWLS\\Common]\r\nAREA=1\r\n");
        QFile::remove(m_pdf);
        RecordingMessageDisplay::shown().clear();
        launchLog() = {};
        SharedRequestState::instance() = {};
    }

    void validationThroughClass_data() { addValidationRows(); }
    void validationThroughClass() {
        QFETCH(QVariantMap, request);
        QFETCH(QString, code);
        TKV418C1 object;
        newRequest(object);
        applyThroughClass(object, request);
        const qint32 result = object.RaitenDenpyoPRINT();
        checkOutcome(code, request.value("DenpKbnL").value<qint16>() == 2 ? "TKV418R2" : "TKV418R1",
                     result);
    }

    void validationThroughDispatch_data() { addValidationRows(); }
    void validationThroughDispatch() {
        QFETCH(QVariantMap, request);
        QFETCH(QString, code);
        TKV418C1 object;
        newRequest(object);
        applyThroughDispatch(object, request);
        const auto result = kema::request::invoke(object, 0x60030016, MemberKind::Method);
        QVERIFY(result);
        QCOMPARE(result.value().metaType(), QMetaType::fromType<qint32>());
        checkOutcome(code, request.value("DenpKbnL").value<qint16>() == 2 ? "TKV418R2" : "TKV418R1",
                     result.value().value<qint32>());
    }

    void reportChoice_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("denpKbn");
        QTest::addColumn<QString>("expected");
        const QByteArray offset = "[NWLS\\Common]\r\nKIGYO=000008\r\n";
        QTest::newRow("000008 glasses") << offset << 1 << "TKV418R4";
        QTest::newRow("000008 contact") << offset << 2 << "TKV418R5";
        QTest::newRow("8 glasses") << QByteArray("[NWLS\\Common]\nKIGYO=8\n") << 1 << "TKV418R1";
        QTest::newRow("8 contact") << QByteArray("[NWLS\\Common]\nKIGYO=8\n") << 2 << "TKV418R2";
        QTest::newRow("0000080") << QByteArray("[NWLS\\Common]\nKIGYO=0000080\n") << 2
                                 << "TKV418R2";
        QTest::newRow("000004") << QByteArray("[NWLS\\Common]\nKIGYO=000004\n") << 1 << "TKV418R1";
        QTest::newRow("absent glasses")
            << QByteArray("[NWLS\\Common]\nAREA=1\n") << 1 << "TKV418R1";
        QTest::newRow("absent contact")
            << QByteArray("[NWLS\\Common]\nAREA=1\n") << 2 << "TKV418R2";
        QTest::newRow("other section")
            << QByteArray("[NWLS\\Other]\nKIGYO=000008\n") << 1 << "TKV418R1";
        QTest::newRow("section and key case")
            << QByteArray("[nwls\\COMMON]\nkigyo=000008\n") << 2 << "TKV418R5";
    }
    void reportChoice() {
        QFETCH(QByteArray, settings);
        QFETCH(int, denpKbn);
        QFETCH(QString, expected);
        writeSettings(settings);
        TKV418C1 object;
        newRequest(object);
        applyThroughClass(object, with(validRequest(), {{"DenpKbnL", i16(denpKbn)}}));
        QCOMPARE(object.RaitenDenpyoPRINT(), 0);
        QCOMPARE(launchLog().created, QStringList{expected});
    }

    void reportChoiceWithoutSettingsFile() {
        QVERIFY(QFile::remove(m_settings));
        TKV418C1 object;
        newRequest(object);
        applyThroughClass(object, with(validRequest(), {{"DenpKbnL", i16(2)}}));
        QCOMPARE(object.RaitenDenpyoPRINT(), 0);
        QCOMPARE(launchLog().created, QStringList{"TKV418R2"});
    }

    void companyCodeReadAfreshPerCall() {
        TKV418C1 object;
        newRequest(object);
        applyThroughClass(object, validRequest());
        writeSettings("[NWLS\\Common]\nKIGYO=000008\n");
        QCOMPARE(object.RaitenDenpyoPRINT(), 0);
        writeSettings("[NWLS\\Common]\nKIGYO=000001\n");
        QCOMPARE(object.RaitenDenpyoPRINT(), 0);
        QCOMPARE(launchLog().created, (QStringList{"TKV418R4", "TKV418R1"}));
    }

    void requestCopiedInOrder() {
        TKV418C1 object;
        newRequest(object);
        const QVariantMap request =
            with(validRequest(), {{"SyoriKbnL", i16(2)},
                                  {"UserUQKeyL", 98765.5},
                                  {"UserSKeyL", QVariant::fromValue<qint32>(70000)},
                                  {"OutNumberL", i16(3)},
                                  {"OutKbnL", i16(2)},
                                  {"StoreCodeL", "013"},
                                  {"OutDate", "2024/05/01"}});
        applyThroughClass(object, request);
        QCOMPARE(object.RaitenDenpyoPRINT(), 0);
        const QStringList order = {"KidouKbnL",  "SyoriKbnL",  "BarcodeKbnL", "QNumberL",
                                   "DenpKbnL",   "StoreCodeL", "UserUQKeyL",  "UserSKeyL",
                                   "OutNumberL", "OutKbnL",    "PrintKbnL",   "OutDate"};
        QCOMPARE(launchLog().assigned, order);
        for (const QString& name : order) {
            const QVariant copied = launchLog().values.value(name);
            const QVariant given = request.value(name);
            QCOMPARE(copied.metaType(), given.metaType());
            QCOMPARE(copied, given);
        }
    }

    void windowCaptionCopiesAndTarget() {
        TKV418C1 object;
        newRequest(object);
        applyThroughClass(object, with(validRequest(), {{"OutNumberL", i16(3)}}));
        QCOMPARE(object.RaitenDenpyoPRINT(), 0);
        QCOMPARE(launchLog().caption, QStringLiteral("来店伝票"));
        QCOMPARE(launchLog().copies, 3);
        QCOMPARE(int(launchLog().target), int(kema::report::Target::Pdf));
    }

    void targetFollowsPrintKbnL_data() {
        QTest::addColumn<int>("printKbn");
        QTest::addColumn<int>("target");
        QTest::newRow("print") << 0 << int(kema::report::Target::Printer);
        QTest::newRow("preview") << 1 << int(kema::report::Target::Preview);
    }
    void targetFollowsPrintKbnL() {
        QFETCH(int, printKbn);
        QFETCH(int, target);
        qputenv("KEMA_OFFSCREEN_PREVIEW", "1");
        const auto offscreen = qScopeGuard([] { qunsetenv("KEMA_OFFSCREEN_PREVIEW"); });
        // The start event fails, so the run ends before anything is printed or shown.
        launchLog().failInStart = true;
        TKV418C1 object;
        applyThroughClass(object, with(validRequest(), {{"PrintKbnL", i16(printKbn)}}));
        kema::test::StderrCapture capture;
        QCOMPARE(object.RaitenDenpyoPRINT(), -1);
        QCOMPARE(int(launchLog().target), target);
        QVERIFY(capture.text().contains("the test report failed on purpose"));
    }

    void launcherResult_data() {
        QTest::addColumn<bool>("failInStart");
        QTest::addColumn<int>("flag");
        QTest::addColumn<int>("result");
        QTest::newRow("run ok, flag 0") << false << 0 << 0;
        QTest::newRow("run ok, flag -1") << false << -1 << -1;
        QTest::newRow("engine failure, flag 0") << true << 0 << -1;
        QTest::newRow("engine failure, flag -1") << true << -1 << -1;
    }
    void launcherResult() {
        QFETCH(bool, failInStart);
        QFETCH(int, flag);
        QFETCH(int, result);
        launchLog().failInStart = failInStart;
        launchLog().printErrorFlag = qint16(flag);
        TKV418C1 object;
        newRequest(object);
        applyThroughClass(object, validRequest());
        kema::test::StderrCapture capture;
        QCOMPARE(object.RaitenDenpyoPRINT(), result);
        const QByteArray errors = capture.text();
        QCOMPARE(errors.contains("the test report failed on purpose"), failInStart);
        if (failInStart) {
            QVERIFY(errors.contains("[TKV418C1.prf_print]"));
            QCOMPARE(SharedRequestState::instance().PrintErrorFlag, qint16(-1));
        }
        QVERIFY(RecordingMessageDisplay::shown().isEmpty());
    }

    void printOutReadFromReport() {
        launchLog().printOut = 1;
        TKV418C1 object;
        newRequest(object);
        applyThroughClass(object, validRequest());
        QCOMPARE(object.RaitenDenpyoPRINT(), 0);
        QCOMPARE(object.PRINT_OUT(), qint16(1));
        const auto read = kema::request::invoke(object, u"print_out", MemberKind::PropertyGet);
        QVERIFY(read);
        QCOMPARE(read.value(), QVariant::fromValue<qint16>(1));
    }

    // A launcher failure has no catalogue code; the operator sees it in the platform message
    // box titled as the launcher, and the log keeps it on standard error.
    void launchFailuresAreShown_data() {
        QTest::addColumn<QVariantMap>("changes");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("reason");
        QTest::newRow("class not registered") << QVariantMap{{"DenpKbnL", i16(2)}} << "unregister"
                                              << "\"TKV418R2\"";
        QTest::newRow("copies below 1") << QVariantMap{{"OutNumberL", i16(-1)}} << "printer"
                                        << "copy count -1";
        QTest::newRow("missing font") << QVariantMap{} << "bad face"
                                      << "Kema No Such Face";
        QTest::newRow("preview without a display")
            << QVariantMap{{"PrintKbnL", i16(1)}} << "printer"
            << "needs a display";
    }
    void launchFailuresAreShown() {
        QFETCH(QVariantMap, changes);
        QFETCH(QString, setup);
        QFETCH(QString, reason);
        if (setup == u"unregister")
            kema::report::ReportFactory::instance().unregisterReport("TKV418R2");
        if (setup == u"bad face")
            launchLog().layout = QStringLiteral("RequestBadFace");
        QStringList boxes;
        kema::setPlatformMessageBoxHandler(
            [&](const QString& text, const QString& title) { boxes << title + u' ' + text; });
        TKV418C1 object;
        if (setup != u"printer")
            newRequest(object);
        applyThroughClass(object, with(validRequest(), changes));
        kema::test::StderrCapture capture;
        const qint32 result = object.RaitenDenpyoPRINT();
        const QString errors = QString::fromLocal8Bit(capture.text());
        kema::setPlatformMessageBoxHandler({});
        RecordingReport::registerAll();
        QCOMPARE(result, -1);
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes.first().startsWith(u"TKV418C1.prf_print ") && boxes.first().contains(reason),
                 qPrintable(boxes.first()));
        QVERIFY2(errors.contains(reason) && errors.contains(u"[TKV418C1.prf_print]"),
                 qPrintable(errors));
        QVERIFY(!QFile::exists(m_pdf));
        QVERIFY(RecordingMessageDisplay::shown().isEmpty());
    }

    // Qt aborts a process that paints without a GUI application object; the host keeps running
    // and gets -1. The host is this test program started again with a core application only.
    void coreApplicationHostGetsMinusOne() {
        QProcess host;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KEMA_TEST_CORE_HOST"), m_pdf);
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

    void reportWithoutRequestPropertiesIsAnError() {
        kema::report::ReportFactory::instance().registerReport(
            "TKV418R1", [] { return std::make_unique<kema::test::BareReport>(); });
        TKV418C1 object;
        newRequest(object);
        applyThroughClass(object, validRequest());
        kema::test::StderrCapture capture;
        const qint32 result = object.RaitenDenpyoPRINT();
        const QByteArray errors = capture.text();
        RecordingReport::registerAll();
        QCOMPARE(result, -1);
        QVERIFY2(errors.contains("KidouKbnL"), errors.constData());
        QVERIFY(!QFile::exists(m_pdf));
    }

    void hostValuesAreSharedByTheProcess() {
        TKV418C1 first;
        TKV418C1 second;
        first.setKANJI("山田 太郎");
        first.setSEX(2);
        QVERIFY(kema::request::invoke(second, u"kana", MemberKind::PropertyLet, "ヤマダ タロウ"));
        QVERIFY(kema::request::invoke(second, 0x68030009, MemberKind::PropertyLet, "D-0001"));
        QVERIFY(kema::request::invoke(second, u"HOME_TEL", MemberKind::PropertyLet, "03-1234"));
        QVERIFY(kema::request::invoke(second, u"RENRAKUSAKI", MemberKind::PropertyLet, "090"));
        QVERIFY(kema::request::invoke(second, u"RENRAKUBIKOU", MemberKind::PropertyLet, "夜"));
        QVERIFY(kema::request::invoke(second, u"BIRTH", MemberKind::PropertyLet, "1980/05/12"));
        const SharedRequestState& shared = SharedRequestState::instance();
        QCOMPARE(shared.KANJI, QStringLiteral("山田 太郎"));
        QCOMPARE(shared.SEX, qint16(2));
        QCOMPARE(shared.KANA, QStringLiteral("ヤマダ タロウ"));
        QCOMPARE(shared.DenpyoNo, QStringLiteral("D-0001"));
        QCOMPARE(shared.HOME_TEL, QStringLiteral("03-1234"));
        QCOMPARE(shared.RENRAKUSAKI, QStringLiteral("090"));
        QCOMPARE(shared.RENRAKUBIKOU, QStringLiteral("夜"));
        QCOMPARE(shared.BIRTH, QStringLiteral("1980/05/12"));
    }

    void connectionIsSetAndBorrowed() {
        auto connection = std::make_shared<kema::db::Connection>();
        {
            TKV418C1 object;
            QVERIFY(kema::request::invoke(object, u"DBconnection", MemberKind::PropertySet,
                                          QVariant::fromValue(connection)));
            const auto let = kema::request::invoke(object, u"DBconnection", MemberKind::PropertyLet,
                                                   QVariant::fromValue(connection));
            QVERIFY(!let);
            QCOMPARE(let.error().number, long(kema::errors::InvalidPropertyUse));
        }
        QCOMPARE(SharedRequestState::instance().DBconnection, connection);
    }

    void valuesPersistAcrossCalls() {
        TKV418C1 object;
        newRequest(object);
        applyThroughClass(object, validRequest());
        QCOMPARE(object.RaitenDenpyoPRINT(), 0);
        QCOMPARE(object.RaitenDenpyoPRINT(), 0);
        QCOMPARE(launchLog().created.size(), 2);
        QCOMPARE(launchLog().assigned.size(), 24);
    }
};

// With KEMA_TEST_CORE_HOST set to a PDF path, the program is a host with a core application
// object only that asks for that PDF; it exits 0 when the call answered -1.
int main(int argc, char** argv) {
    if (const QString pdf = qEnvironmentVariable("KEMA_TEST_CORE_HOST"); !pdf.isEmpty()) {
        QCoreApplication core(argc, argv);
        RecordingReport::registerAll();
        TKV418C1 object;
        object.setFileTarget(kema::report::Target::Pdf, pdf);
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
