#pragma once

#include "slips/common/PrinterOffset.h"
#include "slips/glasses/TKV418R1.h"

namespace kema::slips {

// The glasses slip printed onto the pre-printed form of company "000008".
class TKV418R4 : public PrinterOffset<TKV418R1> {
    Q_OBJECT
public:
    TKV418R4();

protected:
    // The white mask over the previous prescription: shown for a visitor by reception number,
    // hidden for a customer found by key; the blank form keeps it as designed.
    void afterDatabaseOpened() override;
    QStringList eraLabels() const override { return {"GENGO1"}; }
    bool writesKatagaki() const override { return true; }
};

} // namespace kema::slips
