#pragma once

#include <QString>

namespace kema::report {

// Qt hands a job to CUPS without looking at the answer; these ask CUPS itself.

// Why the queue takes no job now (it rejects jobs or does not exist); empty when it takes them.
QString cupsRefusal(const QString& queue);
// The highest job id the queue has seen, finished or not, of any user; 0 for none.
int newestCupsJob(const QString& queue);

} // namespace kema::report
