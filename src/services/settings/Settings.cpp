#include "services/settings/Settings.h"

#include "services/text/Encoding.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringView>

#include <optional>

namespace kema {
namespace {

// The profile call copies at most this many characters and a terminating NUL.
constexpr qsizetype kBufferSize = 128;

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.mid(begin, end - begin);
}

QString decode(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE)(bytes.mid(2));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE)(bytes.mid(2));
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    return utf8.hasError() ? FromCp932(bytes) : text;
}

// The value of the first line with the key in a section of that name, blanks and enclosing quotes
// removed; nothing when the file, the section or the key is missing.
std::optional<QString> findValue(const QString& file, const QString& section, const QString& key) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QString text = decode(f.readAll());
    bool inSection = false;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        line = trimBlanks(line);
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            const QStringView name = trimBlanks(line.mid(1, close < 0 ? -1 : close - 1));
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection || line.startsWith(u';'))
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0 || trimBlanks(line.left(eq)).compare(key, Qt::CaseInsensitive) != 0)
            continue;
        QStringView value = trimBlanks(line.mid(eq + 1));
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        return value.toString();
    }
    return std::nullopt;
}

QString cutAtNul(const QString& s) {
    const qsizetype nul = s.indexOf(QChar(u'\0'));
    return nul < 0 ? s : s.left(nul);
}

QString environment(const char* name) {
    return qEnvironmentVariable(name);
}

} // namespace

QString ReadIniValue(const QString& file, const QString& section, const QString& key,
                     const QString& defaultValue) {
    const std::optional<QString> value = findValue(file, section, key);
    if (!value || value->isEmpty())
        return defaultValue;
    return cutAtNul(value->left(kBufferSize - 1));
}

QString settingsFilePath() {
    const QString explicitPath = environment("KEMA_SETTINGS");
    if (!explicitPath.isEmpty())
        return explicitPath;
    QString config = environment("XDG_CONFIG_HOME");
    // Relative paths in XDG_CONFIG_HOME are invalid and ignored.
    if (!config.startsWith(u'/'))
        config = environment("HOME") + QStringLiteral("/.config");
    return config + QStringLiteral("/KEMA/settings.ini");
}

QString GetSetting(const QString& section, const QString& key, const QString& def) {
    // The registry the store replaces keeps whole strings: a connection string is not cut to
    // the profile buffer, and an empty value is a value.
    const std::optional<QString> value = findValue(settingsFilePath(), section, key);
    return value ? cutAtNul(*value) : def;
}

QString nprinterIniPath() {
    const QString explicitPath = environment("KEMA_NPRINTER_INI");
    return explicitPath.isEmpty() ? QStringLiteral("/Nwls/App/Recept/Nprinter.ini") : explicitPath;
}

} // namespace kema
