#pragma once

// Runs the product's visit slips in-process on a store database made for one scenario, and
// checks what they show. Shared by the slip and card tests.
//
// A scenario's database is built from db/schema.sql, the common master rows of
// tests/slips_support/base.sql and the scenario's own statements, on SQLite or on the
// PostgreSQL server of KEMA_TEST_PG; the settings store points at it. Messages go to a
// recording message display, platform message boxes to a recording handler.
#include "services/Error.h"

#include <QHash>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

#include <memory>

namespace kema::test {

class TestDatabase;

enum class Output { Fields, Pdf, Png };

// What a run left: the state of every text field and label, the barcode, the pages, the
// result flags and the messages shown.
struct SlipRun {
    Status status;
    int pages = 0;
    qint16 printErrorFlag = 0;
    qint16 printRtng = 0;
    QHash<QString, QString> texts;
    QHash<QString, bool> visible; // text fields, labels and frames
    QHash<QString, QRectF> boxes; // designed boxes on the sheet, in points
    QHash<QString, int> aligns;   // report::Align
    QString barcode;
    bool barcodeVisible = false;
    QStringList messages;     // message codes in the order shown
    QStringList messageBoxes; // platform message box titles
    QString file;             // the PDF or first PNG page when one was rendered
};

class SlipFixture {
public:
    SlipFixture();
    ~SlipFixture();

    static QStringList backends(); // "sqlite", "postgres"
    // Adds a "backend" column with a row per backend.
    static void addBackendColumn();
    // Sets the host's shared request values by name ("DenpyoNo", "KANJI", "SEX" …).
    static void setHost(const QVariantMap& values);

    // Registers the product's reports and the recording components.
    void initTestCase();
    // A fresh database with the master rows and `statements`; false (after QSKIP or a failed
    // check) when the scenario cannot run.
    bool prepare(const QString& backend, const QString& statements);
    // Settings whose connection string cannot be opened.
    void breakConnection();

    SlipRun run(const QString& className, const QVariantMap& request,
                Output output = Output::Fields);

    // Checks the run against "Field=text", "+Field" (shown), "-Field" (hidden), "pages=n",
    // "flag=n", "rtng=n", "barcode=text", "denpyo=text", "message=code" (shown at least once).
    void verify(const SlipRun& run, const QStringList& expected) const;
    // The field's text in the PDF's text layer lies within 1 pt of its designed box.
    void verifyPlaced(const SlipRun& run, const QString& field) const;
    // The barcodes of the rendered pages read back as `expected`, one text per page.
    void verifyBarcodes(const QString& className, const QVariantMap& request,
                        const QStringList& expected);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace kema::test
