#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace kema::report {

class Printer;

// What the launcher and the report's events set for the preview window and the printer.
class Viewer {
public:
    Viewer();
    ~Viewer();
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    int windowHeight = 0; // twips
    int windowWidth = 0;  // twips
    QString caption;
    // Tools the report added to the preview toolbar, after the standard ones.
    QStringList tools;
    // Set by the report (a tool, F12, a failed start); the preview then ends.
    bool closed = false;
    // The printer's job result after the preview's print tool: not 0 = printed.
    qint32 jobResult = 0;

    // The report's printer, created on first use by reportPrinter().
    std::unique_ptr<Printer> printer;
};

} // namespace kema::report
