#include "services/messages/Messages.h"

#include <cstdio>

namespace kema {
namespace {

DesktopPresenter& desktopPresenter() {
    static DesktopPresenter presenter;
    return presenter;
}

MessageBoxHandler& messageBoxHandler() {
    static MessageBoxHandler handler;
    return handler;
}

// Without its message component the code still reaches the user, on the component's line.
void reportCreationFailure(const Error& error, const QString& code, const QString& title) {
    writeMessageLine(code + u' ' + error.messageBoxText(), title);
}

} // namespace

void showCatalogueMessage(const MessageDisplayFactory& factory, const QString& code,
                          const QVariant& argument, const QString& title) {
    auto display = factory();
    if (!display.ok()) {
        reportCreationFailure(display.error(), code, title);
        return;
    }
    display.value()->MSGDSP(code, argument, title);
}

void showDatabaseError(const MessageDisplayFactory& factory, const QString& code,
                       const Error& error, const QList<db::DbError>& errors, const QString& title) {
    auto display = factory();
    if (!display.ok()) {
        reportCreationFailure(display.error(), code, title);
        return;
    }
    display.value()->setErrObject(error);
    display.value()->DBERRDSP(code, errors, QVariant(), title);
}

void setDesktopPresenter(DesktopPresenter presenter) {
    desktopPresenter() = std::move(presenter);
}

bool presentOnDesktop(const DesktopMessage& message) {
    const DesktopPresenter& presenter = desktopPresenter();
    return presenter && presenter(message);
}

void setPlatformMessageBoxHandler(MessageBoxHandler handler) {
    messageBoxHandler() = std::move(handler);
}

void showPlatformMessageBox(const QString& text, const QString& title) {
    if (const MessageBoxHandler& handler = messageBoxHandler()) {
        handler(text, title);
        return;
    }
    if (!presentOnDesktop({title, text, {}, false}))
        writeMessageLine(text, title);
}

void showPlatformMessageBoxAndLog(const QString& text, const QString& title) {
    if (const MessageBoxHandler& handler = messageBoxHandler())
        handler(text, title);
    else
        presentOnDesktop({title, text, {}, false});
    writeMessageLine(text, title);
}

QString singleLine(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(u'\n', u' ');
    text.replace(u'\r', u' ');
    return text;
}

void writeMessageLine(const QString& text, const QString& title) {
    std::fprintf(stderr, "%s [%s]\n", qPrintable(singleLine(text)), qPrintable(title));
    std::fflush(stderr);
}

} // namespace kema
