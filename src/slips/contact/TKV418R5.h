#pragma once

#include "slips/common/PrinterOffset.h"
#include "slips/contact/TKV418R2.h"

namespace kema::slips {

// The contact-lens slip printed onto the pre-printed form of company "000008".
class TKV418R5 : public PrinterOffset<TKV418R2> {
    Q_OBJECT
public:
    TKV418R5();

protected:
    // The white mask over the previous examination follows the new-or-returning mark, so the
    // page after a failed read has it too; the blank form keeps it as designed.
    void prs_SetVisitMark(qint16 n) override;
    bool writesKatagaki() const override { return false; }
};

} // namespace kema::slips
