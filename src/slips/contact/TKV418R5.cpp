#include "TKV418R5.h"

namespace kema::slips {

TKV418R5::TKV418R5() : PrinterOffset(QStringLiteral("TKV418R5"), QStringLiteral("TKV418R5")) {}

void TKV418R5::prs_SetVisitMark(qint16 n) {
    PrinterOffset::prs_SetVisitMark(n);
    frame(QStringLiteral("bmpMask")).setVisible(n == 1);
}

} // namespace kema::slips
