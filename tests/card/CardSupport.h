#pragma once

// What the card's test needs beyond the slip fixture: the card's own state after each of its
// runs, the card's texts on a rendered page, the settings of the scenario, component doubles
// and the server connections of one scenario.
#include "PdfText.h"
#include "SlipFixture.h"

#include "report/Layout.h"
#include "services/components/Components.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <functional>

namespace kema::test {

// The card's state at the end of one of its runs.
struct CardRun {
    qint16 printRtng = 0;
    qint16 printErrorFlag = 0;
    QHash<QString, QString> fonts; // "bold 10", "normal 9"
};

// Registers the product's card, observed: every run of a card is recorded, and `beforeCardEnd`
// (when set) runs as each card's end event begins.
void registerObservedCard();
QList<CardRun>& cardRuns();
std::function<void()>& beforeCardEnd();

// The designed box of a card control on the sheet, in points: the card alone prints at its
// page's margins, inside a slip at the subreport control's corner.
QRectF cardBox(const SlipRun& run, const QString& className, const QString& control);
report::Align cardAlign(const QString& control);

// Reads and writes one key of [NWLS\Common] in the settings file of the scenario.
QString setting(const QString& key);
bool setSetting(const QString& key, const QString& value);

// The item-definition service on fixed definitions: every item of 11 to 31 defined, in use,
// shown, attribute 1 and named "項目<n>"; each category's detail list holds "明<p>" for
// p = 1 to 16. The definition of `failingItem` and the detail list of `failingCategory` fail
// with a run-time error.
struct ItemDefinitionDouble {
    int failingItem = 0;
    int failingCategory = 0;
    void install() const;
};

// The store master answering every code with "テスト店", running `onLookup` at each look-up.
void installStoreMaster(std::function<void()> onLookup);

// Connections a PostgreSQL server holds for the scenario's database, counted by a name the
// scenario's connection string gives them.
class ServerConnections {
public:
    // Names the connections of DBPARMS; false when that is not a PostgreSQL connection string.
    bool tag();
    // -1 when the server cannot be asked.
    int count() const;
    // A connection opened with DBPARMS counts as one (the count sees what the card opens).
    bool countsOwnConnection() const;

private:
    QString m_name;
};

} // namespace kema::test
