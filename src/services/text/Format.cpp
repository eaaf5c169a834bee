#include "services/text/Format.h"

#include "services/text/Conversions.h"
#include "services/text/Decimal.h"

#include <unicode/calendar.h>
#include <unicode/dtfmtsym.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace kema {
namespace {

using text::Decimal;

bool isDatePattern(const QString& pattern) {
    for (QChar c : pattern) {
        switch (c.toLower().unicode()) {
        case u'y':
        case u'm':
        case u'd':
        case u'g':
        case u'e':
            return true;
        default:
            break;
        }
    }
    return false;
}

bool isDigitPosition(QChar c) {
    return c == u'0' || c == u'#';
}

QString formatNumber(const Decimal& value, const QString& pattern) {
    const qsizetype dot = pattern.indexOf(u'.');
    const QStringView integerPattern = QStringView(pattern).left(dot < 0 ? pattern.size() : dot);
    const QStringView fractionPattern = dot < 0 ? QStringView() : QStringView(pattern).mid(dot + 1);
    const auto positions = [](QStringView s) {
        return int(std::count_if(s.begin(), s.end(), isDigitPosition));
    };
    const int integerPositions = positions(integerPattern);
    const int fractionPositions = positions(fractionPattern);
    const bool grouped = integerPattern.contains(u',');

    const Decimal r = text::roundedAwayFromZero(value, fractionPositions);
    const QString integerDigits =
        r.point > 0 ? r.digits.left(r.point).leftJustified(r.point, u'0') : QString();

    // The integer part as characters, digits marked, so that separators can go between them.
    struct Piece {
        QChar c;
        bool digit;
    };
    std::vector<Piece> pieces;
    const int length = int(integerDigits.size());
    const int extra = std::max(0, length - integerPositions);
    const auto pushDigits = [&](int from, int to) {
        for (int j = from; j < to; ++j)
            pieces.push_back({integerDigits[j], true});
    };
    int position = 0;
    for (QChar c : integerPattern) {
        if (c == u',')
            continue;
        if (!isDigitPosition(c)) {
            pieces.push_back({c, false});
            continue;
        }
        if (position == 0)
            pushDigits(0, extra);
        const int j = position - (integerPositions - length);
        if (j >= extra)
            pushDigits(j, j + 1);
        else if (j < 0 && c == u'0')
            pieces.push_back({u'0', true});
        ++position;
    }
    if (integerPositions == 0)
        pushDigits(0, length);

    QString out = r.negative && !r.isZero() ? QStringLiteral("-") : QString();
    int digitsLeft =
        int(std::count_if(pieces.begin(), pieces.end(), [](const Piece& p) { return p.digit; }));
    for (const Piece& p : pieces) {
        out += p.c;
        if (p.digit && --digitsLeft > 0 && grouped && digitsLeft % 3 == 0)
            out += u',';
    }
    if (dot < 0)
        return out;

    const auto fractionDigit = [&](int k) {
        const int index = r.point + k;
        return index >= 0 && index < r.digits.size() ? r.digits[index] : QChar(u'0');
    };
    int lastSignificant = -1;
    for (int k = 0; k < fractionPositions; ++k) {
        if (fractionDigit(k) != u'0')
            lastSignificant = k;
    }
    out += u'.';
    int k = 0;
    for (QChar c : fractionPattern) {
        if (!isDigitPosition(c)) {
            out += c;
            continue;
        }
        if (c == u'0' || k <= lastSignificant)
            out += fractionDigit(k);
        ++k;
    }
    return out;
}

struct Era {
    QString name;
    QString letter;
    int year = 0;
};

// The Japanese calendar of ICU knows every era, including those still to be proclaimed once
// its data is updated.
class EraCalendar {
public:
    EraCalendar() {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Locale locale("ja_JP@calendar=japanese");
        m_calendar.reset(
            icu::Calendar::createInstance(icu::TimeZone::getGMT()->clone(), locale, status));
        // Only a formatter's symbols follow the locale's calendar; DateFormatSymbols alone
        // gives the Gregorian eras.
        const icu::SimpleDateFormat format(icu::UnicodeString(u"GGGG"), locale, status);
        if (U_FAILURE(status))
            qFatal("ICU has no Japanese calendar: %s", u_errorName(status));
        const icu::DateFormatSymbols* symbols = format.getDateFormatSymbols();
        int32_t count = 0;
        const icu::UnicodeString* names = symbols->getEraNames(count);
        for (int32_t i = 0; i < count; ++i)
            m_names.push_back(qString(names[i]));
        const icu::UnicodeString* letters = symbols->getNarrowEras(count);
        for (int32_t i = 0; i < count; ++i)
            m_letters.push_back(qString(letters[i]));
    }

    // Nothing before the first era, which no era year can name.
    std::optional<Era> eraOf(const QDate& date) {
        constexpr qint64 kUnixEpochJulianDay = 2440588;
        UErrorCode status = U_ZERO_ERROR;
        m_calendar->setTime(double(date.toJulianDay() - kUnixEpochJulianDay) * U_MILLIS_PER_DAY,
                            status);
        const int32_t era = m_calendar->get(UCAL_ERA, status);
        const int32_t year = m_calendar->get(UCAL_YEAR, status);
        if (U_FAILURE(status) || era < 0 || size_t(era) >= m_names.size() || year < 1)
            return std::nullopt;
        return Era{m_names[size_t(era)],
                   size_t(era) < m_letters.size() ? m_letters[size_t(era)] : QString(), year};
    }

private:
    static QString qString(const icu::UnicodeString& s) {
        return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
    }

    std::unique_ptr<icu::Calendar> m_calendar;
    std::vector<QString> m_names;
    std::vector<QString> m_letters;
};

std::optional<Era> eraOf(const QDate& date) {
    thread_local EraCalendar calendar;
    return calendar.eraOf(date);
}

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

std::optional<QString> formatDate(const QDate& date, const QString& pattern) {
    const bool needsEra = std::any_of(pattern.begin(), pattern.end(), [](QChar c) {
        return c.toLower() == u'g' || c.toLower() == u'e';
    });
    const std::optional<Era> era = needsEra ? eraOf(date) : std::nullopt;
    if (needsEra && !era)
        return std::nullopt;
    QString out;
    qsizetype i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern[i];
        const char16_t letter = c.toLower().unicode();
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run].toLower() == letter)
            ++run;
        qsizetype used = 1;
        switch (letter) {
        case u'y':
            if (run >= 4) {
                out += QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
                used = 4;
            } else if (run >= 2) {
                out += twoDigits(date.year() % 100);
                used = 2;
            } else {
                out += c;
            }
            break;
        case u'm':
        case u'd':
        case u'e': {
            const int n = letter == u'm' ? date.month() : letter == u'd' ? date.day() : era->year;
            used = std::min<qsizetype>(run, 2);
            out += used == 2 ? twoDigits(n) : QString::number(n);
            break;
        }
        case u'g':
            used = std::min<qsizetype>(run, 3);
            out += used == 3 ? era->name : used == 2 ? era->name.left(1) : era->letter;
            break;
        default:
            out += c;
            break;
        }
        i += used;
    }
    return out;
}

} // namespace

QString Format(const QVariant& value, const QString& pattern) {
    if (isNull(value))
        return {};
    if (isDatePattern(pattern)) {
        const std::optional<QDate> date = text::dateOf(value);
        const std::optional<QString> text = date ? formatDate(*date, pattern) : std::nullopt;
        return text ? *text : NullToEmpty(value);
    }
    if (std::any_of(pattern.begin(), pattern.end(), isDigitPosition)) {
        const std::optional<Decimal> number = text::decimalOf(value);
        return number ? formatNumber(*number, pattern) : NullToEmpty(value);
    }
    return NullToEmpty(value);
}

} // namespace kema
