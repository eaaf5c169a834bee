#include "TKV418R4.h"

namespace kema::slips {

TKV418R4::TKV418R4() : PrinterOffset(QStringLiteral("TKV418R4"), QStringLiteral("TKV418R4")) {}

void TKV418R4::afterDatabaseOpened() {
    if (SyoriKbnL() == 1 || SyoriKbnL() == 2)
        frame(QStringLiteral("bmpMask")).setVisible(SyoriKbnL() == 1);
}

} // namespace kema::slips
