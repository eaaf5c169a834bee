#pragma once

// The state of a report object, shared by the engine's own classes (Report, Recorder,
// ReportFactory); nothing outside src/report includes it.
#include "report/Controls.h"
#include "report/Document.h"
#include "report/Layout.h"
#include "report/Report.h"
#include "report/Viewer.h"

#include <memory>
#include <optional>
#include <vector>

namespace kema::report {

struct Report::Private {
    QString layoutName;
    LayoutPtr layout;
    std::optional<Error> layoutError;
    std::vector<std::unique_ptr<Control>> controls;

    PageValues page;
    Viewer viewer;
    int copies = 1;
    Target target = Target::Printer;
    QString targetFile;
    int targetDpi = 150;

    Document document;
    bool running = false;
    int fetches = 0;

    void adopt(LayoutPtr designed);
    Control& find(const QString& name, std::initializer_list<ControlKind> kinds,
                  const char* wanted) const;
};

} // namespace kema::report
