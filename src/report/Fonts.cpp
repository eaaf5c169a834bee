#include "report/Fonts.h"
#include "services/ErrorNumbers.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QMutex>

#include <cmath>
#include <map>
#include <mutex>

namespace kema::report {

namespace {

struct Substitute {
    const char* face;
    const char* ascii;
    const char* family;
    const char* package;
};

constexpr Substitute substitutes[] = {
    {"ＭＳ 明朝", "MS Mincho", "IPAMincho", "fonts-ipafont-mincho"},
    {"ＭＳ Ｐ明朝", "MS PMincho", "IPAPMincho", "fonts-ipafont-mincho"},
    {"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic", "fonts-ipafont-gothic"},
    {"Arial", "Arial", "Liberation Sans", "fonts-liberation2"},
};

const Substitute* substituteOf(const QString& face) {
    for (const Substitute& s : substitutes) {
        if (face == QString::fromUtf8(s.face) || face == QLatin1String(s.ascii))
            return &s;
    }
    return nullptr;
}

Status resolve(const TextFont& design) {
    const QString& face = design.face;
    const QString resolved = QFontInfo(twipsFont(design)).family();
    const Substitute* s = substituteOf(face);
    if (!s) {
        if (resolved.compare(face, Qt::CaseInsensitive) == 0)
            return {};
        return Error{errors::Font, QStringLiteral("fonts"),
                     QStringLiteral("font \"%1\" has no substitute and resolves to \"%2\"")
                         .arg(face, resolved)};
    }
    const QString family = QLatin1String(s->family);
    if (resolved == family ||
        (QFontDatabase::hasFamily(family) && resolved == QFontInfo(QFont(family)).family()))
        return {};
    return Error{errors::Font, QStringLiteral("fonts"),
                 QStringLiteral("font \"%1\" resolves to \"%2\" instead of %3: install the "
                                "Debian package %4")
                     .arg(face, resolved, family, QLatin1String(s->package))};
}

} // namespace

void registerFontSubstitutions() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const Substitute& s : substitutes) {
            QFont::insertSubstitution(QString::fromUtf8(s.face), QLatin1String(s.family));
            QFont::insertSubstitution(QLatin1String(s.ascii), QLatin1String(s.family));
        }
    });
}

Status checkFace(const TextFont& design) {
    static QMutex mutex;
    static std::map<QString, Status> checked;
    const QMutexLocker lock(&mutex);
    auto it = checked.find(design.face);
    if (it == checked.end())
        it = checked.emplace(design.face, resolve(design)).first;
    return it->second;
}

QFont twipsFont(const TextFont& design) {
    registerFontSubstitutions();
    // Naming the substitute itself spares the font database a failed search for the Windows
    // face, with its fallback lists, on every font loaded.
    const Substitute* s = substituteOf(design.face);
    QFont font(s ? QLatin1String(s->family) : design.face);
    font.setPixelSize(std::max(1, int(std::lround(design.size * 20))));
    font.setWeight(design.bold ? QFont::Bold : QFont::Normal);
    font.setItalic(design.italic);
    font.setUnderline(design.underline);
    font.setStrikeOut(design.strikeOut);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

} // namespace kema::report
