// The command-line host with the product's slips, on the demo store database as
// scripts/make-demo-db builds it: what the rendered files show.
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString output(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// A blank glasses form for the store "001" of the demo database.
const QStringList kBlankForm = u"--kidoukbnl|2|--syorikbnl|1|--barcodekbnl|1|--qnumberl|130100002|"
                               "--denpkbnl|1|--storecodel|001|--outnumberl|1|--outkbnl|1|"
                               "--printkbnl|0"_s.split(u'|');

} // namespace

class TestRaitenSlip : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    int raiten(const QStringList& arguments, QString* err = nullptr,
               const QString& fontConfig = {}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        if (!fontConfig.isEmpty())
            environment.insert("FONTCONFIG_FILE", fontConfig);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KEMA_BINARY_DIR "/tools/raiten/raiten"),
                      QStringList{"--settings", m_dir.filePath("settings.ini")} + kBlankForm +
                          arguments);
        if (!process.waitForFinished(120000))
            return -1;
        if (err)
            *err = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        for (const char* tool : {"sqlite3", "pdfinfo", "pdftotext"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(u"%1 is not installed (scripts/install-deps)"_s.arg(tool)));
        QProcess make;
        make.start(QStringLiteral(KEMA_SOURCE_DIR "/scripts/make-demo-db"), {m_dir.path()});
        QVERIFY(make.waitForFinished(60000));
        QVERIFY2(make.exitCode() == 0, make.readAllStandardError().constData());
    }

    // The demo's contact-lens customer by customer key: the codes whose leading zeros matter
    // and the amounts come out of the store as the staff read them.
    void customerToPdf() {
        const QString pdf = m_dir.filePath("customer.pdf");
        QString err;
        const QString customer = u"--kidoukbnl=1 --syorikbnl=2 --denpkbnl=2 --useruqkeyl=1002 "
                                 "--qnumberl=130100003 --pdf="_s;
        QCOMPARE(raiten((customer + pdf).split(u' '), &err), 0);
        const QString info = output("pdfinfo", {pdf});
        QVERIFY2(info.contains(QRegularExpression(u"Pages:\\s+1\\n"_s)), qPrintable(info));
        // A4 landscape: 842 × 595 pt.
        const auto size =
            QRegularExpression(u"Page size:\\s+([\\d.]+) x ([\\d.]+) pts"_s).match(info);
        QCOMPARE(QPoint(qRound(size.captured(1).toDouble()), qRound(size.captured(2).toDouble())),
                 QPoint(842, 595));
        const QString text = output("pdftotext", {pdf, "-"});
        for (const char* shown : {"あおば眼鏡 本店", "田中 美幸", "〒 060-0001", "\\54,321"})
            QVERIFY2(text.contains(QString::fromUtf8(shown)), qPrintable(text + err));
    }

    void blankFormToPng() {
        const QString png = m_dir.filePath("blank.png");
        QCOMPARE(raiten({"--png", png, "--dpi", "100"}), 0);
        const QImage page(png);
        QVERIFY(qAbs(page.width() - 1169) <= 2 && qAbs(page.height() - 827) <= 2);
    }

    // Without the faces the slip prints in, a run writes no file and names the missing face: a
    // workstation without any fonts, one without the Japanese faces (the slip would print boxes
    // in their place).
    void missingFontsWriteNothing_data() {
        QTest::addColumn<QString>("fonts"); // a font configuration's body
        QTest::addColumn<QStringList>("said");
        QTest::newRow("no fonts") << "<fontconfig/>" << QStringList{"1002", "font"};
        QTest::newRow("no Japanese faces")
            << "<fontconfig><dir>/usr/share/fonts/truetype/liberation2</dir>"
               "<include ignore_missing=\"yes\">/etc/fonts/conf.d</include></fontconfig>"
            << QStringList{"1002", "ＭＳ", "fonts-ipafont"};
    }
    void missingFontsWriteNothing() {
        QFETCH(QString, fonts);
        QFETCH(QStringList, said);
        const QString pdf = m_dir.filePath("refused.pdf");
        const QString config = m_dir.filePath("fonts.conf");
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("<?xml version=\"1.0\"?>\n" + fonts.toUtf8());
        file.close();
        QString err;
        QCOMPARE(raiten({"--pdf", pdf}, &err, config), 1);
        for (const QString& part : said)
            QVERIFY2(err.contains(part), qPrintable(err));
        QVERIFY(!QFile::exists(pdf));
    }
};

QTEST_MAIN(TestRaitenSlip)
#include "tst_raiten_slip.moc"
