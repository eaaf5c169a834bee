#pragma once

#include "report/Report.h"
#include "services/components/Components.h"
#include "services/database/ReportDatabase.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace kema::slips {

// A statement the database refused or could not run (a connection lost, a statement
// cancelled), with the connection's error collection. Unlike other failures of a data
// procedure it is not passed over: the slip would print as if the customer had no data.
class DatabaseFailure : public Failure {
public:
    DatabaseFailure(Error error, QList<db::DbError> errors)
        : Failure(std::move(error)), m_errors(std::move(errors)) {}
    const QList<db::DbError>& errors() const { return m_errors; }

private:
    QList<db::DbError> m_errors;
};

// What the four visit slips share: the request properties, the flags, the fetch contract with
// its one-record modes, the barcode step, the sex and visit marks, the store name, the postal
// code, the visit date, the hand-over to the customer card, the frames of the start and end
// events and the preview's tools. A slip overrides only the steps in which it differs.
//
// The request properties are Q_PROPERTYs in the order of the slip interface, so the launcher
// sets them by name.
class VisitSlip : public report::Report {
    Q_OBJECT
    Q_PROPERTY(qint16 PrintRTNG READ PrintRTNG)
    Q_PROPERTY(qint16 KidouKbnL READ KidouKbnL WRITE setKidouKbnL)
    Q_PROPERTY(qint16 SyoriKbnL READ SyoriKbnL WRITE setSyoriKbnL)
    Q_PROPERTY(qint16 BarcodeKbnL READ BarcodeKbnL WRITE setBarcodeKbnL)
    Q_PROPERTY(QString QNumberL READ QNumberG WRITE setQNumberL)
    Q_PROPERTY(QString QNumberG READ QNumberG)
    Q_PROPERTY(qint16 DenpKbnL READ DenpKbnL WRITE setDenpKbnL)
    Q_PROPERTY(QString StoreCodeL READ StoreCodeL WRITE setStoreCodeL)
    Q_PROPERTY(double UserUQKeyL READ UserUQKeyL WRITE setUserUQKeyL)
    Q_PROPERTY(qint32 UserSKeyL READ UserSKeyL WRITE setUserSKeyL)
    Q_PROPERTY(qint16 OutNumberL READ OutNumberL WRITE setOutNumberL)
    Q_PROPERTY(qint16 OutKbnL READ OutKbnL WRITE setOutKbnL)
    Q_PROPERTY(qint16 PrintKbnL READ PrintKbnL WRITE setPrintKbnL)
    Q_PROPERTY(QString OutDate READ OutDate WRITE setOutDate)
    Q_PROPERTY(qint16 PrintErrorFlag READ PrintErrorFlag)
    Q_PROPERTY(qint16 PRINT_OUT READ PRINT_OUT)

public:
    ~VisitSlip() override;

    qint16 PrintRTNG() const { return m_printRtng; }
    qint16 KidouKbnL() const { return m_kidou; }
    void setKidouKbnL(qint16 v) { m_kidou = v; }
    qint16 SyoriKbnL() const { return m_syori; }
    void setSyoriKbnL(qint16 v) { m_syori = v; }
    qint16 BarcodeKbnL() const { return m_barcodeKbn; }
    void setBarcodeKbnL(qint16 v) { m_barcodeKbn = v; }
    QString QNumberG() const { return m_qnumber; }
    void setQNumberL(const QString& v) { m_qnumber = v; }
    qint16 DenpKbnL() const { return m_denpKbn; }
    void setDenpKbnL(qint16 v) { m_denpKbn = v; }
    QString StoreCodeL() const { return m_storeCode; }
    void setStoreCodeL(const QString& v) { m_storeCode = v; }
    // The request's store code itself, for prf_StoreName to rewrite in place.
    QString& storeCode() { return m_storeCode; }
    double UserUQKeyL() const { return m_uqKey; }
    void setUserUQKeyL(double v) { m_uqKey = v; }
    qint32 UserSKeyL() const { return m_sKey; }
    void setUserSKeyL(qint32 v) { m_sKey = v; }
    qint16 OutNumberL() const { return m_outNumber; }
    void setOutNumberL(qint16 v) { m_outNumber = v; }
    qint16 OutKbnL() const { return m_outKbn; }
    void setOutKbnL(qint16 v) { m_outKbn = v; }
    qint16 PrintKbnL() const { return m_printKbn; }
    void setPrintKbnL(qint16 v) { m_printKbn = v; }
    QString OutDate() const { return m_outDate; }
    void setOutDate(const QString& v) { m_outDate = v; }
    qint16 PrintErrorFlag() const;
    qint16 PRINT_OUT() const;

    // The 16-bit flags, -1 (RecordDelivered: 1) when set.
    qint16 StartError() const { return m_startError; }
    qint16 RecordDelivered() const { return m_recordDelivered; }
    db::ReportDatabase& database() { return m_db; }
    // The customer card hosted by this slip's run, or null.
    report::Report* card() const { return m_card.get(); }
    const std::array<qint16, 4>& KindNumber() const { return m_kindNumber; }

    // The grid's field suffixes: row and eye ("11" … "42"); acuity adds the both-eyes column
    // ("13" … "43").
    static const QStringList& eyeSlots();
    static const QStringList& sightSlots();
    // The fields of one grid family: `stem` followed by each suffix.
    static QStringList gridFamily(const char* stem, const QStringList& suffixes);

protected:
    VisitSlip(const QString& layoutName, const QString& reportName);

    // Events.
    void Report_Initialize() override;
    void Report_ReportStart() override;
    void Report_FetchData(bool& eof) override;
    void Detail_Format() override;
    void Report_ReportEnd() override;
    void Report_KeyDown(int keyCode, int shift) override;
    void Report_ToolbarClick(const QString& tool) override;

    // Steps in which the slips differ.
    virtual bool hostsCard() const { return true; }
    virtual void prs_ClearFields() = 0;
    // The slip's start procedure (TKV418Rn_prf_init_SET): 0 done, -1 failed.
    virtual qint32 prf_init_SET() = 0;
    // The page setup of the start event; an error takes the start event's error path.
    virtual Status pageSetup();
    // After the database opened and the reception read, before the page setup.
    virtual void afterDatabaseOpened() {}
    // The header from the current reception row.
    virtual void prs_SetReception();
    virtual void prs_SetBlankForm();
    // The customer-key record: customer base, examination, overrides.
    virtual void fetchCustomerRecord();
    // The era initials beside the birth date, hidden for a customer-key record.
    virtual QStringList eraLabels() const { return {"GENGO1", "GENGO2"}; }
    // The telephones and contact remark of the reception row.
    virtual void setReceptionContacts(const db::Recordset& rs);
    // The host's telephone and contact-remark overrides of a customer-key record.
    virtual void applyContactOverrides();
    // The header from the customer base's row.
    virtual void prs_SetCustomer(const FieldCollection& customer);
    // The slip's latest examination and the goods sold with it, after the customer fill.
    virtual void examinationStep(const QString& store, double key) = 0;
    // The one page after a failed open or a reception number without rows.
    virtual void failedReadRecord();
    // Detail_Format of processing kind 2 after the shared dates: the examination block.
    virtual void formatRecord() = 0;
    virtual bool closesWindowOnStartError() const { return true; }

    // 1 = customer found and filled; 0 = no such customer; -1 = any other answer.
    qint16 prf_GetBaseData();
    // The start procedure's kind labels: the four details of item group `group` into
    // Fld_ZKINDn, Fld_NKINDn and KindNumber; "30002" titled "<report>.<report>_prf_init_SET"
    // on any failure. Then RecordDelivered is 0.
    qint32 loadKindLabels(int group);
    // The rows of a statement on the work recordset; a rejected statement throws a
    // DatabaseFailure.
    db::Recordset& query(const QString& sql, const QVariantList& params);
    // The item codes of the lens categories; none when they cannot be read.
    QVariantList bothEyesItems(bool excludeSpecialOrder);
    // The lens names of an examination's sale (CSALE_KIND `saleKind`): a line for no particular
    // eye names both, then a line for the right or the left eye (or both, 3) its own; the first
    // line of each in line order. Nothing without lens categories.
    void prs_SetLensNames(int saleKind, const QVariantList& examKeys, const QVariantList& bothEyes);
    // How a detail row's value becomes the raw text of its grid field.
    enum class Cell {
        Decimal, // ToDouble, in its shortest decimal text
        Whole,   // ToInteger16
        Stored,  // the stored text itself
    };
    // One column family of the grid: field `field` + row + eye receives column `column` + eye,
    // for eyes 1 to `eyes`.
    struct GridColumn {
        const char* field;
        const char* column;
        int eyes;
        Cell cell;
    };
    // Writes the families of grid row `row` from a detail row, in the order given.
    void fillGridColumns(int row, const db::Recordset& rs,
                         std::initializer_list<GridColumn> columns);
    // Each detail row in the grid row whose KindNumber equals its kind column; rows of no kind
    // of the four are left out.
    void placeByKind(db::Recordset& rows, const char* kindColumn,
                     const std::function<void(int row, const db::Recordset&)>& fill);
    // The name of a detail of an item group; the empty text when the group has no such detail.
    QString detailName(int group, qint16 code);
    QString prf_IntroducerName(qint16 code) { return detailName(36, code); }

    // Shared steps.
    void prs_SetBarcode();
    void prs_SetSexMark(qint16 n);
    virtual void prs_SetVisitMark(qint16 n);
    void prs_ShowDateLabels();
    // The store caption; rewrites `code` in place to its three-digit form.
    virtual QString prf_StoreName(QString& code);
    // The store master's name of the store; rewrites `code` in place to its three-digit form.
    // Nothing when the store master does not know it.
    std::optional<QString> storeName(QString& code);
    QString prf_MailNo(const QString& s) const;
    // Fld_VISIT_DT and its three parts: today, or `outDate` when given. An `outDate` that is
    // not a date leaves the fields empty and names the value on stderr.
    void setVisitDate(const QString& outDate);
    // Shared host overrides: `value` replaces the field only when its trimmed text is not empty.
    void applyOverride(const QString& field, const QString& value);
    void applySexOverride(qint16 sex);
    void prs_SetCardKinds();
    void prs_SetCardAmounts(const FieldCollection& customer);
    // prfkokyakset: the customer-base component of this run.
    qint32 prfkokyakset();
    ICustomerBase* customerBase() const { return m_customerBase.get(); }
    // Birth date and visit-date labels of Detail_Format, shared by every slip.
    void formatHeaderDates();
    // Sets a text field's text.
    void setText(const QString& field, const QString& text);
    QString text(const QString& field);
    void setVisible(const QString& field, bool visible);
    // Empties the given fields after resetting the barcode data.
    void clearFields(const QStringList& fields);
    void setCardProperty(const char* name, const QVariant& value);

    QString reportName() const { return m_reportName; }
    // What an empty date and an empty postal code print as.
    static QString blankDate() { return QStringLiteral("      年    月    日"); }
    static QString blankMailNo() { return QStringLiteral("    -"); }
    void showMessage(const QString& code, const QString& title);
    // A data procedure's failure. A DatabaseFailure shows "11001" with the connection's errors,
    // titled "<report>.<procedure>", and ends the run; any other leaves a diagnostic line and
    // the procedure stops silently.
    void handleFailure(const char* procedure, const Failure& failure);

    // Whether a text's leading number may come after blanks.
    enum class LeadingBlanks { Kept, Skipped };
    // The leading number of a text (an optional sign, digits and a decimal point); 0 without.
    static double leadingNumber(const QString& text, LeadingBlanks blanks);

    qint16 m_recordDelivered = 0;
    std::unique_ptr<IItemDefinition> m_itemDefinition;
    // Detail numbers of the kind group that label the four grid rows; 0 until loaded.
    std::array<qint16, 4> m_kindNumber{};

private:
    void releaseCard() noexcept;

    QString m_reportName;
    db::ReportDatabase m_db;
    std::unique_ptr<ICustomerBase> m_customerBase;
    std::optional<SharedComponentConnections> m_componentConnections;
    std::unique_ptr<report::Report> m_card;

    qint16 m_printRtng = 0;
    qint16 m_kidou = 0;
    qint16 m_syori = 0;
    qint16 m_barcodeKbn = 0;
    QString m_qnumber;
    qint16 m_denpKbn = 0;
    QString m_storeCode;
    double m_uqKey = 0;
    qint32 m_sKey = 0;
    qint16 m_outNumber = 0;
    qint16 m_outKbn = 0;
    qint16 m_printKbn = 0;
    QString m_outDate;
    qint16 m_startError = 0;
};

} // namespace kema::slips
