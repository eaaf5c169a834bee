#pragma once

#include <QByteArray>
#include <QString>

namespace kema {

// Code page 932 through ICU. Characters the code page lacks become "?"; bytes that are not
// code page 932 become U+FFFD.
QByteArray ToCp932(const QString& text);
QString FromCp932(const QByteArray& bytes);

} // namespace kema
