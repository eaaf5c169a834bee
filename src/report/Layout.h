#pragma once

#include "services/Error.h"
#include "services/ErrorNumbers.h"

#include <QRgb>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

namespace kema::report {

// The designed values of a report, as its layout file holds them (see layouts/README.md). All
// lengths are twips, measured from the band's top-left corner.

enum class ControlKind { Text, Label, Line, Frame, Subreport, Barcode };
enum class Align { Left, Right, Center };

struct TextFont {
    QString face;
    double size = 9; // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charset = 1;

    friend bool operator==(const TextFont&, const TextFont&) = default;
};

struct LayoutControl {
    ControlKind kind = ControlKind::Text;
    QString name;
    int ordinal = 0; // the band is 0, controls count from 1 in list order
    // A box's left, top, width, height; for a line its end points x1, y1, x2, y2.
    qint32 left = 0;
    qint32 top = 0;
    qint32 width = 0;
    qint32 height = 0;
    bool visible = true;
    QString text;  // text, label
    TextFont font; // text, label, barcode (its human-readable line)
    Align align = Align::Left;
    QRgb foreColor = 0x000000;
    QRgb backColor = 0xFFFFFF;
    QRgb lineColor = 0x000000; // line, frame
    int lineWeight = 1;        // line, frame
    bool filled = false;       // frame
    // Barcode: its stored values in its own order ("font", "backColor", "foreColor" stand for
    // those values), its design-time data and its own size as text.
    QVariantList stored;
    QString data;
    QStringList sizeText;

    friend bool operator==(const LayoutControl&, const LayoutControl&) = default;
};

struct LayoutSection {
    QString name;
    qint32 height = 0;
    QRgb backColor = 0xFFFFFF;

    friend bool operator==(const LayoutSection&, const LayoutSection&) = default;
};

struct ReportLayout {
    QString name;
    qint32 printWidth = 0;
    qint32 leftMargin = 0;
    qint32 rightMargin = 0;
    qint32 topMargin = 0;
    qint32 bottomMargin = 0;
    QString documentName;
    LayoutSection section;
    std::vector<LayoutControl> controls; // designed order = drawing order

    // Index into controls, or -1.
    int indexOf(const QString& name) const;
    const LayoutControl* find(const QString& name) const;

    friend bool operator==(const ReportLayout&, const ReportLayout&) = default;
};

using LayoutPtr = std::shared_ptr<const ReportLayout>;

// Parses and validates one layout file; the report's name must match the file's base name.
// Errors name the file, the control's ordinal and name, and what is wrong.
Result<LayoutPtr> loadLayoutFile(const QString& path);

// The layout in the form the build compiles in: read without parsing, as validation ran when
// the build packed the file.
QByteArray packLayout(const ReportLayout& layout);
// The packed form read back; damaged bytes give an error naming the source.
Result<LayoutPtr> unpackLayout(QByteArrayView bytes, const QString& source);

// The compiled-in layout ":/layouts/<name>.layout", packed from layouts/<name>.json by the build,
// read once per process (thread-safe).
Result<LayoutPtr> loadLayout(const QString& name);

// Error number of a broken or missing layout.

} // namespace kema::report
