// The latest contact-lens examination of a customer and the lenses sold with it.
#include "TKV418R2.h"

#include "services/text/Conversions.h"
#include "services/text/Format.h"
#include "slips/common/Fields.h"

#include <cmath>
#include <optional>

namespace kema::slips {

namespace {

// The contact-lens sales lines of one examination whose goods kind names a lens.
const QString kLensLines = QStringLiteral(
    "SELECT CSALE_GOODS_NM FROM CSALE WHERE CSALE_STORE_NO = ? AND CSALE_KIND = 2 AND "
    "CSALE_UNIQUE_KEY = ? AND CSALE_HISTORY_NO = ? AND CSALE_GOODS_KBN IN (");

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
    db::ReportDatabase& db = database();
    const auto run = [&](const QString& sql, const QVariantList& params) -> db::Recordset& {
        auto rs = db.openWork(sql, params);
        if (!rs.ok())
            throw Failure(rs.error());
        return *rs.value();
    };
    try {
        auto items = db.prf_BothEyesItems(false);
        const QVariantList bothEyes = items.ok() ? items.value() : QVariantList();
        QStringList codes;
        for (const QVariant& v : bothEyes)
            codes << NullToEmpty(v);
        m_bothEyesItemList = codes.join(u',');

        // Undated examinations last; on one date the highest history number is the latest.
        db::Recordset& latest =
            run(QStringLiteral("SELECT CNT_HISTORY_NO FROM CCNTBS WHERE CNT_STORE_NO = ? AND "
                               "CNT_UNIQUE_KEY = ? ORDER BY CASE WHEN CNT_EXAM_DT IS NULL THEN 1 "
                               "ELSE 0 END, CNT_EXAM_DT DESC, CNT_HISTORY_NO DESC"),
                {store, key});
        if (!latest.atEnd() && !latest.atBegin())
            m_examHistoryNo = ToInteger32(column(latest, "CNT_HISTORY_NO"));
        const QVariantList examKeys{store, key, m_examHistoryNo};

        // Without both-eyes items there is no lens category to look for.
        if (!bothEyes.isEmpty()) {
            QStringList marks;
            for (qsizetype i = 0; i < bothEyes.size(); ++i)
                marks << QStringLiteral("?");
            const QString lensSql = kLensLines + marks.join(u',') + u')';
            const QVariantList lensParams = examKeys + bothEyes;
            const QString order = QStringLiteral(" ORDER BY CSALE_LINE_NO");
            const auto firstName = [&](const char* eyes) -> std::optional<QString> {
                db::Recordset& lines = run(lensSql + QLatin1String(eyes) + order, lensParams);
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

        db::Recordset& header =
            run(QStringLiteral("SELECT CNT_EXAM_DT, CNT_INT_CD, CNT_DOCTOR_CD, CNT_NAKED_SIGHT_1, "
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
            run(QStringLiteral("SELECT * FROM CCNTDTL WHERE CNT_STORE_NO = ? AND "
                               "CNT_UNIQUE_KEY = ? AND CNT_HISTORY_NO = ? ORDER BY CNT_KIND1"),
                examKeys);
        for (; !detail.atEnd(); detail.moveNext()) {
            const qint16 kind = ToInteger16(column(detail, "CNT_KIND1"));
            for (int row = 1; row <= 4; ++row) {
                if (kind == m_kindNumber[size_t(row - 1)]) {
                    fillGridRow(row, detail);
                    break;
                }
            }
        }
    } catch (const Failure& failure) {
        // The examination block keeps what was filled so far.
        reportHandledFailure("prf_SetContactExam", failure);
    }
}

void TKV418R2::fillGridRow(int row, const db::Recordset& rs) {
    const auto field = [&](const char* family, int eye) {
        return QLatin1String(family) + QString::number(row) + QString::number(eye);
    };
    const auto col = [&](const char* stem, int eye) {
        const QByteArray name = QByteArray(stem) + QByteArray::number(eye);
        return column(rs, name.constData());
    };
    const auto decimal = [&](const char* stem, int eye) {
        return DecimalText(ToDouble(col(stem, eye)));
    };
    for (int eye = 1; eye <= 3; ++eye)
        setText(field("Fld_SIGHT_", eye), decimal("CNT_SIGHT_", eye));
    for (int eye = 1; eye <= 2; ++eye)
        setText(field("Fld_BC_", eye), decimal("CNT_BC_", eye));
    for (int eye = 1; eye <= 2; ++eye)
        setText(field("Fld_P_", eye), NullToEmpty(col("CNT_P_", eye)));
    for (int eye = 1; eye <= 2; ++eye)
        setText(field("Fld_SIZ_", eye), decimal("CNT_SIZ_", eye));
    for (int eye = 1; eye <= 2; ++eye)
        setText(field("Fld_C_", eye), decimal("CNT_C_", eye));
    for (int eye = 1; eye <= 2; ++eye)
        setText(field("Fld_AX_", eye), QString::number(ToInteger16(col("CNT_AX_", eye))));
    for (int eye = 1; eye <= 2; ++eye)
        setText(field("Fld_ADD_", eye), decimal("CNT_ADD_", eye));
}

} // namespace kema::slips
