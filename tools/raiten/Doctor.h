#pragma once

#include <QStringList>

namespace kema::doctor {

// `raiten doctor [--json] [--settings FILE] [--nprinter FILE] [--timeout SECONDS]`: checks, in
// the order a workstation needs them, what a print needs and writes one line per check (or one
// JSON object) to standard output. 0 when everything is there, 1 when a check failed, 2 for a
// usage error. Needs the application object.
int run(const QStringList& arguments);

} // namespace kema::doctor
