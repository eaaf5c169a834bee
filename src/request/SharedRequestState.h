#pragma once

#include "services/database/Database.h"

#include <QString>

namespace kema {

// The values a host sets once for the whole process and that every report reads directly:
// the slip number for the barcode, the printed flag of the preview, the host's connection, the
// customer override texts of processing kind 2 and the result flag of the last run. Unguarded:
// everything runs on the host's thread.
//
// Header-only on purpose: the reports, the card and the database layer read it without linking
// the request library. The inline accessor's static gives one copy per process.
struct SharedRequestState {
    QString DenpyoNo;
    qint16 PRINT_OUT = 0;
    // Borrowed from the host; the component never closes it.
    db::ConnectionPtr DBconnection;
    QString HOME_TEL;
    QString RENRAKUSAKI;
    QString RENRAKUBIKOU;
    QString KANA;
    QString KANJI;
    qint16 SEX = 0;
    QString BIRTH;
    qint16 PrintErrorFlag = 0;

    static SharedRequestState& instance() {
        static SharedRequestState state;
        return state;
    }
};

} // namespace kema
