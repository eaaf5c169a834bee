#include "report/Controls.h"

namespace kema::report {

namespace {

QRgb rgb(const QColor& colour) {
    return colour.rgb() & 0xFFFFFF;
}

} // namespace

void Control::changeVisible(bool visible) {
    if (visible != m_visible) {
        m_visible = visible;
        touch();
    }
}

TextControl::TextControl(const LayoutControl& design)
    : Control(design), m_text(design.text), m_foreColor(design.foreColor), m_font(design.font) {}

void TextControl::setText(const QString& text) {
    if (text != m_text) {
        m_text = text;
        touch();
    }
}

void TextControl::setForeColor(const QColor& colour) {
    if (rgb(colour) != m_foreColor) {
        m_foreColor = rgb(colour);
        touch();
    }
}

std::shared_ptr<const TextFont> TextControl::sharedFont() const {
    if (!m_shared)
        m_shared = std::make_shared<const TextFont>(m_font);
    return m_shared;
}

void TextControl::setBold(bool bold) {
    if (bold != m_font.bold) {
        m_font.bold = bold;
        m_shared.reset();
        touch();
    }
}

void TextControl::setFontSize(double points) {
    if (points != m_font.size && points > 0) {
        m_font.size = points;
        m_shared.reset();
        touch();
    }
}

LineControl::LineControl(const LayoutControl& design)
    : Control(design), m_lineColor(design.lineColor) {}

void LineControl::setLineColor(const QColor& colour) {
    if (rgb(colour) != m_lineColor) {
        m_lineColor = rgb(colour);
        touch();
    }
}

FrameControl::FrameControl(const LayoutControl& design)
    : Control(design), m_lineColor(design.lineColor) {}

void FrameControl::setLineColor(const QColor& colour) {
    if (rgb(colour) != m_lineColor) {
        m_lineColor = rgb(colour);
        touch();
    }
}

void SubreportControl::setReport(Report* report) {
    if (report != m_report) {
        m_report = report;
        touch();
    }
}

BarcodeControl::BarcodeControl(const LayoutControl& design)
    : Control(design), m_text(design.data) {}

void BarcodeControl::setData(const QVariant& data) {
    // The slips clear the control with the 16-bit integer 0; another number is its digits.
    bool number = false;
    const qlonglong value = data.toLongLong(&number);
    const QString text = data.typeId() == QMetaType::QString ? data.toString()
                         : number && value != 0              ? data.toString()
                                                             : QString();
    if (text != m_text) {
        m_text = text;
        touch();
    }
}

} // namespace kema::report
