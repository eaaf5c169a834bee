// The latest contact-lens examination of a customer and the lenses sold with it.
#include "TKV418R2.h"

#include "services/text/Conversions.h"
#include "services/text/Format.h"
#include "slips/common/Fields.h"

#include <cmath>
#include <optional>

namespace kema::slips {

namespace {

// A keratometry reading in hundredths of a millimetre; nothing when it is missing or zero.
std::optional<qint64> hundredths(const QVariant& reading) {
    const double mm = ToDouble(reading);
    if (mm == 0 || !std::isfinite(mm))
        return std::nullopt;
    return qint64(std::floor(mm * 100 + 0.5));
}

} // namespace

QString TKV418R2::averageKeratometry(const QVariant& hk, const QVariant& vk) {
    const std::optional<qint64> h = hundredths(hk);
    const std::optional<qint64> v = hundredths(vk);
    if (!h || !v)
        return {};
    // Half of an odd sum of hundredths rounds up, as the readings' own rounding does.
    const qint64 sum = *h + *v;
    const qint64 average = sum >= 0 ? (sum + 1) / 2 : -((-sum) / 2);
    return QString::number(double(average) / 100, 'f', 2);
}

void TKV418R2::prf_SetContactExam(const QString& store, double key) {
    try {
        const QVariantList bothEyes = bothEyesItems(false);

        // Undated examinations last; on one date the highest history number is the latest.
        db::Recordset& latest =
            query(QStringLiteral("SELECT CNT_HISTORY_NO FROM CCNTBS WHERE CNT_STORE_NO = ? AND "
                                 "CNT_UNIQUE_KEY = ? ORDER BY CASE WHEN CNT_EXAM_DT IS NULL THEN 1 "
                                 "ELSE 0 END, CNT_EXAM_DT DESC, CNT_HISTORY_NO DESC"),
                  {store, key});
        if (!latest.atEnd() && !latest.atBegin())
            m_examHistoryNo = ToInteger32(column(latest, "CNT_HISTORY_NO"));
        const QVariantList examKeys{store, key, m_examHistoryNo};

        prs_SetLensNames(2, examKeys, bothEyes);

        db::Recordset& header = query(
            QStringLiteral("SELECT CNT_EXAM_DT, CNT_INT_CD, CNT_DOCTOR_CD, CNT_NAKED_SIGHT_1, "
                           "CNT_NAKED_SIGHT_2, CNT_NAKED_SIGHT_3, CNT_VK_1, CNT_HK_1, "
                           "CNT_VK_2, CNT_HK_2, CNT_REMARKS FROM CCNTBS WHERE CNT_STORE_NO = ? "
                           "AND CNT_UNIQUE_KEY = ? AND CNT_HISTORY_NO = ?"),
            examKeys);
        if (!header.atEnd()) {
            setText(QStringLiteral("Fld_CNT_REMARKS"), NullToEmpty(column(header, "CNT_REMARKS")));
            setText(
                QStringLiteral("Fld_EXAM_DT"),
                Format(NullToEmpty(column(header, "CNT_EXAM_DT")), QStringLiteral("yyyy/mm/dd")));
            const QString introducer = NullToEmpty(column(header, "CNT_INT_CD"));
            if (!introducer.trimmed().isEmpty())
                setText(QStringLiteral("Fld_INT_CD_NM"),
                        prf_IntroducerName(ToInteger16(introducer)));
            const QString doctor = NullToEmpty(column(header, "CNT_DOCTOR_CD"));
            if (!doctor.trimmed().isEmpty())
                setText(QStringLiteral("Fld_CLERK_CD_NM"), prf_DoctorName(ToInteger16(doctor)));
            for (int i = 1; i <= 3; ++i) {
                const QByteArray col = "CNT_NAKED_SIGHT_" + QByteArray::number(i);
                setText(QStringLiteral("Fld_NAKED_SIGHT%1").arg(i),
                        DecimalText(ToDouble(column(header, col.constData()))));
            }
            for (int eye = 1; eye <= 2; ++eye) {
                const QByteArray n = QByteArray::number(eye);
                const QVariant vk = column(header, ("CNT_VK_" + n).constData());
                const QVariant hk = column(header, ("CNT_HK_" + n).constData());
                setText(QStringLiteral("Fld_VK_%1").arg(eye), NullOrZeroToEmpty(ToDouble(vk)));
                setText(QStringLiteral("Fld_HK_%1").arg(eye), NullOrZeroToEmpty(ToDouble(hk)));
                setText(QStringLiteral("Fld_AVG_%1").arg(eye), averageKeratometry(hk, vk));
            }
        }

        db::Recordset& detail =
            query(QStringLiteral("SELECT * FROM CCNTDTL WHERE CNT_STORE_NO = ? AND "
                                 "CNT_UNIQUE_KEY = ? AND CNT_HISTORY_NO = ? ORDER BY CNT_KIND1"),
                  examKeys);
        placeByKind(detail, "CNT_KIND1",
                    [this](int row, const db::Recordset& rs) { fillGridRow(row, rs); });
    } catch (const Failure& failure) {
        // Unless the database failed, the block keeps what was filled so far.
        handleFailure("prf_SetContactExam", failure);
    }
}

void TKV418R2::fillGridRow(int row, const db::Recordset& rs) {
    fillGridColumns(row, rs,
                    {{"Fld_SIGHT_", "CNT_SIGHT_", 3, Cell::Decimal},
                     {"Fld_BC_", "CNT_BC_", 2, Cell::Decimal},
                     {"Fld_P_", "CNT_P_", 2, Cell::Stored},
                     {"Fld_SIZ_", "CNT_SIZ_", 2, Cell::Decimal},
                     {"Fld_C_", "CNT_C_", 2, Cell::Decimal},
                     {"Fld_AX_", "CNT_AX_", 2, Cell::Whole},
                     {"Fld_ADD_", "CNT_ADD_", 2, Cell::Decimal}});
}

} // namespace kema::slips
