#pragma once

#include <QString>

#include <memory>

namespace kema {

namespace db {
class Connection;
}

// The values a host sets once for the whole process and that every report reads directly:
// the slip number for the barcode, the printed flag of the preview, the host's connection, the
// customer override texts of processing kind 2 and the result flag of the last run. Unguarded:
// everything runs on the host's thread.
//
// Header-only on purpose: the database layer, the slips and the card read it below the request
// class. The inline accessor's static gives one copy per process (the component is one shared
// library, or one executable).
struct SharedRequestState {
    QString DenpyoNo;
    qint16 PRINT_OUT = 0;
    // Borrowed from the host; the component never closes it.
    std::shared_ptr<db::Connection> DBconnection;
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
