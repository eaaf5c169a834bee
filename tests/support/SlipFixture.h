#pragma once

// Runs the product's visit slips and card in-process on a store database made for one scenario
// (db/schema.sql, the master rows of tests/support/base.sql and the scenario's own statements)
// and checks what they show. The settings store points at the database; messages and platform
// message boxes go to recorders.
#include "services/Error.h"

#include <QHash>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>

namespace kema::test {

class MessageRecorder;
class TestDatabase;

enum class Output { Fields, Pdf, Png };

inline const QString kBlankDate = QStringLiteral("      年    月    日");

// Expectations written as one text, "Field=text|+Field|pages=1".
inline QStringList items(const QString& text) {
    return text.split(u'|', Qt::SkipEmptyParts);
}

// What a run left: every text field and label, the barcode, the pages, the result flags and
// what was shown.
struct SlipRun {
    Status status;
    int pages = 0;
    qint16 printErrorFlag = 0;
    qint16 printRtng = 0;
    QHash<QString, QString> texts;
    QHash<QString, bool> visible; // text fields, labels and frames
    QHash<QString, QRectF> boxes; // designed, in points; the hosted card's as "card:Field"
    QHash<QString, int> aligns;   // report::Align
    QString barcode;
    bool barcodeVisible = false;
    QStringList messages;     // message codes in the order shown
    QStringList messageBoxes; // platform message box titles
    QString file;             // the PDF, or the PNG of the first page
};

// A request with some of its properties changed.
inline QVariantMap with(QVariantMap request, const QVariantMap& changes) {
    request.insert(changes);
    return request;
}

// The request of a slip by customer key: customer 5001 of store 001, reception R0001.
inline QVariantMap slipRequest(const QVariantMap& changes = {}) {
    QVariantMap request{{"KidouKbnL", 1},       {"SyoriKbnL", 2},         {"BarcodeKbnL", 1},
                        {"QNumberL", "R0001"},  {"DenpKbnL", 1},          {"StoreCodeL", "001"},
                        {"UserUQKeyL", 5001.0}, {"OutNumberL", 1},        {"OutKbnL", 1},
                        {"PrintKbnL", 0},       {"OutDate", "2024/03/05"}};
    return with(request, changes);
}

// A request by customer key turned into one by reception number, and into the blank form.
inline QVariantMap byReception(const QVariantMap& request) {
    return with(request, {{"SyoriKbnL", 1}, {"UserUQKeyL", 0.0}, {"OutDate", ""}});
}
inline QVariantMap blankForm(const QVariantMap& request) {
    return with(request, {{"KidouKbnL", 2}, {"UserUQKeyL", 0.0}, {"OutDate", ""}});
}

class SlipFixture {
public:
    SlipFixture();
    ~SlipFixture();

    // Registers the product's reports and the recorders.
    void initTestCase();
    // A fresh database for the scenario; false (after a skip or a failed check) when it cannot run.
    bool prepare(const QString& backend, const QString& statements);
    TestDatabase& database() const;
    const MessageRecorder& messages() const;

    SlipRun run(const QString& className, const QVariantMap& request,
                Output output = Output::Fields);
    // What the expectations need: the page's image for ink and barcodes, its text layer for
    // texts on the page, else the fields.
    static Output outputFor(const QStringList& expected);

    // A scenario table: each row runs `className` on each back end on the scenario's rows with
    // the host's values, checks `expected` (see verify) and that no connection stays open.
    static void addScenarioColumns();
    static void addScenario(const char* name, const QString& className, const QString& rows,
                            const QVariantMap& request, const QVariantMap& host,
                            const QStringList& expected);
    void runScenario();

    // Checks "Field=text", "+Field" (shown), "-Field" (hidden), "pages=n", "flag=n", "rtng=n",
    // "barcode=text" and "message=code" (shown at least once); on a PDF "page:Field=text" and
    // "card:Field=text" (every page shows it in the designed box, aligned; "page:Field" the
    // field's own text, not empty); on a PNG "ink:Control=n" or "ink:Control>n" (dark pixels in
    // the box on the first page) and "read=p1,p2" (the barcodes read back from each page).
    void verify(const SlipRun& run, const QStringList& expected) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace kema::test
