// The command-line host as a user runs it: options, refusals on standard error, exit status.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// The message lines of the message component: "CODE text [title]".
QStringList messageCodes(const QString& err) {
    static const QRegularExpression line(QStringLiteral("^(\\d{5}) .*\\[.*\\]$"),
                                         QRegularExpression::MultilineOption);
    QStringList codes;
    for (auto it = line.globalMatch(err); it.hasNext();)
        codes << it.next().captured(1);
    return codes;
}

// Qt may put diagnostics of its own before ours.
bool hasLineStarting(const QString& text, QStringView prefix) {
    const QStringList lines = text.split(u'\n');
    return std::any_of(lines.begin(), lines.end(),
                       [&](const QString& line) { return line.startsWith(prefix); });
}

// A request that passes every test: glasses slip by reception number, printed once.
QStringList validRequest() {
    return {"--KidouKbnL",  "1",         "--SyoriKbnL", "1", "--BarcodeKbnL", "1",
            "--QNumberL",   "130100002", "--DenpKbnL",  "1", "--StoreCodeL",  "001",
            "--OutNumberL", "1",         "--OutKbnL",   "1", "--PrintKbnL",   "0"};
}

} // namespace

class TestRaiten : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_settings;

    Run raiten(const QStringList& arguments, const QProcessEnvironment& extra = {}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("KEMA_SETTINGS", m_settings);
        for (const QString& key : extra.keys())
            environment.insert(key, extra.value(key));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KEMA_BINARY_DIR "/tools/raiten/raiten"), arguments);
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return {};
        }
        Run run;
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_settings = m_dir.filePath("settings.ini");
        QFile file(m_settings);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[NWLS\\Common]\nKIGYO=000001\n");
    }

    void refusal_data() {
        QTest::addColumn<QStringList>("changes");
        QTest::addColumn<QString>("code");
        QTest::newRow("1: KidouKbnL 3") << QStringList{"--KidouKbnL", "3"} << "30008";
        QTest::newRow("1 before all others") << QStringList{"--kidoukbnl", "0", "--syorikbnl", "5",
                                                            "--denpkbnl",  "5", "--printkbnl", "5"}
                                             << "30008";
        QTest::newRow("2: SyoriKbnL 0") << QStringList{"--SyoriKbnL", "0"} << "30009";
        QTest::newRow("2: blank form skips it")
            << QStringList{"--KidouKbnL", "2", "--SyoriKbnL", "7", "--DenpKbnL", "3"} << "30010";
        QTest::newRow("3: empty QNumberL") << QStringList{"--QNumberL="} << "30009";
        QTest::newRow("4: DenpKbnL 3")
            << QStringList{"--DenpKbnL", "3", "--StoreCodeL", "0"} << "30010";
        QTest::newRow("5: StoreCodeL 0") << QStringList{"--storecodel=0"} << "30011";
        QTest::newRow("5: StoreCodeL empty")
            << QStringList{"--StoreCodeL", "", "--SyoriKbnL", "2"} << "30011";
        QTest::newRow("6: zero customer key")
            << QStringList{"--SyoriKbnL", "2", "--UserUQKeyL", "0", "--OutNumberL", "0"} << "30012";
        QTest::newRow("7: no copies")
            << QStringList{"--OutNumberL", "0", "--OutKbnL", "0"} << "30013";
        QTest::newRow("8: OutKbnL 3")
            << QStringList{"--OutKbnL", "3", "--PrintKbnL", "2"} << "30014";
        QTest::newRow("9: PrintKbnL 2") << QStringList{"--PrintKbnL", "2"} << "30015";
        QTest::newRow("last of repeated wins")
            << QStringList{"--KidouKbnL", "3", "--KIDOUKBNL", "1", "--DenpKbnL", "9"} << "30010";
        QTest::newRow("last of repeated wins, refused")
            << QStringList{"--KidouKbnL", "1", "--kidouKbnL=3"} << "30008";
        QTest::newRow("host texts accepted") << QStringList{"--KANJI",
                                                            "山田 太郎",
                                                            "--kana=ヤマダ",
                                                            "--SEX",
                                                            "2",
                                                            "--DenpyoNo",
                                                            "D-1",
                                                            "--HOME_TEL",
                                                            "03",
                                                            "--RENRAKUSAKI",
                                                            "090",
                                                            "--RENRAKUBIKOU",
                                                            "夜",
                                                            "--BIRTH",
                                                            "1980/05/12",
                                                            "--OutDate",
                                                            "2024/01/01",
                                                            "--UserSKeyL",
                                                            "70000",
                                                            "--UserUQKeyL",
                                                            "12.5",
                                                            "--KidouKbnL",
                                                            "3"}
                                             << "30008";
    }
    void refusal() {
        QFETCH(QStringList, changes);
        QFETCH(QString, code);
        const Run run = raiten(validRequest() + changes);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(messageCodes(run.err), QStringList{code});
        QVERIFY2(run.err.contains(u"[TKV418C1_prf_propchk]"), qPrintable(run.err));
    }

    void theIssuesExample() {
        const Run run = raiten({"--KidouKbnL", "3", "--SyoriKbnL", "1", "--DenpKbnL", "1"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(u"30008"), qPrintable(run.err));
    }

    void usageError_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("says");
        QTest::newRow("16-bit overflow") << QStringList{"--KidouKbnL", "65537"} << "KidouKbnL";
        QTest::newRow("16-bit underflow") << QStringList{"--SEX=-32769"} << "SEX";
        QTest::newRow("32-bit overflow") << QStringList{"--UserSKeyL", "2147483648"} << "UserSKeyL";
        QTest::newRow("letters for a number") << QStringList{"--OutNumberL", "two"} << "OutNumberL";
        QTest::newRow("letters for a double") << QStringList{"--UserUQKeyL", "1O"} << "UserUQKeyL";
        QTest::newRow("before validation")
            << QStringList{"--KidouKbnL", "3", "--PrintKbnL", "99999"} << "PrintKbnL";
        QTest::newRow("unknown option") << QStringList{"--KidouKbn", "1"} << "--KidouKbn";
        QTest::newRow("get-only member") << QStringList{"--PRINT_OUT", "1"} << "PRINT_OUT";
        QTest::newRow("the method")
            << QStringList{"--RaitenDenpyoPRINT", "1"} << "RaitenDenpyoPRINT";
        QTest::newRow("missing value") << QStringList{"--KidouKbnL"} << "needs a value";
        QTest::newRow("positional") << QStringList{"slip"} << "slip";
        QTest::newRow("two file targets")
            << QStringList{"--pdf", "a.pdf", "--png", "b.png"} << "--pdf";
        QTest::newRow("empty file") << QStringList{"--pdf="} << "--pdf";
        QTest::newRow("zero dpi") << QStringList{"--dpi", "0"} << "--dpi";
        QTest::newRow("letters for dpi") << QStringList{"--dpi", "high"} << "--dpi";
        QTest::newRow("missing settings file")
            << QStringList{"--settings", "/nonexistent/settings.ini"} << "--settings";
    }
    void usageError() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, says);
        const Run run = raiten(validRequest() + arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(hasLineStarting(run.err, u"raiten: "), qPrintable(run.err));
        QVERIFY2(run.err.contains(says), qPrintable(run.err));
        QVERIFY(messageCodes(run.err).isEmpty());
    }

    void help() {
        const Run run = raiten({"--help"});
        QCOMPARE(run.exitCode, 0);
        for (const char* option :
             {"--KidouKbnL",   "--SyoriKbnL",    "--BarcodeKbnL", "--QNumberL",     "--DenpKbnL",
              "--StoreCodeL",  "--UserUQKeyL",   "--UserSKeyL",   "--OutNumberL",   "--OutKbnL",
              "--PrintKbnL",   "--OutDate",      "--DenpyoNo",    "--DBconnection", "--HOME_TEL",
              "--RENRAKUSAKI", "--RENRAKUBIKOU", "--KANA",        "--KANJI",        "--SEX",
              "--BIRTH",       "--pdf",          "--png",         "--dpi",          "--settings",
              "--align",       "--help"})
            QVERIFY2(run.out.contains(QLatin1StringView(option)), option);
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
        QTest::newRow("no DenpKbnL") << QStringList{"--align", "--pdf", pdf} << QByteArray() << 2
                                     << QStringList{"--DenpKbnL"};
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
            QVERIFY2(hasLineStarting(run.err, u"raiten: "), qPrintable(run.err));
            QVERIFY(!QFile::exists(pdf));
        }
        for (const QString& part : says)
            QVERIFY2(said.contains(part), qPrintable(part + u'\n' + said));
    }

    void connectionThatCannotBeOpened() {
        const Run run =
            raiten(validRequest() + QStringList{"--DBconnection", "DRIVER={No Such Driver};X=1"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(u"--DBconnection"), qPrintable(run.err));
        QVERIFY(messageCodes(run.err).isEmpty());
    }

    void previewNeedsADisplay() {
        const Run run = raiten(validRequest() + QStringList{"--PrintKbnL", "1"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(u"display") && run.err.contains(u"[TKV418C1.prf_print]"),
                 qPrintable(run.err));
    }
};

QTEST_MAIN(TestRaiten)
#include "tst_raiten.moc"
