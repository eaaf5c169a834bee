#include "report/Layout.h"
#include "services/ErrorNumbers.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QRegularExpression>
#include <QResource>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <set>

namespace kema::report {

int ReportLayout::indexOf(const QString& name) const {
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].name == name)
            return int(i);
    }
    return -1;
}

const LayoutControl* ReportLayout::find(const QString& name) const {
    const int i = indexOf(name);
    return i < 0 ? nullptr : &controls[std::size_t(i)];
}

namespace {

// Thrown inside the parser only; loadLayoutFile turns it into an Error.
struct Broken {
    QString what;
};

// Where a value sits, for the error text: the file and, inside a control, its ordinal and name.
struct Place {
    QString file;
    int ordinal = -1;
    QString name;

    [[noreturn]] void fail(const QString& what) const {
        QString at = file;
        if (ordinal >= 0) {
            at += QStringLiteral(": control %1").arg(ordinal);
            if (!name.isEmpty())
                at += QStringLiteral(" \"%1\"").arg(name);
        }
        throw Broken{at + QStringLiteral(": ") + what};
    }
};

class Reader {
public:
    Reader(const QJsonObject& object, Place place, const QSet<QString>& allowed, QString what)
        : m_object(object), m_place(std::move(place)) {
        for (auto it = m_object.begin(); it != m_object.end(); ++it) {
            if (!allowed.contains(it.key()))
                m_place.fail(QStringLiteral("unknown property \"%1\"%2").arg(it.key(), what));
        }
    }

    bool has(const QString& key) const { return m_object.contains(key); }

    // Each value is looked up once: an object's key search is the parser's main cost.
    QJsonValue required(const QString& key) const {
        const QJsonValue v = m_object.value(key);
        if (v.isUndefined() || v.isNull())
            m_place.fail(QStringLiteral("missing required value \"%1\"").arg(key));
        return v;
    }

    qint32 integer(const QString& key) const { return toInteger(key, required(key)); }
    qint32 integer(const QString& key, qint32 fallback) const {
        const QJsonValue v = m_object.value(key);
        return v.isUndefined() ? fallback : toInteger(key, v);
    }

    double number(const QString& key) const {
        const QJsonValue v = required(key);
        if (!v.isDouble() || !std::isfinite(v.toDouble()))
            m_place.fail(QStringLiteral("\"%1\" must be a number").arg(key));
        return v.toDouble();
    }

    bool boolean(const QString& key, bool fallback) const {
        const QJsonValue v = m_object.value(key);
        if (v.isUndefined())
            return fallback;
        if (!v.isBool())
            m_place.fail(QStringLiteral("\"%1\" must be true or false").arg(key));
        return v.toBool();
    }

    QString string(const QString& key) const { return toString(key, required(key)); }
    QString string(const QString& key, const QString& fallback) const {
        const QJsonValue v = m_object.value(key);
        return v.isUndefined() ? fallback : toString(key, v);
    }

    QRgb colour(const QString& key, QRgb fallback) const {
        const QJsonValue v = m_object.value(key);
        if (v.isUndefined())
            return fallback;
        static const QRegularExpression pattern(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
        if (!v.isString() || !pattern.match(v.toString()).hasMatch())
            m_place.fail(QStringLiteral("\"%1\" is not a 24-bit colour \"#RRGGBB\": %2")
                             .arg(key, v.toVariant().toString()));
        return QRgb(v.toString().mid(1).toUInt(nullptr, 16));
    }

    QJsonObject object(const QString& key) const {
        const QJsonValue v = required(key);
        if (!v.isObject())
            m_place.fail(QStringLiteral("\"%1\" must be an object").arg(key));
        return v.toObject();
    }

    QJsonArray array(const QString& key) const {
        const QJsonValue v = required(key);
        if (!v.isArray())
            m_place.fail(QStringLiteral("\"%1\" must be an array").arg(key));
        return v.toArray();
    }

    const Place& place() const { return m_place; }

private:
    qint32 toInteger(const QString& key, const QJsonValue& v) const {
        const double d = v.toDouble(std::numeric_limits<double>::quiet_NaN());
        if (!v.isDouble() || d != std::floor(d) || d < std::numeric_limits<qint32>::min() ||
            d > std::numeric_limits<qint32>::max())
            m_place.fail(QStringLiteral("\"%1\" must be a whole number of twips").arg(key));
        return qint32(d);
    }

    QString toString(const QString& key, const QJsonValue& v) const {
        if (!v.isString())
            m_place.fail(QStringLiteral("\"%1\" must be a text").arg(key));
        return v.toString();
    }

    QJsonObject m_object;
    Place m_place;
};

const std::map<QString, ControlKind>& kinds() {
    static const std::map<QString, ControlKind> map{
        {QStringLiteral("text"), ControlKind::Text},
        {QStringLiteral("label"), ControlKind::Label},
        {QStringLiteral("line"), ControlKind::Line},
        {QStringLiteral("frame"), ControlKind::Frame},
        {QStringLiteral("subreport"), ControlKind::Subreport},
        {QStringLiteral("barcode"), ControlKind::Barcode}};
    return map;
}

QSet<QString> keys(std::initializer_list<const char*> names) {
    QSet<QString> set{QStringLiteral("kind"), QStringLiteral("name"), QStringLiteral("visible")};
    for (const char* n : names)
        set.insert(QLatin1String(n));
    return set;
}

const QSet<QString>& allowedKeys(ControlKind kind) {
    static const QSet<QString> text =
        keys({"left", "top", "width", "height", "font", "text", "align", "foreColor", "backColor"});
    static const QSet<QString> line = keys({"x1", "y1", "x2", "y2", "lineColor", "lineWeight"});
    static const QSet<QString> frame =
        keys({"left", "top", "width", "height", "lineColor", "lineWeight", "filled", "backColor"});
    static const QSet<QString> subreport = keys({"left", "top", "width", "height"});
    static const QSet<QString> barcode = keys({"left", "top", "width", "height", "font", "stored",
                                               "data", "sizeText", "foreColor", "backColor"});
    switch (kind) {
    case ControlKind::Text:
    case ControlKind::Label:
        return text;
    case ControlKind::Line:
        return line;
    case ControlKind::Frame:
        return frame;
    case ControlKind::Subreport:
        return subreport;
    case ControlKind::Barcode:
        return barcode;
    }
    Q_UNREACHABLE();
}

TextFont readFont(const Reader& control) {
    static const QSet<QString> allowed{QStringLiteral("face"),      QStringLiteral("size"),
                                       QStringLiteral("bold"),      QStringLiteral("italic"),
                                       QStringLiteral("underline"), QStringLiteral("strikeOut"),
                                       QStringLiteral("charset")};
    const Place& place = control.place();
    const Reader font(control.object(QStringLiteral("font")), place, allowed,
                      QStringLiteral(" in \"font\""));
    TextFont result;
    result.face = font.string(QStringLiteral("face"));
    if (result.face.isEmpty())
        place.fail(QStringLiteral("missing required value \"face\" in \"font\""));
    result.size = font.number(QStringLiteral("size"));
    if (result.size <= 0)
        place.fail(QStringLiteral("font size must be positive"));
    result.bold = font.boolean(QStringLiteral("bold"), false);
    result.italic = font.boolean(QStringLiteral("italic"), false);
    result.underline = font.boolean(QStringLiteral("underline"), false);
    result.strikeOut = font.boolean(QStringLiteral("strikeOut"), false);
    result.charset = font.integer(QStringLiteral("charset"), 1);
    return result;
}

void readBox(const Reader& r, LayoutControl& c) {
    c.left = r.integer(QStringLiteral("left"));
    c.top = r.integer(QStringLiteral("top"));
    c.width = r.integer(QStringLiteral("width"));
    c.height = r.integer(QStringLiteral("height"));
    if (c.width < 0)
        r.place().fail(QStringLiteral("negative width %1").arg(c.width));
    if (c.height < 0)
        r.place().fail(QStringLiteral("negative height %1").arg(c.height));
}

int readWeight(const Reader& r) {
    const int weight = r.integer(QStringLiteral("lineWeight"), 1);
    if (weight < 0)
        r.place().fail(QStringLiteral("negative line weight %1").arg(weight));
    return weight;
}

QVariantList readStored(const Reader& r) {
    QVariantList stored;
    for (const QJsonValue& v : r.array(QStringLiteral("stored"))) {
        if (v.isDouble())
            stored.append(v.toDouble());
        else if (v.isBool())
            stored.append(v.toBool());
        else if (v.isString() && (v.toString() == QLatin1String("font") ||
                                  v.toString() == QLatin1String("backColor") ||
                                  v.toString() == QLatin1String("foreColor")))
            stored.append(v.toString());
        else
            r.place().fail(QStringLiteral("\"stored\" holds numbers, Booleans and \"font\", "
                                          "\"backColor\" or \"foreColor\" only"));
    }
    return stored;
}

LayoutControl readControl(const QJsonValue& value, const QString& file, int ordinal) {
    Place place{file, ordinal, {}};
    if (!value.isObject())
        place.fail(QStringLiteral("a control must be an object"));
    const QJsonObject object = value.toObject();
    place.name = object.value(QStringLiteral("name")).toString();
    const QJsonValue kindValue = object.value(QStringLiteral("kind"));
    if (kindValue.isUndefined())
        place.fail(QStringLiteral("missing required value \"kind\""));
    const auto kind = kinds().find(kindValue.toString());
    if (!kindValue.isString() || kind == kinds().end())
        place.fail(QStringLiteral("unknown kind \"%1\"").arg(kindValue.toVariant().toString()));

    const Reader r(object, place, allowedKeys(kind->second), {});
    LayoutControl c;
    c.kind = kind->second;
    c.ordinal = ordinal;
    c.name = r.string(QStringLiteral("name"));
    if (c.name.isEmpty())
        place.fail(QStringLiteral("missing required value \"name\""));
    c.visible = r.boolean(QStringLiteral("visible"), true);
    switch (c.kind) {
    case ControlKind::Text:
    case ControlKind::Label: {
        readBox(r, c);
        c.font = readFont(r);
        c.text = r.string(QStringLiteral("text"), {});
        const QString align = r.string(QStringLiteral("align"), QStringLiteral("left"));
        if (align == QLatin1String("left"))
            c.align = Align::Left;
        else if (align == QLatin1String("right"))
            c.align = Align::Right;
        else if (align == QLatin1String("center"))
            c.align = Align::Center;
        else
            place.fail(QStringLiteral("unknown alignment \"%1\"").arg(align));
        c.foreColor = r.colour(QStringLiteral("foreColor"), 0x000000);
        c.backColor = r.colour(QStringLiteral("backColor"), 0xFFFFFF);
        break;
    }
    case ControlKind::Line:
        c.left = r.integer(QStringLiteral("x1"));
        c.top = r.integer(QStringLiteral("y1"));
        c.width = r.integer(QStringLiteral("x2"));
        c.height = r.integer(QStringLiteral("y2"));
        c.lineColor = r.colour(QStringLiteral("lineColor"), 0x000000);
        c.lineWeight = readWeight(r);
        break;
    case ControlKind::Frame:
        readBox(r, c);
        c.lineColor = r.colour(QStringLiteral("lineColor"), 0x000000);
        c.lineWeight = readWeight(r);
        c.filled = r.boolean(QStringLiteral("filled"), false);
        c.backColor = r.colour(QStringLiteral("backColor"), 0xFFFFFF);
        break;
    case ControlKind::Subreport:
        readBox(r, c);
        break;
    case ControlKind::Barcode:
        readBox(r, c);
        c.font = readFont(r);
        c.stored = readStored(r);
        c.data = r.string(QStringLiteral("data"));
        if (r.has(QStringLiteral("sizeText"))) {
            for (const QJsonValue& v : r.array(QStringLiteral("sizeText"))) {
                if (!v.isString())
                    place.fail(QStringLiteral("\"sizeText\" must hold texts"));
                c.sizeText.append(v.toString());
            }
        }
        c.foreColor = r.colour(QStringLiteral("foreColor"), 0x000000);
        c.backColor = r.colour(QStringLiteral("backColor"), 0xFFFFFF);
        break;
    }
    return c;
}

ReportLayout parse(const QByteArray& bytes, const QString& file, const QString& expectedName) {
    const Place top{file, -1, {}};
    QJsonParseError error{};
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        top.fail(QStringLiteral("not valid JSON at offset %1: %2")
                     .arg(error.offset)
                     .arg(error.errorString()));
    if (!json.isObject())
        top.fail(QStringLiteral("the layout must be a JSON object"));

    const Reader r(json.object(), top,
                   {QStringLiteral("name"), QStringLiteral("printWidth"), QStringLiteral("margins"),
                    QStringLiteral("documentName"), QStringLiteral("section"),
                    QStringLiteral("controls")},
                   {});
    ReportLayout layout;
    layout.name = r.string(QStringLiteral("name"));
    if (layout.name != expectedName)
        top.fail(QStringLiteral("report name \"%1\" does not match the file name \"%2\"")
                     .arg(layout.name, expectedName));
    layout.printWidth = r.integer(QStringLiteral("printWidth"));
    const Reader margins(r.object(QStringLiteral("margins")), top,
                         {QStringLiteral("left"), QStringLiteral("right"), QStringLiteral("top"),
                          QStringLiteral("bottom")},
                         QStringLiteral(" in \"margins\""));
    layout.leftMargin = margins.integer(QStringLiteral("left"));
    layout.rightMargin = margins.integer(QStringLiteral("right"));
    layout.topMargin = margins.integer(QStringLiteral("top"));
    layout.bottomMargin = margins.integer(QStringLiteral("bottom"));
    layout.documentName = r.string(QStringLiteral("documentName"), {});

    const Place band{file, 0, {}};
    const Reader section(
        r.object(QStringLiteral("section")), band,
        {QStringLiteral("name"), QStringLiteral("height"), QStringLiteral("backColor")},
        QStringLiteral(" in \"section\""));
    layout.section.name = section.string(QStringLiteral("name"));
    layout.section.height = section.integer(QStringLiteral("height"));
    if (layout.section.height < 0)
        band.fail(QStringLiteral("negative height %1").arg(layout.section.height));
    layout.section.backColor = section.colour(QStringLiteral("backColor"), 0xFFFFFF);

    std::set<QString> names;
    const QJsonArray controls = r.array(QStringLiteral("controls"));
    layout.controls.reserve(std::size_t(controls.size()));
    for (int i = 0; i < controls.size(); ++i) {
        LayoutControl c = readControl(controls.at(i), file, i + 1);
        if (!names.insert(c.name).second)
            Place{file, i + 1, c.name}.fail(QStringLiteral("duplicate name"));
        layout.controls.push_back(std::move(c));
    }
    return layout;
}

Error layoutError(const QString& text) {
    return Error{errors::Layout, QStringLiteral("layout"), text};
}

// The packed form: fixed-width fields in the byte order of the machine that built it (the one
// that reads it), a text as its UTF-16 length and code units. One field list serves both ways.
constexpr quint32 PackMagic = 0x4B4C4159; // "KLAY"
constexpr quint16 PackVersion = 1;

template <typename T>
concept Scalar = std::is_arithmetic_v<T> && !std::is_same_v<T, bool>;

class PackWriter {
public:
    QByteArray bytes;

    template <typename... T> void operator()(const T&... values) { (put(values), ...); }

private:
    template <Scalar T> void put(T v) { bytes.append(reinterpret_cast<const char*>(&v), sizeof v); }
    void put(bool v) { put(quint8(v)); }
    void put(ControlKind v) { put(qint32(v)); }
    void put(Align v) { put(qint32(v)); }
    void put(const QString& v) {
        put(qint32(v.size()));
        bytes.append(reinterpret_cast<const char*>(v.utf16()), v.size() * 2);
    }
    void put(const QStringList& v) {
        put(qint32(v.size()));
        for (const QString& s : v)
            put(s);
    }
    // A barcode's stored values: numbers, Booleans and names.
    void put(const QVariantList& v) {
        put(qint32(v.size()));
        for (const QVariant& value : v) {
            put(qint32(value.typeId()));
            if (value.typeId() == QMetaType::Double)
                put(value.toDouble());
            else if (value.typeId() == QMetaType::Bool)
                put(value.toBool());
            else
                put(value.toString());
        }
    }
};

class PackReader {
public:
    explicit PackReader(QByteArrayView bytes) : m_at(bytes.data()), m_end(m_at + bytes.size()) {}

    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at == m_end; }
    // A count no larger than the bytes left, so that a damaged one claims no memory.
    qint32 count() {
        qint32 n = 0;
        get(n);
        if (n < 0 || n > m_end - m_at)
            m_ok = false;
        return m_ok ? n : 0;
    }

    template <typename... T> void operator()(T&... values) { (get(values), ...); }

private:
    void take(void* to, qsizetype size) {
        if (!m_ok || m_end - m_at < size) {
            m_ok = false;
            return;
        }
        std::memcpy(to, m_at, std::size_t(size));
        m_at += size;
    }
    template <Scalar T> void get(T& v) { take(&v, sizeof v); }
    void get(bool& v) {
        quint8 byte = 0;
        get(byte);
        v = byte != 0;
    }
    template <typename E> void getEnum(E& v, E last) {
        qint32 n = 0;
        get(n);
        if (n < 0 || n > qint32(last))
            m_ok = false;
        v = m_ok ? E(n) : E{};
    }
    void get(ControlKind& v) { getEnum(v, ControlKind::Barcode); }
    void get(Align& v) { getEnum(v, Align::Center); }
    void get(QString& v) {
        const qint32 n = count();
        v.resize(n);
        take(v.data(), qsizetype(n) * 2);
    }
    void get(QStringList& v) {
        for (qint32 i = 0, n = count(); i < n && m_ok; ++i)
            get(v.emplace_back());
    }
    void get(QVariantList& v) {
        for (qint32 i = 0, n = count(); i < n && m_ok; ++i) {
            qint32 type = 0;
            get(type);
            if (type == QMetaType::Double) {
                double d = 0;
                get(d);
                v.append(d);
            } else if (type == QMetaType::Bool) {
                bool b = false;
                get(b);
                v.append(b);
            } else {
                QString text;
                get(text);
                v.append(text);
            }
        }
    }

    const char* m_at;
    const char* m_end;
    bool m_ok = true;
};

template <typename Io, typename Font> void fontFields(Io& io, Font& f) {
    io(f.face, f.size, f.bold, f.italic, f.underline, f.strikeOut, f.charset);
}

template <typename Io, typename Control> void controlFields(Io& io, Control& c) {
    io(c.kind, c.name, c.ordinal, c.left, c.top, c.width, c.height, c.visible, c.text);
    fontFields(io, c.font);
    io(c.align, c.foreColor, c.backColor, c.lineColor, c.lineWeight, c.filled, c.stored, c.data,
       c.sizeText);
}

template <typename Io, typename Layout> void layoutFields(Io& io, Layout& l) {
    io(l.name, l.printWidth, l.leftMargin, l.rightMargin, l.topMargin, l.bottomMargin,
       l.documentName, l.section.name, l.section.height, l.section.backColor);
}

} // namespace

Result<LayoutPtr> unpackLayout(QByteArrayView bytes, const QString& source) {
    PackReader in(bytes);
    quint32 magic = 0;
    quint16 version = 0;
    in(magic, version);
    if (magic != PackMagic || version != PackVersion)
        return layoutError(
            QStringLiteral("%1: not a layout packed by this version of the build").arg(source));
    auto layout = std::make_shared<ReportLayout>();
    layoutFields(in, *layout);
    const qint32 count = in.count();
    layout->controls.reserve(std::size_t(count));
    for (qint32 i = 0; i < count && in.ok(); ++i)
        controlFields(in, layout->controls.emplace_back());
    if (!in.ok() || !in.atEnd())
        return layoutError(QStringLiteral("%1: the packed layout is damaged").arg(source));
    return LayoutPtr(std::move(layout));
}

QByteArray packLayout(const ReportLayout& layout) {
    PackWriter out;
    out(PackMagic, PackVersion);
    layoutFields(out, layout);
    out(qint32(layout.controls.size()));
    for (const LayoutControl& c : layout.controls)
        controlFields(out, c);
    return out.bytes;
}

Result<LayoutPtr> loadLayoutFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return layoutError(
            QStringLiteral("%1: cannot read the layout: %2").arg(path, file.errorString()));
    try {
        return LayoutPtr(std::make_shared<const ReportLayout>(
            parse(file.readAll(), path, QFileInfo(path).completeBaseName())));
    } catch (const Broken& broken) {
        return layoutError(broken.what);
    }
}

namespace {

Result<LayoutPtr> loadPacked(const QString& path) {
    const QResource resource(path);
    if (!resource.isValid())
        return layoutError(
            QStringLiteral("%1: cannot read the layout: no such resource").arg(path));
    return unpackLayout(resource.uncompressedData(), path);
}

} // namespace

Result<LayoutPtr> loadLayout(const QString& name) {
    static QMutex mutex;
    static std::map<QString, Result<LayoutPtr>> cache;
    const QMutexLocker lock(&mutex);
    auto it = cache.find(name);
    if (it == cache.end())
        it = cache.emplace(name, loadPacked(QStringLiteral(":/layouts/%1.layout").arg(name))).first;
    return it->second;
}

} // namespace kema::report
