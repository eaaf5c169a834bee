#include "VisitSlip.h"

#include "report/Controls.h"
#include "report/ReportFactory.h"
#include "report/Viewer.h"
#include "report/print/PageSetup.h"
#include "services/ErrorNumbers.h"
#include "services/host/SharedRequestState.h"
#include "services/messages/Logging.h"
#include "services/text/Conversions.h"
#include "services/text/Format.h"
#include "slips/common/Fields.h"

#include <QDate>
#include <QRegularExpression>

#include <optional>

namespace kema::slips {

namespace {

const QString kExitTool = QStringLiteral("終了(&C)");
const QString kPrintTool = QStringLiteral("印刷(&P)...");
constexpr int kF12 = 123;

SharedRequestState& shared() {
    return SharedRequestState::instance();
}

} // namespace

VisitSlip::VisitSlip(const QString& layoutName, const QString& reportName)
    : report::Report(layoutName), m_reportName(reportName), m_db(reportName, messageComponent()) {}

VisitSlip::~VisitSlip() {
    releaseCard();
}

qint16 VisitSlip::PrintErrorFlag() const {
    return shared().PrintErrorFlag;
}
qint16 VisitSlip::PRINT_OUT() const {
    return shared().PRINT_OUT;
}

void VisitSlip::Report_Initialize() {
    prs_ClearFields();
    m_printRtng = 0;
}

void VisitSlip::Report_ReportStart() {
    m_startError = 0;
    m_componentConnections.emplace();
    try {
        if (hostsCard()) {
            // The card is part of the standard slip: without it the start fails.
            auto card = report::ReportFactory::instance().create(QStringLiteral("TKV418R3"));
            if (!card.ok())
                throw Failure(card.error());
            subreport(QStringLiteral("SubTKV418R3")).setReport(card.value().get());
            m_card = std::move(card).value();
        }
        shared().PRINT_OUT = 0;
        viewer().tools.append(kExitTool);
        if (m_kidou == 1) {
            if (m_db.prf_init_dbopen() == 0) {
                if (m_syori == 1)
                    m_db.prf_init_dborec(m_qnumber);
                else if (m_syori == 2)
                    prfkokyakset();
                afterDatabaseOpened();
            }
        } else if (m_kidou == 2 && hostsCard()) {
            prs_SetCardKinds();
        }
        if (Status st = pageSetup(); !st.ok())
            throw Failure(st.error());
        prf_init_SET();
    } catch (const std::exception& e) {
        // A start error is not shown: the fetch ends the data and the end event reports it.
        qCWarning(lcSlips).noquote() << m_reportName << "start:" << e.what();
        m_startError = -1;
    }
}

Status VisitSlip::pageSetup() {
    return report::StandardPageSetup(*this);
}

void VisitSlip::Report_FetchData(bool& eof) {
    if (m_startError == -1) {
        eof = true;
        return;
    }
    if (m_db.DbOpenError == -1 || m_db.NoReception == -1) {
        // One page, then the end of the data.
        if (m_recordDelivered == 1) {
            eof = true;
            return;
        }
        failedReadRecord();
        m_recordDelivered = 1;
        return;
    }
    if (m_kidou == 1 && m_syori == 1) {
        db::Recordset& rs = m_db.reception();
        if (rs.isOpen() && !rs.atEnd() && m_db.ReceptionReadError != -1) {
            eof = false;
            prs_SetReception();
            rs.moveNext();
            prs_SetBarcode();
        } else {
            eof = true;
        }
        return;
    }
    if (m_kidou == 1 && m_syori == 2) {
        if (m_recordDelivered == 1) {
            eof = true;
            return;
        }
        fetchCustomerRecord();
        m_recordDelivered = 1;
        prs_SetBarcode();
        return;
    }
    if (m_kidou == 2) {
        if (m_recordDelivered == 1) {
            eof = true;
            return;
        }
        prs_SetBlankForm();
        m_recordDelivered = 1;
        prs_SetBarcode();
        return;
    }
    // Other kinds never get past validation; end after one page so the run terminates.
    if (m_recordDelivered == 1) {
        eof = true;
        return;
    }
    m_recordDelivered = 1;
    prs_SetBarcode();
}

void VisitSlip::Detail_Format() {
    if (m_kidou != 1)
        return;
    if (m_syori == 1) {
        formatHeaderDates();
    } else if (m_syori == 2) {
        formatHeaderDates();
        formatRecord();
    }
}

void VisitSlip::formatHeaderDates() {
    if (text(QStringLiteral("Fld_VISIT_DT")).isEmpty())
        prs_ShowDateLabels();
    const QString birth = text(QStringLiteral("Fld_BIRTH_MD"));
    setText(QStringLiteral("Fld_BIRTH_MD"),
            birth.isEmpty() ? blankDate() : Format(birth, QStringLiteral("ggg ee年 mm月 dd日")));
}

void VisitSlip::Report_ReportEnd() {
    const bool failed = m_startError == -1 || m_db.DbOpenError == -1 || m_db.NoReception == -1;
    m_printRtng = failed ? -1 : 0;
    shared().PrintErrorFlag = failed ? -1 : 0;
    m_db.release();
    m_customerBase.reset();
    m_itemDefinition.reset();
    if (hostsCard())
        releaseCard();
    m_componentConnections.reset();
    if (m_startError == -1 && m_printKbn == 1 && closesWindowOnStartError())
        viewer().closed = true;
}

// Only a card that was hosted is held, so the subreport control exists and the look-up cannot
// fail here, in the end event or in the destructor.
void VisitSlip::releaseCard() noexcept {
    if (!m_card)
        return;
    subreport(QStringLiteral("SubTKV418R3")).setReport(nullptr);
    m_card.reset();
}

void VisitSlip::Report_KeyDown(int keyCode, int) {
    if (keyCode == kF12)
        viewer().closed = true;
}

void VisitSlip::Report_ToolbarClick(const QString& tool) {
    if (tool == kExitTool) {
        shared().PRINT_OUT = 0;
        viewer().closed = true;
    } else if (tool == kPrintTool) {
        shared().PRINT_OUT = viewer().jobResult != 0 ? 1 : 0;
        viewer().closed = true;
    }
}

void VisitSlip::failedReadRecord() {
    prs_SetSexMark(3);
    prs_SetVisitMark(m_syori);
    prs_SetBarcode();
}

void VisitSlip::prs_SetReception() {
    const db::Recordset& rs = m_db.reception();
    // The placeholder names of an anonymous visitor print empty; writing the empty text keeps
    // the previous row's name off this page.
    const QString kana = trimmedColumn(rs, "RC_KNAME");
    setText(QStringLiteral("Fld_KANA_MEI"), kana == u"ｳｴ" ? QString() : kana);
    const QString name = trimmedColumn(rs, "RC_NAME");
    setText(QStringLiteral("Fld_CUSTOM_MEI"), name == u"上" ? QString() : name);
    setText(QStringLiteral("Fld_CUSTOM_NO"), trimmedColumn(rs, "RC_CM_NO"));
    setText(QStringLiteral("Fld_STORE_NM_CD"), prf_StoreName(m_storeCode));
    setText(QStringLiteral("Fld_BIRTH_MD"), trimmedColumn(rs, "RC_BIRTHDAY"));
    setReceptionContacts(rs);
    setVisitDate(QString());
    prs_SetSexMark(ToInteger16(trimmedColumn(rs, "RC_SEX")));
    prs_SetVisitMark(m_syori);
    prs_ShowDateLabels();
    setText(QStringLiteral("Fld_MAILNO"), blankMailNo());
    setText(QStringLiteral("Fld_EXAM_DT"), blankDate());
    prs_SetCardKinds();
}

void VisitSlip::setReceptionContacts(const db::Recordset& rs) {
    setText(QStringLiteral("Fld_HOME_TEL"), trimmedColumn(rs, "RC_TEL"));
    setText(QStringLiteral("Fld_CONNECT_TEL"), trimmedColumn(rs, "RC_CONNECT_TEL"));
    setText(QStringLiteral("Fld_CONNECT_CMT"), trimmedColumn(rs, "RC_CONNECT_RMKS"));
}

void VisitSlip::applyContactOverrides() {
    const SharedRequestState& host = shared();
    applyOverride(QStringLiteral("Fld_HOME_TEL"), host.HOME_TEL);
    applyOverride(QStringLiteral("Fld_CONNECT_TEL"), host.RENRAKUSAKI);
    applyOverride(QStringLiteral("Fld_CONNECT_CMT"), host.RENRAKUBIKOU);
}

void VisitSlip::fetchCustomerRecord() {
    for (const QString& label : eraLabels())
        setVisible(label, false);
    if (prf_GetBaseData() != 1) {
        prs_SetSexMark(3);
        prs_SetVisitMark(m_syori);
    }
    applyContactOverrides();
    const SharedRequestState& host = shared();
    applyOverride(QStringLiteral("Fld_KANA_MEI"), host.KANA);
    applyOverride(QStringLiteral("Fld_CUSTOM_MEI"), host.KANJI);
    applyOverride(QStringLiteral("Fld_BIRTH_MD"), host.BIRTH);
    applySexOverride(host.SEX);
}

qint16 VisitSlip::prf_GetBaseData() {
    if (!m_customerBase)
        throw Failure(Error{errors::ObjectNotSet, m_reportName,
                            QStringLiteral("the customer base is not available")});
    double key = m_uqKey;
    auto r = m_customerBase->GetBaseData(key);
    if (!r.ok())
        throw Failure(r.error());
    if (r.value() == 1)
        return 0;
    if (r.value() != 0)
        return -1;
    prs_SetCustomer(m_customerBase->CustomerBase());
    examinationStep(m_storeCode, m_uqKey);
    return 1;
}

void VisitSlip::prs_SetCustomer(const FieldCollection& c) {
    const auto col = [&](const char* name) { return NullToEmpty(c.value(QLatin1String(name))); };
    try {
        setText(QStringLiteral("Fld_STORE_NM_CD"), prf_StoreName(m_storeCode));
        setText(QStringLiteral("Fld_MAILNO"), prf_MailNo(col("CUBS_MAILNO")));
        setText(QStringLiteral("Fld_KANA_MEI"), col("CUBS_KANA_MEI"));
        setText(QStringLiteral("Fld_CUSTOM_MEI"), col("CUBS_CUSTOM_MEI"));
        prs_SetSexMark(ToInteger16(c.value(QStringLiteral("CUBS_SEX"))));
        prs_SetVisitMark(m_syori);
        setText(QStringLiteral("Fld_BIRTH_MD"), col("CUBS_BIRTH_DT"));
        setText(QStringLiteral("Fld_HOME_TEL"), col("CUBS_HOME_TEL"));
        setText(QStringLiteral("Fld_CONNECT_TEL"), col("CUBS_CONNECT_TEL"));
        setText(QStringLiteral("Fld_ADDRESS1"), col("CUBS_ADDRESS1"));
        setText(QStringLiteral("Fld_ADDRESS2"), col("CUBS_ADDRESS2"));
        setText(QStringLiteral("Fld_CONNECT_CMT"), col("CUBS_CONNECT_CMT"));
        setText(QStringLiteral("Fld_KATAGAKI"), col("CUBS_KATAGAKI"));
        setText(QStringLiteral("Fld_EMAIL"), col("CUBS_E_MAIL"));
        setVisitDate(m_outDate);
        setText(QStringLiteral("Fld_CUSTOM_NO"), col("CUBS_CUSTOMER_NO"));
        prs_SetCardAmounts(c);
    } catch (const Failure& failure) {
        // Unless the database failed, what was filled stays and the examination follows.
        handleFailure("prs_SetCustomer", failure);
    }
}

qint32 VisitSlip::loadKindLabels(int group) {
    const QString title = m_reportName + u'.' + m_reportName + QStringLiteral("_prf_init_SET");
    auto items = ComponentRegistry::instance().createItemDefinition();
    if (!items.ok()) {
        showMessage(QStringLiteral("30002"), title);
        return -1;
    }
    m_itemDefinition = std::move(items).value();
    auto loaded = m_itemDefinition->GetDETAIL_All(group);
    if (!loaded.ok()) {
        showMessage(QStringLiteral("30002"), title);
        return -1;
    }
    if (loaded.value() == 0) {
        for (int i = 0; i < 4; ++i) {
            const QVariant number = m_itemDefinition->DetailNumber(i + 1);
            auto kind = isNull(number) ? Result<qint16>(Error{errors::TypeMismatch, m_reportName,
                                                              QStringLiteral("Null detail number")})
                                       : ToInteger16Strict(NullToEmpty(number).trimmed());
            if (!kind.ok()) {
                showMessage(QStringLiteral("30002"), title);
                return -1;
            }
            m_kindNumber[size_t(i)] = kind.value();
        }
        for (int i = 1; i <= 4; ++i) {
            const QString name = NullToEmpty(m_itemDefinition->DetailName(i)).trimmed();
            setText(QStringLiteral("Fld_ZKIND%1").arg(i), name);
            setText(QStringLiteral("Fld_NKIND%1").arg(i), name);
        }
    }
    m_recordDelivered = 0;
    return 0;
}

db::Recordset& VisitSlip::query(const QString& sql, const QVariantList& params) {
    auto rs = m_db.openWork(sql, params);
    if (!rs.ok()) {
        const db::Connection* own = m_db.ownConnection();
        throw DatabaseFailure(rs.error(), own ? own->errors() : QList<db::DbError>());
    }
    return *rs.value();
}

QVariantList VisitSlip::bothEyesItems(bool excludeSpecialOrder) {
    auto items = m_db.prf_BothEyesItems(excludeSpecialOrder);
    return items.ok() ? items.value() : QVariantList();
}

void VisitSlip::prs_SetLensNames(int saleKind, const QVariantList& examKeys,
                                 const QVariantList& bothEyes) {
    // Without both-eyes items there is no lens category to look for.
    if (bothEyes.isEmpty())
        return;
    QStringList marks;
    for (qsizetype i = 0; i < bothEyes.size(); ++i)
        marks << QStringLiteral("?");
    const QString lensSql =
        QStringLiteral(
            "SELECT CSALE_GOODS_NM FROM CSALE WHERE CSALE_STORE_NO = ? AND CSALE_KIND = ") +
        QString::number(saleKind) +
        QStringLiteral(
            " AND CSALE_UNIQUE_KEY = ? AND CSALE_HISTORY_NO = ? AND CSALE_GOODS_KBN IN (") +
        marks.join(u',') + u')';
    const QVariantList params = examKeys + bothEyes;
    const auto firstName = [&](const char* eyes) -> std::optional<QString> {
        db::Recordset& lines = query(
            lensSql + QLatin1String(eyes) + QStringLiteral(" ORDER BY CSALE_LINE_NO"), params);
        if (lines.atEnd())
            return std::nullopt;
        return NullToEmpty(column(lines, "CSALE_GOODS_NM"));
    };
    if (const auto both = firstName(" AND CSALE_RL_KBN IS NULL")) {
        setText(QStringLiteral("Fld_LENS1_NM"), *both);
        setText(QStringLiteral("Fld_LENS2_NM"), *both);
    }
    if (const auto right = firstName(" AND (CSALE_RL_KBN = 1 OR CSALE_RL_KBN = 3)"))
        setText(QStringLiteral("Fld_LENS1_NM"), *right);
    if (const auto left = firstName(" AND (CSALE_RL_KBN = 2 OR CSALE_RL_KBN = 3)"))
        setText(QStringLiteral("Fld_LENS2_NM"), *left);
}

const QStringList& VisitSlip::eyeSlots() {
    static const QStringList list{"11", "12", "21", "22", "31", "32", "41", "42"};
    return list;
}

const QStringList& VisitSlip::sightSlots() {
    static const QStringList list{"11", "12", "13", "21", "22", "23",
                                  "31", "32", "33", "41", "42", "43"};
    return list;
}

QStringList VisitSlip::gridFamily(const char* stem, const QStringList& suffixes) {
    QStringList fields;
    for (const QString& s : suffixes)
        fields << QLatin1String(stem) + s;
    return fields;
}

void VisitSlip::fillGridColumns(int row, const db::Recordset& rs,
                                std::initializer_list<GridColumn> columns) {
    for (const GridColumn& c : columns) {
        for (int eye = 1; eye <= c.eyes; ++eye) {
            const QByteArray name = QByteArray(c.column) + QByteArray::number(eye);
            const QVariant value = column(rs, name.constData());
            QString text;
            switch (c.cell) {
            case Cell::Decimal:
                text = DecimalText(ToDouble(value));
                break;
            case Cell::Whole:
                text = QString::number(ToInteger16(value));
                break;
            case Cell::Stored:
                text = NullToEmpty(value);
                break;
            }
            setText(QLatin1String(c.field) + QString::number(row) + QString::number(eye), text);
        }
    }
}

void VisitSlip::placeByKind(db::Recordset& rows, const char* kindColumn,
                            const std::function<void(int row, const db::Recordset&)>& fill) {
    for (; !rows.atEnd(); rows.moveNext()) {
        const qint16 kind = ToInteger16(column(rows, kindColumn));
        for (int row = 1; row <= 4; ++row) {
            if (kind == m_kindNumber[size_t(row - 1)]) {
                fill(row, rows);
                break;
            }
        }
    }
}

QString VisitSlip::detailName(int group, qint16 code) {
    auto found = m_itemDefinition ? m_itemDefinition->GetDETAIL(group, code)
                                  : Result<long>(Error{errors::ObjectNotSet, m_reportName,
                                                       QStringLiteral("no item definitions")});
    if (!found.ok())
        throw Failure(found.error());
    return found.value() == 0 ? NullToEmpty(m_itemDefinition->D_DETAIL_NM()) : QString();
}

double VisitSlip::leadingNumber(const QString& text, LeadingBlanks blanks) {
    static const QRegularExpression kept(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)"));
    static const QRegularExpression skipped(QStringLiteral("^ *([+-]?(\\d+\\.?\\d*|\\.\\d+))"));
    const QRegularExpressionMatch m = (blanks == LeadingBlanks::Kept ? kept : skipped).match(text);
    return m.hasMatch() ? m.captured(blanks == LeadingBlanks::Kept ? 0 : 1).toDouble() : 0.0;
}

void VisitSlip::prs_SetBlankForm() {
    setText(QStringLiteral("Fld_STORE_NM_CD"), prf_StoreName(m_storeCode));
    barcode(QStringLiteral("Fld_INQ_NO")).setVisible(false);
    for (const char* mask : {"Fld_ASTA_W", "Fld_ASTA_M", "Fld_ASTA_SAI", "Fld_ASTA_SIN"})
        setVisible(QLatin1String(mask), false);
    setText(QStringLiteral("Fld_MAILNO"), blankMailNo());
    setText(QStringLiteral("Fld_BIRTH_MD"), blankDate());
    for (const char* f : {"Fld_VISIT_DT", "Fld_VISIT_YY", "Fld_VISIT_MM", "Fld_VISIT_DD"})
        setVisible(QLatin1String(f), false);
    setText(QStringLiteral("Fld_EXAM_DT"), blankDate());
    for (const char* f : {"Fld_nen", "Fld_tuki", "Fld_hi"})
        setVisible(QLatin1String(f), true);
    setVisible(QStringLiteral("Fld_CUSTOM_NO"), false);
}

void VisitSlip::prs_SetBarcode() {
    report::BarcodeControl& bar = barcode(QStringLiteral("Fld_INQ_NO"));
    if (m_barcodeKbn != 1) {
        bar.setVisible(false);
        return;
    }
    bar.setOption(false);
    QString& denpyoNo = shared().DenpyoNo;
    if (!denpyoNo.isEmpty()) {
        bar.setData(denpyoNo);
        denpyoNo.clear();
    } else {
        bar.setData(m_qnumber);
    }
    bar.setVisible(true);
}

void VisitSlip::prs_SetSexMark(qint16 n) {
    setVisible(QStringLiteral("Fld_ASTA_M"), n == 2);
    setVisible(QStringLiteral("Fld_ASTA_W"), n == 1);
}

void VisitSlip::prs_SetVisitMark(qint16 n) {
    setVisible(n == 1 ? QStringLiteral("Fld_ASTA_SIN") : QStringLiteral("Fld_ASTA_SAI"), false);
}

void VisitSlip::prs_ShowDateLabels() {
    if (!text(QStringLiteral("Fld_VISIT_DT")).isEmpty())
        return;
    for (const char* f : {"Fld_nen", "Fld_tuki", "Fld_hi"})
        setVisible(QLatin1String(f), true);
}

std::optional<QString> VisitSlip::storeName(QString& code) {
    code = Format(code, QStringLiteral("000"));
    auto store = ComponentRegistry::instance().createStoreMaster();
    if (!store.ok())
        throw Failure(store.error());
    auto found = store.value()->GetMSTORE(code);
    if (!found.ok())
        throw Failure(found.error());
    if (found.value() != 0)
        return std::nullopt;
    return NullToEmpty(store.value()->STORE_NM());
}

QString VisitSlip::prf_StoreName(QString& code) {
    const std::optional<QString> name = storeName(code);
    if (!name)
        return {};
    return *name + QStringLiteral("  (") + Format(code.trimmed(), QStringLiteral("000")) + u')';
}

QString VisitSlip::prf_MailNo(const QString& s) const {
    if (m_kidou != 1)
        return blankMailNo();
    return s.left(3) + u'-' + s.mid(3, 7);
}

void VisitSlip::setVisitDate(const QString& outDate) {
    QString visit;
    if (AnsiByteLength(outDate.trimmed()) < 1) {
        visit = QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd"));
    } else if (IsDate(outDate)) {
        visit = Format(outDate, QStringLiteral("YYYY/mm/dd"));
    } else {
        qCWarning(lcSlips).noquote().nospace() << m_reportName << ": OutDate \"" << outDate
                                               << "\" is not a date; the visit date is left empty";
    }
    setText(QStringLiteral("Fld_VISIT_DT"), visit);
    setText(QStringLiteral("Fld_VISIT_YY"), Format(visit, QStringLiteral("YYYY")));
    setText(QStringLiteral("Fld_VISIT_MM"), Format(visit, QStringLiteral("MM")));
    setText(QStringLiteral("Fld_VISIT_DD"), Format(visit, QStringLiteral("DD")));
}

void VisitSlip::applyOverride(const QString& field, const QString& value) {
    if (!value.trimmed().isEmpty())
        setText(field, value);
}

void VisitSlip::applySexOverride(qint16 sex) {
    if (sex == 1 || sex == 2)
        prs_SetSexMark(sex);
}

void VisitSlip::setCardProperty(const char* name, const QVariant& value) {
    if (m_card)
        m_card->setProperty(name, value);
}

void VisitSlip::prs_SetCardKinds() {
    setCardProperty("DenpKbnL", QVariant::fromValue<qint16>(m_denpKbn));
    setCardProperty("KidouKbnL", QVariant::fromValue<qint16>(m_kidou));
}

void VisitSlip::prs_SetCardAmounts(const FieldCollection& customer) {
    const auto amount = [&](const char* column) {
        const QVariant v = customer.value(QLatin1String(column));
        return isNull(v) ? QVariant::fromValue<qint16>(0) : v;
    };
    setCardProperty("GrasRuikeiKingakuL", amount("CUBS_GL_AMT_SUM"));
    setCardProperty("ContRuikeiKingakuL", amount("CUBS_CL_AMT_SUM"));
    setCardProperty("OtherRuikeiKingakuL", amount("CUBS_OTH_AMT_SUM"));
    prs_SetCardKinds();
    setCardProperty("UserUQKeyL", m_uqKey);
}

qint32 VisitSlip::prfkokyakset() {
    auto customer = ComponentRegistry::instance().createCustomerBase();
    if (!customer.ok())
        return -1;
    m_customerBase = std::move(customer).value();
    return 0;
}

void VisitSlip::setText(const QString& field, const QString& value) {
    textField(field).setText(value);
}

QString VisitSlip::text(const QString& field) {
    return textField(field).text();
}

void VisitSlip::setVisible(const QString& field, bool visible) {
    textField(field).setVisible(visible);
}

void VisitSlip::clearFields(const QStringList& fields) {
    barcode(QStringLiteral("Fld_INQ_NO")).setData(QVariant::fromValue<qint16>(0));
    for (const QString& f : fields)
        setText(f, QString());
}

void VisitSlip::handleFailure(const char* procedure, const Failure& failure) {
    const QString where = m_reportName + u'.' + QLatin1String(procedure);
    if (const auto* database = dynamic_cast<const DatabaseFailure*>(&failure)) {
        // Recorded as a failed read is: the end event turns it into -1.
        m_db.DbOpenError = -1;
        showDatabaseError(messageComponent(), QStringLiteral("11001"), failure.error(),
                          database->errors(), where);
        throw Failure(failure.error());
    }
    qCWarning(lcSlips).noquote().nospace()
        << where << ": " << singleLine(failure.error().description);
}

void VisitSlip::showMessage(const QString& code, const QString& title) {
    showCatalogueMessage(messageComponent(), code, 0, title);
}

} // namespace kema::slips
