#pragma once

#include "report/Layout.h"

#include <QColor>
#include <QString>
#include <QVariant>

#include <memory>

namespace kema::report {

class Report;

// The run-time state of one designed control of a report object. It starts from the designed
// values; report code changes only what the slips change (below), the rest stays as designed.
// Every change that alters what would be drawn bumps the revision, which lets the run reuse
// the page primitives of a control that did not change since the previous band.
class Control {
public:
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const LayoutControl& design() const { return m_design; }
    const QString& name() const { return m_design.name; }
    ControlKind kind() const { return m_design.kind; }
    bool isVisible() const { return m_visible; }
    quint64 revision() const { return m_revision; }

protected:
    explicit Control(const LayoutControl& design) : m_design(design), m_visible(design.visible) {}
    void changeVisible(bool visible);
    void touch() { ++m_revision; }

private:
    const LayoutControl& m_design;
    bool m_visible;
    quint64 m_revision = 0;
};

// A text field or a label. Labels are changed only in visibility by the slips; the engine does
// not forbid the rest.
class TextControl final : public Control {
public:
    explicit TextControl(const LayoutControl& design);

    void setText(const QString& text);
    const QString& text() const { return m_text; }
    void setVisible(bool visible) { changeVisible(visible); }
    void setForeColor(const QColor& colour); // alpha is ignored: colours are 24-bit
    QRgb foreColor() const { return m_foreColor; }
    void setBold(bool bold);
    bool bold() const { return m_font.bold; }
    void setFontSize(double points);
    double fontSize() const { return m_font.size; }
    const TextFont& font() const { return m_font; }
    // The current font as one value that the pages of a run share.
    std::shared_ptr<const TextFont> sharedFont() const;

private:
    QString m_text;
    QRgb m_foreColor;
    TextFont m_font;
    mutable std::shared_ptr<const TextFont> m_shared;
};

class LineControl final : public Control {
public:
    explicit LineControl(const LayoutControl& design);
    void setLineColor(const QColor& colour);
    QRgb lineColor() const { return m_lineColor; }

private:
    QRgb m_lineColor;
};

class FrameControl final : public Control {
public:
    explicit FrameControl(const LayoutControl& design);
    void setVisible(bool visible) { changeVisible(visible); }
    void setLineColor(const QColor& colour);
    QRgb lineColor() const { return m_lineColor; }

private:
    QRgb m_lineColor;
};

// Hosts another report's band. The control only refers to the hosted report: whoever created
// it owns it and may clear the control (setReport(nullptr)) at any time, and must clear it
// before destroying a report that is still hosted here.
class SubreportControl final : public Control {
public:
    explicit SubreportControl(const LayoutControl& design) : Control(design) {}
    void setReport(Report* report);
    Report* report() const { return m_report; }

private:
    Report* m_report = nullptr;
};

// The barcode. Its data is a text, or the 16-bit integer 0, which clears it (so does a null
// value; another number stands for its digits). The Boolean option is kept but changes nothing: the
// engine prints one fixed symbology (Code 128) with the human-readable line beneath.
class BarcodeControl final : public Control {
public:
    explicit BarcodeControl(const LayoutControl& design);
    void setData(const QVariant& data);
    void setData(const QString& text) { setData(QVariant(text)); }
    // The text to encode; empty when cleared.
    const QString& data() const { return m_text; }
    void setOption(bool option) { m_option = option; }
    bool option() const { return m_option; }
    void setVisible(bool visible) { changeVisible(visible); }

private:
    QString m_text;
    bool m_option = false;
};

} // namespace kema::report
