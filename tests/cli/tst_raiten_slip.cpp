// The command-line host with the product's glasses slip, on the demo store database: what the
// rendered files show.
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestRaitenSlip : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_settings;

    int raiten(const QStringList& arguments, QString* err = nullptr) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KEMA_BINARY_DIR "/tools/raiten/raiten"),
                      QStringList{"--settings", m_settings} + arguments);
        if (!process.waitForFinished(120000))
            return -1;
        if (err)
            *err = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    static QString output(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        process.waitForFinished(60000);
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    // A blank glasses form for the store "001" of the demo database.
    static QStringList blankForm() {
        return {"--kidoukbnl",  "2",         "--syorikbnl", "1", "--barcodekbnl", "1",
                "--qnumberl",   "130100002", "--denpkbnl",  "1", "--storecodel",  "001",
                "--outnumberl", "1",         "--outkbnl",   "1", "--printkbnl",   "0"};
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        for (const char* tool : {"sqlite3", "pdfinfo", "pdftotext"}) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(
                    QStringLiteral("%1 is not installed (scripts/install-deps)").arg(tool)));
        }
        QProcess make;
        make.start(QStringLiteral(KEMA_SOURCE_DIR "/scripts/make-demo-db"), {m_dir.path()});
        QVERIFY(make.waitForFinished(60000));
        QVERIFY2(make.exitCode() == 0, make.readAllStandardError().constData());
        m_settings = m_dir.filePath("settings.ini");
    }

    void blankFormToPdf() {
        const QString pdf = m_dir.filePath("blank.pdf");
        QString err;
        QCOMPARE(raiten(blankForm() + QStringList{"--pdf", pdf}, &err), 0);
        const QString info = output("pdfinfo", {pdf});
        QVERIFY2(QRegularExpression("Pages:\\s+1\\n").match(info).hasMatch(), qPrintable(info));
        const auto size = QRegularExpression("Page size:\\s+([\\d.]+) x ([\\d.]+) pts").match(info);
        QVERIFY2(size.hasMatch(), qPrintable(info));
        QCOMPARE(qRound(size.captured(1).toDouble()), 842);
        QCOMPARE(qRound(size.captured(2).toDouble()), 595);
        const QString text = output("pdftotext", {pdf, "-"});
        QVERIFY2(text.contains(u"あおば眼鏡 本店"), qPrintable(text + err));
    }

    void blankFormToPng() {
        const QString png = m_dir.filePath("blank.png");
        QCOMPARE(raiten(blankForm() + QStringList{"--png", png, "--dpi", "100"}), 0);
        const QImage page(png);
        QVERIFY(!page.isNull());
        QVERIFY(qAbs(page.width() - 1169) <= 2);
        QVERIFY(qAbs(page.height() - 827) <= 2);
    }

    void refusedRequestWritesNothing() {
        const QString pdf = m_dir.filePath("refused.pdf");
        QString err;
        QCOMPARE(raiten(blankForm() + QStringList{"--storecodel", "0", "--pdf", pdf}, &err), 1);
        QVERIFY2(err.contains(u"30011"), qPrintable(err));
        QVERIFY(!QFile::exists(pdf));
    }
};

QTEST_MAIN(TestRaitenSlip)
#include "tst_raiten_slip.moc"
