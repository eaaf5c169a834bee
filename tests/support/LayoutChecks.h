#pragma once

// Checks of a loaded layout against the designer's tables, shared by the tests of each layout.

#include "report/Layout.h"

#include <QtTest>

#include <map>

namespace kema::test {

constexpr int ShiftJis = 128;
constexpr QRgb Black = 0x000000;
constexpr QRgb White = 0xFFFFFF;

// A colour without its alpha byte, as the tables give it.
inline QRgb rgb(QRgb colour) {
    return colour & 0xFFFFFF;
}

// The control the tables name; a name the layout lacks ends the test program.
inline const report::LayoutControl& namedControl(const report::ReportLayout& layout,
                                                 const QString& name) {
    const report::LayoutControl* control = layout.find(name);
    if (!control)
        qFatal("no control %s", qPrintable(name));
    return *control;
}

// A text field or label as tabled: black on white, Shift-JIS, neither italic, underlined nor
// struck out.
inline void verifyText(const report::LayoutControl& control, qint32 left, qint32 top, qint32 width,
                       qint32 height, const QString& face, double size, bool bold,
                       report::Align align, bool visible, const QString& text) {
    QCOMPARE(control.left, left);
    QCOMPARE(control.top, top);
    QCOMPARE(control.width, width);
    QCOMPARE(control.height, height);
    QCOMPARE(control.font.face, face);
    QCOMPARE(control.font.size, size);
    QCOMPARE(control.font.bold, bold);
    QVERIFY(!control.font.italic);
    QVERIFY(!control.font.underline);
    QVERIFY(!control.font.strikeOut);
    QCOMPARE(control.font.charset, ShiftJis);
    QCOMPARE(control.align, align);
    QCOMPARE(control.visible, visible);
    QCOMPARE(control.text, text);
    QCOMPARE(rgb(control.foreColor), Black);
    QCOMPARE(rgb(control.backColor), White);
}

// Printed ink (points) sits at the aligned edge, or centre, of its designed box within 1 pt.
inline void verifyAligned(const QRectF& ink, const QRectF& box, report::Align align) {
    switch (align) {
    case report::Align::Left:
        QVERIFY2(qAbs(ink.left() - box.left()) <= 1, qPrintable(QString::number(ink.left())));
        break;
    case report::Align::Right:
        QVERIFY2(qAbs(ink.right() - box.right()) <= 1, qPrintable(QString::number(ink.right())));
        break;
    case report::Align::Center:
        QVERIFY2(qAbs(ink.center().x() - box.center().x()) <= 1,
                 qPrintable(QString::number(ink.center().x())));
        break;
    }
}

// The layout compiled in under the file's report name is the file itself.
inline void verifyCompiledIn(const report::ReportLayout& file) {
    Result<report::LayoutPtr> compiled = report::loadLayout(file.name);
    QVERIFY2(compiled.ok(), qPrintable(compiled ? QString() : compiled.error().description));
    const report::ReportLayout& a = *compiled.value();
    QCOMPARE(a.controls.size(), file.controls.size());
    for (std::size_t i = 0; i < a.controls.size(); ++i) {
        QCOMPARE(a.controls[i].name, file.controls[i].name);
        QCOMPARE(a.controls[i].left, file.controls[i].left);
        QCOMPARE(a.controls[i].top, file.controls[i].top);
        QCOMPARE(a.controls[i].text, file.controls[i].text);
    }
}

inline std::map<report::ControlKind, int> kindCounts(const report::ReportLayout& layout) {
    std::map<report::ControlKind, int> counts;
    for (const report::LayoutControl& control : layout.controls)
        ++counts[control.kind];
    return counts;
}

// Controls are numbered from 1 in list order, which is their drawing order.
inline void verifyOrdinals(const report::ReportLayout& layout) {
    for (std::size_t i = 0; i < layout.controls.size(); ++i)
        QCOMPARE(layout.controls[i].ordinal, int(i) + 1);
}

} // namespace kema::test
