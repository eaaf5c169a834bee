#pragma once

#include "report/Controls.h"
#include "report/Report.h"

#include <QList>
#include <QPair>
#include <QStringList>

#include <functional>

// A report on the PrintTest fixture layout that delivers a chosen number of records and records
// the preview's events; each hook lets a test act from inside an event.
class TestReport : public kema::report::Report {
public:
    explicit TestReport(int records = 1)
        : Report(QStringLiteral("PrintTest")), m_records(records) {}

    QStringList events;
    QList<QPair<int, int>> keys;
    QStringList clicks;
    std::function<void()> onStart = [] {};
    std::function<void()> onEnd = [] {};
    std::function<void(int, int)> onKeyDown = [](int, int) {};
    std::function<void(const QString&)> onToolbarClick = [](const QString&) {};

    void Report_ReportStart() override {
        events << QStringLiteral("ReportStart");
        m_delivered = 0;
        onStart();
    }
    void Report_FetchData(bool& eof) override {
        eof = m_delivered >= m_records;
        if (!eof)
            ++m_delivered;
    }
    void Detail_Format() override {
        textField(QStringLiteral("fldNumber")).setText(QString::number(m_delivered));
    }
    void Report_ReportEnd() override {
        events << QStringLiteral("ReportEnd");
        onEnd();
    }
    void Report_KeyDown(int keyCode, int shift) override {
        keys.append({keyCode, shift});
        onKeyDown(keyCode, shift);
    }
    void Report_ToolbarClick(const QString& tool) override {
        clicks << tool;
        onToolbarClick(tool);
    }

private:
    int m_records;
    int m_delivered = 0;
};
