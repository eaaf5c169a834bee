#include "TKV418R3.h"
#include "services/ErrorNumbers.h"

#include "report/Controls.h"
#include "services/host/SharedRequestState.h"
#include "services/settings/Settings.h"
#include "services/text/Conversions.h"
#include "services/text/Format.h"

#include <QColor>

#include <cmath>
#include <limits>

namespace kema::card {

namespace {

QString cell(const char* prefix, int category, int position) {
    return QLatin1String(prefix) + QString::number(category) + u'_' +
           QStringLiteral("%1").arg(position, 2, 10, QLatin1Char('0'));
}

QString itemCaption(int item) {
    return QStringLiteral("Fld_H_ITEM_NO_%1").arg(item);
}
QString itemValue(int item) {
    return QStringLiteral("Fld_H_ITEM_%1").arg(item);
}
QString categoryCaption(int category) {
    return QStringLiteral("Fld_H_ITEM_NO%1").arg(category);
}

constexpr int kCategories[] = {11, 29, 30, 31};

} // namespace

bool Currency::fromVariant(const QVariant& value, Currency& out) {
    if (isNull(value) || !IsNumeric(value))
        return false;
    const double scaled = ToDouble(value) * 10000.0;
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18)
        return false;
    out.ticks = qint64(std::nearbyint(scaled));
    return true;
}

TKV418R3::TKV418R3()
    : report::Report(QStringLiteral("TKV418R3")),
      m_db(QStringLiteral("TKV418R3"), messageComponent()) {}

TKV418R3::~TKV418R3() = default;

void TKV418R3::setAmount(Currency& amount, const QVariant& value) {
    Currency parsed;
    amount = Currency::fromVariant(value, parsed) ? parsed : Currency{};
}

void TKV418R3::setText(const QString& field, const QString& text) {
    textField(field).setText(text);
}

void TKV418R3::showMessage(const QString& code, const QString& title) {
    showCatalogueMessage(messageComponent(), code, 0, title);
}

QString TKV418R3::prf_TrimLeft(const QVariant& value, qint16 length) {
    if (isNull(value))
        return {};
    const QString trimmed = NullToEmpty(value).trimmed();
    return length < 0 ? trimmed : trimmed.left(length);
}

void TKV418R3::Report_Initialize() {
    prs_ClearItems();
    prs_InitAmounts();
    prs_ClearDetailLabels();
}

void TKV418R3::prs_ClearItems() {
    setText(QStringLiteral("Fld_SYOKAN"), {});
    for (int item = 13; item <= 28; ++item) {
        setText(itemCaption(item), {});
        setText(itemValue(item), {});
    }
    for (int category : kCategories) {
        setText(categoryCaption(category), {});
        for (int p = 1; p <= 16; ++p) {
            setText(cell("Fld_H_ITEM_NO", category, p), {});
            setText(cell("Fld_H_ITEM_", category, p), {});
        }
    }
}

void TKV418R3::prs_InitAmounts() {
    prs_SetAmountBlockColour();
    for (const char* f : {"Fld_CUBS_GL_AMT_SUM", "Fld_CUBS_CL_AMT_SUM", "Fld_CUBS_OTH_AMT_SUM"})
        setText(QLatin1String(f), {});
}

qint32 TKV418R3::prs_SetAmountBlockColour() {
    // One company prints the cumulative amounts invisibly, keeping their place.
    const bool hidden = GetSetting(QStringLiteral("NWLS\\Common"), QStringLiteral("KIGYO")) ==
                        QStringLiteral("000004");
    const QColor colour = hidden ? QColor(Qt::white) : QColor(Qt::black);
    for (const char* f : {"Field2", "Field3", "Field4", "Field8", "Fld_CUBS_GL_AMT_SUM",
                          "Fld_CUBS_CL_AMT_SUM", "Fld_CUBS_OTH_AMT_SUM"})
        textField(QLatin1String(f)).setForeColor(colour);
    frame(QStringLiteral("Shape4")).setLineColor(colour);
    for (const char* l : {"Line203", "Line204", "Line205", "Line206"})
        line(QLatin1String(l)).setLineColor(colour);
    return 0;
}

void TKV418R3::prs_ClearDetailLabels() {
    for (int i = 1; i <= 8; ++i)
        setText(QStringLiteral("Fld_UMEISAI_%1").arg(i, 2, 10, QLatin1Char('0')), {});
}

void TKV418R3::Report_ReportStart() {
    auto items = ComponentRegistry::instance().createItemDefinition();
    if (items.ok())
        m_items = std::move(items).value();
    prs_Set_H_ITEM_NM();
    prs_SetHeaderRows();
    if (m_kidou == 1) {
        if (m_db.prf_init_dbopen() != 0) {
            m_startError = -1;
            return;
        }
        if (prfChkSysParm() == 1)
            prfrecordset();
        prs_SetAmounts();
    }
    prs_SetDetailLabels();
    // A header row that failed has shown its message; it does not fail the card.
    m_startError = 0;
}

void TKV418R3::prs_Set_H_ITEM_NM() {
    auto created = ComponentRegistry::instance().createItemDefinition();
    if (!created.ok()) {
        showMessage(QStringLiteral("30007"), QStringLiteral("TKV418R3_prs_Set_H_ITEM_NM"));
        return;
    }
    IItemDefinition& items = *created.value();
    QList<int> order;
    for (int item = 13; item <= 28; ++item)
        order << item;
    order << 11 << 29 << 30 << 31;
    for (int item : order) {
        qint16 number = qint16(item);
        auto defined = items.GetDEFINE(number);
        if (!defined.ok()) {
            showMessage(QStringLiteral("30007"), QStringLiteral("TKV418R3_prs_Set_H_ITEM_NM"));
            return;
        }
        if (defined.value() != 0)
            continue;
        if (ToInteger32(items.USE_FLG()) == 0 || ToInteger32(items.DISP_KBN()) != 1)
            continue;
        if (item >= 13 && item <= 28) {
            setText(itemCaption(item), prf_TrimLeft(items.ITEM_NM(), 8));
        } else {
            setText(categoryCaption(item), prf_TrimLeft(items.ITEM_NM(), 5));
            textField(categoryCaption(item)).setVisible(true);
        }
    }
}

void TKV418R3::prs_SetHeaderRows() {
    if (prf_Set_H_ITEM_NO11_01_16() == -1)
        m_startError = -1;
    if (prf_Set_H_ITEM_NO29_01_16() == -1)
        m_startError = -1;
    if (prf_Set_H_ITEM_NO30_01_16() == -1)
        m_startError = -1;
    if (prf_Set_H_ITEM_NO31_01_16() == -1)
        m_startError = -1;
}

qint16 TKV418R3::setHeaderRow(int category, const QString& code) {
    const QString title = QStringLiteral("TKV418R3_prf_Set_H_ITEM_NO%1_01_16").arg(category);
    if (!textField(categoryCaption(category)).isVisible())
        return 0;
    auto created = ComponentRegistry::instance().createItemDefinition();
    if (!created.ok()) {
        showMessage(code, title);
        return -1;
    }
    auto loaded = created.value()->GetDETAIL_All(category);
    if (!loaded.ok()) {
        showMessage(code, title);
        return -1;
    }
    if (loaded.value() == 0) {
        for (int p = 1; p <= 16; ++p)
            setText(cell("Fld_H_ITEM_NO", category, p),
                    prf_TrimLeft(created.value()->DetailName(p), 2));
    }
    return 0;
}

qint16 TKV418R3::prf_Set_H_ITEM_NO11_01_16() {
    return setHeaderRow(11, QStringLiteral("30003"));
}
qint16 TKV418R3::prf_Set_H_ITEM_NO29_01_16() {
    return setHeaderRow(29, QStringLiteral("30004"));
}
qint16 TKV418R3::prf_Set_H_ITEM_NO30_01_16() {
    return setHeaderRow(30, QStringLiteral("30005"));
}
qint16 TKV418R3::prf_Set_H_ITEM_NO31_01_16() {
    return setHeaderRow(31, QStringLiteral("30006"));
}

qint32 TKV418R3::checkSysParm(int parmNo, const QString& title) {
    db::Connection* connection = m_db.ownConnection();
    if (!connection)
        return 0;
    auto value = db::sysParm(*connection, parmNo);
    if (!value.ok()) {
        showDatabaseError(messageComponent(), QStringLiteral("11001"), value.error(),
                          connection->errors(), title);
        return -1;
    }
    return value.value().has_value() ? ToInteger32(*value.value()) : 0;
}

qint32 TKV418R3::prfChkSysParm() {
    return checkSysParm(5020, QStringLiteral("TKV418R3.prfChkSysParm"));
}

qint32 TKV418R3::prfChkSysParm2() {
    // Opens a connection of its own; the one it replaces is closed first.
    if (m_db.prf_init_dbopen() != 0)
        return 0;
    return checkSysParm(5040, QStringLiteral("TKV418R3.prfChkSysParm2"));
}

qint32 TKV418R3::prfrecordset() {
    db::Connection* connection = m_db.ownConnection();
    auto rs = connection
                  ? connection->execute(
                        QStringLiteral("SELECT * FROM CBASE WHERE CUBS_UNIQUE_KEY = ?"), {m_uqKey})
                  : Result<db::Recordset>(Error{errors::ObjectNotSet, QStringLiteral("TKV418R3"),
                                                QStringLiteral("no connection")});
    const auto fail = [&](const Error& error) {
        showDatabaseError(messageComponent(), QStringLiteral("11001"), error,
                          connection ? connection->errors() : QList<db::DbError>(),
                          QStringLiteral("TKV418R3.prfrecordset"));
        return -1;
    };
    if (!rs.ok())
        return fail(rs.error());
    db::Recordset& row = rs.value();
    if (row.recordCount() == 0)
        return 0;
    const auto value = [&](const QString& name) -> Result<QVariant> { return row.field(name); };
    for (int i = 1; i <= 16; ++i) {
        auto v = value(QStringLiteral("CUBS_FREE_%1").arg(i));
        if (!v.ok())
            return fail(v.error());
        const double number = ToDouble(v.value());
        if (number != 0)
            prs_SetItemValue(qint16(12 + i), itemValue(12 + i), number);
    }
    const struct {
        int category;
        const char* column;
    } marks[] = {{11, "CUBS_BUY%1_FLG"},
                 {29, "CUBS_FREE_17_%1"},
                 {30, "CUBS_FREE_18_%1"},
                 {31, "CUBS_FREE_19_%1"}};
    for (const auto& group : marks) {
        for (int i = 1; i <= 16; ++i) {
            auto v = value(QString::fromLatin1(group.column).arg(i));
            if (!v.ok())
                return fail(v.error());
            if (ToInteger16(v.value()) == 1)
                setText(cell("Fld_H_ITEM_", group.category, i), QStringLiteral("1"));
        }
    }
    row.close();
    return 0;
}

void TKV418R3::prs_SetItemValue(qint16 item, const QString& control, double value) {
    if (!m_items)
        return;
    qint16 number = item;
    auto defined = m_items->GetDEFINE(number);
    if (!defined.ok() || defined.value() != 0)
        return;
    switch (ToInteger32(m_items->H_ZOKUSEI())) {
    case 1:
    case 2: {
        const qint32 whole = ToInteger32(value);
        setText(control, Format(whole, QStringLiteral("#,##0")));
        break;
    }
    case 3: {
        // A value that is no 16-bit code names no detail.
        const double rounded = std::nearbyint(value);
        if (rounded < std::numeric_limits<qint16>::min() ||
            rounded > std::numeric_limits<qint16>::max())
            break;
        qint16 code = qint16(rounded);
        auto found = m_items->GetDETAIL(item, code);
        if (found.ok() && found.value() == 0)
            setText(control, NullToEmpty(m_items->D_DETAIL_NM()));
        break;
    }
    case 4:
        setText(control, Format(value / 100.0, QStringLiteral("0.00")));
        break;
    case 5:
        setText(control, Format(Format(value, QStringLiteral("0000/00/00")),
                                QStringLiteral("yyyy年mm月dd日")));
        break;
    default:
        break;
    }
}

void TKV418R3::prs_SetAmounts() {
    const struct {
        const Currency& amount;
        const char* field;
    } amounts[] = {{m_glasses, "Fld_CUBS_GL_AMT_SUM"},
                   {m_contacts, "Fld_CUBS_CL_AMT_SUM"},
                   {m_other, "Fld_CUBS_OTH_AMT_SUM"}};
    for (const auto& a : amounts) {
        if (a.amount.ticks > 0)
            setText(QLatin1String(a.field),
                    u'\\' + Format(a.amount.toDouble(), QStringLiteral("###,###,##0")));
    }
}

void TKV418R3::prs_SetDetailLabels() {
    if (m_denpKbn == 1) {
        setText(QStringLiteral("Fld_UMEISAI_01"), QStringLiteral("レンズ"));
        setText(QStringLiteral("Fld_UMEISAI_02"), QStringLiteral("フレーム"));
        setText(QStringLiteral("Fld_UMEISAI_03"), QStringLiteral("その他"));
    } else if (m_denpKbn == 2) {
        setText(QStringLiteral("Fld_UMEISAI_01"), QStringLiteral("レンズ"));
        setText(QStringLiteral("Fld_UMEISAI_02"), QStringLiteral("キット"));
        setText(QStringLiteral("Fld_UMEISAI_03"), QStringLiteral("その他"));
    } else {
        prs_ClearDetailLabels();
    }
    struct Caption {
        const char* text;
        bool bold;
    };
    const Caption blank{"", false};
    const Caption subtotal{"小　計", true};
    const Caption withParameter[] = {subtotal,         {"消費税", false}, {"お買上額", false},
                                     {"現金", false},  {"カード", false}, {"その他", false},
                                     {"入金計", true}, {"未入金", false}};
    const Caption otherwise[] = {blank,
                                 blank,
                                 blank,
                                 subtotal,
                                 {"消費税", false},
                                 {"お買上額", false},
                                 {"内　金", false},
                                 {"未入金", false}};
    const Caption* captions = prfChkSysParm2() == 1 ? withParameter : otherwise;
    for (int i = 0; i < 8; ++i) {
        report::TextControl& field =
            textField(QStringLiteral("Fld_UMEISAI_%1").arg(i + 6, 2, 10, QLatin1Char('0')));
        field.setText(QString::fromUtf8(captions[i].text));
        field.setBold(captions[i].bold);
        field.setFontSize(captions[i].bold ? 10 : 9);
    }
}

void TKV418R3::Report_ReportEnd() {
    m_items.reset();
    m_printRtng = m_startError == -1 ? -1 : 0;
    SharedRequestState::instance().PrintErrorFlag = m_printRtng;
    m_db.release();
}

} // namespace kema::card
