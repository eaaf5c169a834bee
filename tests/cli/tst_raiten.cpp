// The command-line host as a user runs it: options, refusals on standard error, exit status.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

QStringList arguments(const QString& text) {
    return text.split(u'|');
}

// A request that passes every test: glasses slip by reception number, printed once.
const QStringList kValid = arguments(u"--KidouKbnL|1|--SyoriKbnL|1|--BarcodeKbnL|1|--QNumberL|"
                                     "130100002|--DenpKbnL|1|--StoreCodeL|001|--OutNumberL|1|"
                                     "--OutKbnL|1|--PrintKbnL|0"_s);

} // namespace

class TestRaiten : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    Run raiten(const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("KEMA_SETTINGS", m_dir.filePath("settings.ini"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KEMA_BINARY_DIR "/tools/raiten/raiten"), arguments);
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return {};
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QFile file(m_dir.filePath("settings.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[NWLS\\Common]\nKIGYO=000001\n");
    }

    // Refusals and failures write nothing; a refusal shows its catalogue message alone.
    void outcome_data() {
        QTest::addColumn<QString>("changes");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says"); // starting "300": the refusal's code
        const auto row = [](const char* name, const char* changes, int exitCode, const char* says) {
            QTest::newRow(name) << QString::fromUtf8(changes) << exitCode
                                << QString::fromUtf8(says);
        };
        // Options are named as the properties, in any case; the last of repeated ones wins.
        row("value after =", "--storecodel=0", 1, "30011");
        row("last of repeated wins", "--KidouKbnL|3|--KIDOUKBNL|1|--DenpKbnL|9", 1, "30010");
        row("letters for a number", "--OutNumberL|two", 2, "OutNumberL");
        row("usage before validation", "--KidouKbnL|3|--PrintKbnL|99999", 2, "PrintKbnL");
        row("unknown option", "--KidouKbn|1", 2, "--KidouKbn");
        row("get-only member", "--PRINT_OUT|1", 2, "PRINT_OUT");
        row("missing value", "--KidouKbnL", 2, "needs a value");
        row("positional", "slip", 2, "slip");
        row("two file targets", "--png|b.png", 2, "--pdf");
        row("empty file", "--pdf=", 2, "--pdf");
        row("zero dpi", "--dpi|0", 2, "--dpi");
        row("missing settings file", "--settings|/nonexistent/settings.ini", 2, "--settings");
        row("connection that cannot be opened", "--DBconnection|DRIVER={No Such Driver};X=1", 1,
            "--DBconnection");
    }
    void outcome() {
        QFETCH(QString, changes);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        const QString pdf = m_dir.filePath("refused.pdf");
        const Run run = raiten(kValid + QStringList{"--pdf", pdf} + arguments(changes));
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(says), qPrintable(run.err));
        // A message line of the message component: "CODE text [title]".
        static const QRegularExpression message(u"^\\d{5} .*\\[.*\\]$"_s,
                                                QRegularExpression::MultilineOption);
        QCOMPARE(run.err.count(message), says.startsWith(u"300") ? 1 : 0);
        // Qt may put diagnostics of its own before ours.
        if (exitCode == 2)
            QVERIFY2(run.err.contains(QRegularExpression(u"(^|\\n)raiten: "_s)),
                     qPrintable(run.err));
        QVERIFY(!QFile::exists(pdf));
    }

    void helpListsEveryOption() {
        const Run run = raiten({u"--help"_s});
        QCOMPARE(run.exitCode, 0);
        for (const QString& option :
             arguments(u"--KidouKbnL|--SyoriKbnL|--BarcodeKbnL|--QNumberL|--DenpKbnL|--StoreCodeL|"
                       "--UserUQKeyL|--UserSKeyL|--OutNumberL|--OutKbnL|--PrintKbnL|--OutDate|"
                       "--DenpyoNo|--DBconnection|--HOME_TEL|--RENRAKUSAKI|--RENRAKUBIKOU|--KANA|"
                       "--KANJI|--SEX|--BIRTH|--pdf|--png|--dpi|--settings|--nprinter|--align|"
                       "--help"_s))
            QVERIFY2(run.out.contains(option), qPrintable(option));
        QVERIFY(!run.out.contains(u"--PRINT_OUT"));
    }

    // --align: the alignment sheet of the form --DenpKbnL names, whatever the company code, with
    // the other outputs' exit status: what it says is on standard error, or in the sheet.
    void align_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("says");
        const QString pdf = m_dir.filePath("align.pdf");
        QTest::newRow("DenpKbnL 3") << QStringList{"--align", "--denpkbnl", "3", "--pdf", pdf}
                                    << QByteArray() << 2 << QStringList{"--DenpKbnL"};
        QTest::newRow("TOP not a number")
            << QStringList{"--align", "--denpkbnl", "1", "--pdf", pdf}
            << QByteArray("[START_POS]\nTOP=abc\n") << 1 << QStringList{"START_POS", "TOP"};
        QTest::newRow("Device not a queue") << QStringList{"--align", "--denpkbnl", "2"}
                                            << QByteArray("[START_POS]\nDevice=no_such_queue\n")
                                            << 1 << QStringList{"\"no_such_queue\""};
        QTest::newRow("contact lenses to PDF")
            << QStringList{"--ALIGN", "--DenpKbnL=2", "--pdf", pdf}
            << QByteArray("[START_POS]\nTOP=500\n") << 0
            << QStringList{"TKV418R5", "Fld_BC_11", "TOP=500", "no printer offset"};
    }
    void align() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, ini);
        QFETCH(int, exitCode);
        QFETCH(QStringList, says);
        const QString nprinter = m_dir.filePath("Nprinter.ini");
        QFile file(nprinter);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(ini);
        file.close();
        const QString pdf = m_dir.filePath("align.pdf");
        QFile::remove(pdf);
        const Run run = raiten(arguments + QStringList{"--nprinter", nprinter});
        QCOMPARE(run.exitCode, exitCode);
        QString said = run.err;
        if (exitCode == 0) {
            const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
            if (pdftotext.isEmpty())
                QSKIP("pdftotext is not installed (scripts/install-deps)");
            QProcess text;
            text.start(pdftotext, {pdf, "-"});
            QVERIFY(text.waitForFinished(60000));
            said = QString::fromUtf8(text.readAllStandardOutput());
        } else {
            QVERIFY2(run.err.contains(QRegularExpression(u"(^|\\n)raiten: "_s)),
                     qPrintable(run.err));
            QVERIFY(!QFile::exists(pdf));
        }
        for (const QString& part : says)
            QVERIFY2(said.contains(part), qPrintable(part + u'\n' + said));
    }
};

QTEST_MAIN(TestRaiten)
#include "tst_raiten.moc"
