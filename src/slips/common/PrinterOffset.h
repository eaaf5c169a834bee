#pragma once

#include "report/Controls.h"
#include "report/print/PageSetup.h"
#include "services/host/SharedRequestState.h"
#include "services/text/Conversions.h"
#include "services/text/Format.h"
#include "slips/common/Fields.h"
#include "slips/common/VisitSlip.h"

#include <QStringList>

namespace kema::slips {

// What the printer-offset forms change in the standard slip they extend: no customer card,
// the variant page setup, the store name alone, the mobile telephone with its mask, the
// katagaki on the second address line and the cumulative amounts as texts.
template <class Slip> class PrinterOffset : public Slip {
public:
    using Slip::Slip;

    // What an empty telephone prints on the pre-printed form.
    static QString telephoneMask() { return QStringLiteral("      -      -"); }
    static QStringList amountFields() {
        return {"Fld_CUBS_GL_AMT_SUM", "Fld_CUBS_CL_AMT_SUM", "Fld_CUBS_OTH_AMT_SUM"};
    }

protected:
    bool hostsCard() const override { return false; }
    Status pageSetup() override { return report::VariantPageSetup(*this); }
    // The form stays in the preview after a failed start, as the slip shows it.
    bool closesWindowOnStartError() const override { return false; }

    QString prf_StoreName(QString& code) override { return this->storeName(code).value_or(""); }

    QStringList dataFields() const override {
        QStringList fields = Slip::dataFields();
        fields.removeAll(QStringLiteral("Fld_CONNECT_CMT"));
        fields.removeAll(QStringLiteral("Fld_EMAIL"));
        return fields << amountFields();
    }

    void prs_SetBlankForm() override {
        Slip::prs_SetBlankForm();
        this->setText(QStringLiteral("Fld_HOME_TEL"), telephoneMask());
        this->setText(QStringLiteral("Fld_CONNECT_TEL"), telephoneMask());
    }

    void setReceptionContacts(const db::Recordset& rs) override {
        this->setText(QStringLiteral("Fld_HOME_TEL"), trimmedColumn(rs, "RC_TEL"));
        this->setText(QStringLiteral("Fld_CONNECT_TEL"), trimmedColumn(rs, "RC_CARRY_TEL"));
        maskEmptyTelephones();
    }

    // A host that gives no number keeps the stored one; only a telephone that is still empty
    // gets the mask, as on the reception path.
    void applyContactOverrides() override {
        const SharedRequestState& host = SharedRequestState::instance();
        this->applyOverride(QStringLiteral("Fld_HOME_TEL"), host.HOME_TEL);
        this->applyOverride(QStringLiteral("Fld_CONNECT_TEL"), host.RENRAKUSAKI);
        maskEmptyTelephones();
    }

    void prs_SetCustomer(const FieldCollection& c) override {
        const auto col = [&](const char* name) {
            return NullToEmpty(c.value(QLatin1String(name)));
        };
        try {
            this->setText(QStringLiteral("Fld_STORE_NM_CD"), prf_StoreName(this->storeCode()));
            this->setText(QStringLiteral("Fld_MAILNO"), this->prf_MailNo(col("CUBS_MAILNO")));
            this->setText(QStringLiteral("Fld_KANA_MEI"), col("CUBS_KANA_MEI"));
            this->setText(QStringLiteral("Fld_CUSTOM_MEI"), col("CUBS_CUSTOM_MEI"));
            this->prs_SetSexMark(ToInteger16(c.value(QStringLiteral("CUBS_SEX"))));
            this->prs_SetVisitMark(this->SyoriKbnL());
            this->setText(QStringLiteral("Fld_BIRTH_MD"), col("CUBS_BIRTH_DT"));
            this->setText(QStringLiteral("Fld_HOME_TEL"), col("CUBS_HOME_TEL"));
            this->setText(QStringLiteral("Fld_CONNECT_TEL"), col("CUBS_CARRY_TEL"));
            this->setText(QStringLiteral("Fld_ADDRESS1"), col("CUBS_ADDRESS1"));
            this->setText(QStringLiteral("Fld_ADDRESS2"),
                          col("CUBS_ADDRESS2") + u'　' + col("CUBS_KATAGAKI"));
            if (writesKatagaki())
                this->setText(QStringLiteral("Fld_KATAGAKI"), col("CUBS_KATAGAKI"));
            this->setVisitDate(this->OutDate());
            this->setText(QStringLiteral("Fld_CUSTOM_NO"), col("CUBS_CUSTOMER_NO"));
            setAmounts(c);
        } catch (const Failure& failure) {
            // Unless the database failed, what was filled stays and the examination follows.
            this->handleFailure("prs_SetCustomer", failure);
        }
    }

    // Whether the form keeps the katagaki in a field of its own as well.
    virtual bool writesKatagaki() const = 0;

private:
    void maskEmptyTelephones() {
        for (const char* field : {"Fld_HOME_TEL", "Fld_CONNECT_TEL"}) {
            if (this->text(QLatin1String(field)).trimmed().isEmpty())
                this->setText(QLatin1String(field), telephoneMask());
        }
    }

    // Each amount as its text (0 for Null), then "\" and the amount with thousands separators
    // when it is above 0, else the empty text.
    void setAmounts(const FieldCollection& c) {
        const QStringList fields = amountFields();
        for (const QString& field : fields) {
            const QVariant amount = c.value(field.mid(4));
            this->setText(field, isNull(amount) ? QStringLiteral("0") : NullToEmpty(amount));
        }
        for (const QString& field : fields) {
            const QString amount = this->text(field);
            this->setText(field, ToDouble(amount) > 0
                                     ? u'\\' + Format(amount, QStringLiteral("###,###,##0"))
                                     : QString());
        }
    }
};

} // namespace kema::slips
