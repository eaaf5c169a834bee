// The latest glasses examination of a customer and the goods sold with it.
#include "TKV418R1.h"
#include "services/ErrorNumbers.h"

#include "services/text/Conversions.h"
#include "services/text/Format.h"
#include "slips/common/Fields.h"

namespace kema::slips {

namespace {

// The sales lines of one glasses examination; every statement below starts with these keys.
const QString kSaleKeys = QStringLiteral(" FROM CSALE WHERE CSALE_STORE_NO = ? AND CSALE_KIND = 1"
                                         " AND CSALE_UNIQUE_KEY = ? AND CSALE_HISTORY_NO = ?");

} // namespace

void TKV418R1::prf_SetGlassesExam(const QString& store, double key) {
    db::ReportDatabase& db = database();
    try {
        const QVariantList bothEyes = bothEyesItems(true);
        const qint16 p1180 = db.prf_GetSysParm(1180);
        const qint16 p1120 = db.prf_GetSysParm(1120);

        // Undated examinations last; on one date the highest history number is the latest.
        db::Recordset& latest =
            query(QStringLiteral("SELECT GLS_HISTORY_NO FROM CGLASBS WHERE GLS_STORE_NO = ? AND "
                                 "GLS_UNIQUE_KEY = ? ORDER BY CASE WHEN GLS_EXAM_DT IS NULL THEN 1 "
                                 "ELSE 0 END, GLS_EXAM_DT DESC, GLS_HISTORY_NO DESC"),
                  {store, key});
        if (!latest.atEnd() && !latest.atBegin())
            m_examHistoryNo = ToInteger32(column(latest, "GLS_HISTORY_NO"));
        const QVariantList saleKeys{store, key, m_examHistoryNo};

        db::Recordset& special =
            query(QStringLiteral("SELECT CSALE_GOODS_NM, CSALE_RL_KBN") + kSaleKeys +
                      QStringLiteral(" AND CSALE_GOODS_KBN = ? ORDER BY CSALE_LINE_NO"),
                  saleKeys + QVariantList{p1180});
        for (; !special.atEnd(); special.moveNext()) {
            const QString name = NullToEmpty(column(special, "CSALE_GOODS_NM"));
            const QString piece = name.isEmpty() ? QString() : name + u' ';
            // 1 right, 2 left; both eyes, not per eye and anything else go to both sides.
            const qint16 rl = ToInteger16(column(special, "CSALE_RL_KBN"));
            if (rl != 2)
                m_rightSpecialText += piece;
            if (rl != 1)
                m_leftSpecialText += piece;
        }
        setText(QStringLiteral("Fld_SPEC_1"), m_rightSpecialText);
        setText(QStringLiteral("Fld_SPEC_2"), m_leftSpecialText);

        db::Recordset& frame =
            query(QStringLiteral("SELECT CSALE_GOODS_NM") + kSaleKeys +
                      QStringLiteral(" AND CSALE_GOODS_KBN = ? ORDER BY CSALE_LINE_NO"),
                  saleKeys + QVariantList{p1120});
        if (!frame.atEnd())
            setText(QStringLiteral("fld_FRAME_NM"), NullToEmpty(column(frame, "CSALE_GOODS_NM")));

        prs_SetLensNames(1, saleKeys, bothEyes);

        db::Recordset& header = query(
            QStringLiteral("SELECT GLS_EXAM_DT, GLS_USE_PUR, GLS_INT_CD, GLS_NAKED_SIGHT_1, "
                           "GLS_NAKED_SIGHT_2, GLS_NAKED_SIGHT_3, GLS_REMARKS, GLS_LENS_COLR1, "
                           "GLS_LENS_NODO1, GLS_LENS_NODO_UD1, GLS_LENS_COLR2, GLS_LENS_NODO2, "
                           "GLS_LENS_NODO_UD2 FROM CGLASBS WHERE GLS_STORE_NO = ? AND "
                           "GLS_UNIQUE_KEY = ? AND GLS_HISTORY_NO = ?"),
            saleKeys);
        if (!header.atEnd()) {
            setText(QStringLiteral("Fld_CNT_REMARKS"), NullToEmpty(column(header, "GLS_REMARKS")));
            setText(
                QStringLiteral("Fld_EXAM_DT"),
                Format(NullToEmpty(column(header, "GLS_EXAM_DT")), QStringLiteral("yyyy/mm/dd")));
            const QVariant introducer = column(header, "GLS_INT_CD");
            const QString s = IsNumeric(introducer) ? NullToEmpty(introducer) : QString();
            if (!s.trimmed().isEmpty())
                setText(QStringLiteral("Fld_INT_CD_NM"), prf_IntroducerName(ToInteger16(s)));
            const qint16 purpose = ToInteger16(column(header, "GLS_USE_PUR"));
            if (purpose > 0)
                setText(QStringLiteral("Fld_USE_PUR_NM"), prf_PurposeName(purpose));
            for (int i = 1; i <= 3; ++i) {
                const QByteArray col = "GLS_NAKED_SIGHT_" + QByteArray::number(i);
                setText(QStringLiteral("Fld_NAKED_SIGHT%1").arg(i),
                        DecimalText(ToDouble(column(header, col.constData()))));
            }
            const QString colour1 = NullToEmpty(column(header, "GLS_LENS_COLR1"));
            const QString colour2 = NullToEmpty(column(header, "GLS_LENS_COLR2"));
            const qint16 d1 = ToInteger16(column(header, "GLS_LENS_NODO1"));
            const qint16 d2 = ToInteger16(column(header, "GLS_LENS_NODO2"));
            const qint16 u1 = ToInteger16(column(header, "GLS_LENS_NODO_UD1"));
            const qint16 u2 = ToInteger16(column(header, "GLS_LENS_NODO_UD2"));
            setText(QStringLiteral("Fld_LENS_COLR"), colour1.isEmpty() ? colour2 : colour1);
            setText(QStringLiteral("Fld_NODO"), QString::number(d1 != 0 ? d1 : d2));
            setText(QStringLiteral("Fld_NODO_UD"), QString::number(u1 != 0 ? u1 : u2));
        }

        db::Recordset& detail =
            query(QStringLiteral("SELECT * FROM CGLASDTL WHERE GLS_STORE_NO = ? AND "
                                 "GLS_UNIQUE_KEY = ? AND GLS_HISTORY_NO = ? ORDER BY GLS_KIND1"),
                  saleKeys);
        placeByKind(detail, "GLS_KIND1",
                    [this](int row, const db::Recordset& rs) { fillGridRow(row, rs); });
    } catch (const Failure& failure) {
        // Unless the database failed, the block keeps what was filled so far.
        handleFailure("prf_SetGlassesExam", failure);
    }
}

void TKV418R1::fillGridRow(int row, const db::Recordset& rs) {
    fillGridColumns(row, rs,
                    {{"Fld_SIGHT_", "GLS_SIGHT_", 3, Cell::Decimal},
                     {"Fld_SPH_", "GLS_S_", 2, Cell::Stored},
                     {"Fld_CYL_", "GLS_C_", 2, Cell::Decimal},
                     {"Fld_AX_", "GLS_AX_", 2, Cell::Whole},
                     {"Fld_ADD_", "GLS_ADD_", 2, Cell::Decimal},
                     {"Fld_P_", "GLS_P1_", 2, Cell::Decimal},
                     {"Fld_B_", "GLS_B1_", 2, Cell::Whole},
                     {"Fld_HEN_", "GLS_HEN1_", 2, Cell::Whole}});
    for (int eye = 1; eye <= 2; ++eye) {
        const QByteArray name = "GLS_P_WAY1_" + QByteArray::number(eye);
        setText(QStringLiteral("Fld_P_WAY_%1%2").arg(row).arg(eye),
                prf_PrismBase(ToInteger16(column(rs, name.constData()))));
    }
    fillGridColumns(row, rs,
                    {{"Fld_PD_", "GLS_PD_", 2, Cell::Decimal},
                     {"Fld_NPD_", "GLS_NPD_", 2, Cell::Decimal},
                     {"Fld_EYE_POINT_", "GLS_EYE_POINT_", 2, Cell::Decimal}});
}

} // namespace kema::slips
