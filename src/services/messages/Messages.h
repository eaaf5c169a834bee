#pragma once

// How the component tells people something: the message component's two kinds of message, and
// the platform message box. Each goes through one function here, with one rule for a message
// component that cannot be created: the message still reaches the user as one line on standard
// error.
#include "services/Error.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

namespace kema {

// RVB520.RVB520C1: shows messages. A new object for each message.
class IMessageDisplay {
public:
    virtual ~IMessageDisplay() = default;
    // Shows the catalogue text of `code`; `argument` is the number 0 or nothing (invalid).
    virtual long MSGDSP(const QString& code, const QVariant& argument, const QString& title) = 0;
    // The error current when DBERRDSP is called; set immediately before it.
    virtual void setErrObject(const Error& error) = 0;
    // Shows a database error: the catalogue text of `code` and the driver's error texts.
    virtual long DBERRDSP(const QString& code, const QList<db::DbError>& errors,
                          const QVariant& nothing, const QString& title) = 0;
};

// Creates the message component for one message.
using MessageDisplayFactory = std::function<Result<std::unique_ptr<IMessageDisplay>>()>;

// MSGDSP of a new message component.
void showCatalogueMessage(const MessageDisplayFactory& factory, const QString& code,
                          const QVariant& argument, const QString& title);
// The error object, then DBERRDSP with the connection's error records, of a new component.
void showDatabaseError(const MessageDisplayFactory& factory, const QString& code,
                       const Error& error, const QList<db::DbError>& errors, const QString& title);

// A message for a person at the desktop. `detail` is a second, smaller line.
struct DesktopMessage {
    QString title;
    QString text;
    QString detail;
    bool critical = false;
};
// Shows a message modally and answers true, or answers false when nobody can see it. The
// component installs the desktop's; without one nothing is shown.
using DesktopPresenter = std::function<bool(const DesktopMessage& message)>;
void setDesktopPresenter(DesktopPresenter presenter);
bool presentOnDesktop(const DesktopMessage& message);

// The platform message box, OK only: the desktop's modal box when somebody can see it,
// otherwise one line "text [title]" on standard error. A host or a test may install its own
// handler; an empty handler restores the default.
using MessageBoxHandler = std::function<void(const QString& text, const QString& title)>;
void setPlatformMessageBoxHandler(MessageBoxHandler handler);
void showPlatformMessageBox(const QString& text, const QString& title);
// The platform message box for a failure the operator must see, and its line on standard error
// in any case, for the workstation's log.
void showPlatformMessageBoxAndLog(const QString& text, const QString& title);

// One line "text [title]" on standard error; line breaks in the text become blanks.
void writeMessageLine(const QString& text, const QString& title);
QString singleLine(QString text);

} // namespace kema
