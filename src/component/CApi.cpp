#include "component/tkv418.h"

#include "report/print/Desktop.h"
#include "request/Application.h"
#include "request/Dispatch.h"
#include "request/TKV418C1.h"
#include "services/host/SharedRequestState.h"

#include <QByteArray>
#include <QCoreApplication>

#include <memory>

struct tkv418_request {
    kema::TKV418C1 request;
    kema::db::ConnectionPtr lent;
};

namespace {

thread_local QByteArray lastError;

int succeed() {
    lastError.clear();
    return TKV418_OK;
}

int fail(int status, const QString& text) {
    lastError = text.toUtf8();
    return status;
}

int statusOf(const kema::Error& error) {
    switch (error.number) {
    case kema::errors::NoSuchMember:
        return TKV418_ERROR_UNKNOWN_MEMBER;
    case kema::errors::InvalidPropertyUse:
        return TKV418_ERROR_NOT_SETTABLE;
    default:
        return TKV418_ERROR_TYPE;
    }
}

// The connection reaches the request only through tkv418_lend_connection, which owns it.
int setByName(tkv418_request* handle, const char* name, const QVariant& value) {
    if (!handle || !name)
        return fail(TKV418_ERROR_ARGUMENT, QStringLiteral("a null request or name"));
    const QString member = QString::fromUtf8(name);
    const kema::request::DispatchMember* found = kema::request::findMember(member);
    if (found && found->kind == kema::request::MemberKind::PropertySet)
        return fail(TKV418_ERROR_NOT_SETTABLE,
                    member + QStringLiteral(": lend a connection with tkv418_lend_connection"));
    const auto done = kema::request::invoke(handle->request, member,
                                            kema::request::MemberKind::PropertyLet, value);
    if (!done)
        return fail(statusOf(done.error()), done.error().description);
    return succeed();
}

void ensureApplication() {
    if (QCoreApplication::instance())
        return;
    kema::request::selectPlatformWithoutDisplay();
    static int argc = 1;
    static char name[] = "tkv418";
    static char* argv[] = {name, nullptr};
    // Lives until the process ends: destroying it while a host still runs could take windows
    // and fonts away from under a later request.
    kema::report::createApplication(argc, argv, true);
}

} // namespace

extern "C" {

tkv418_request* tkv418_create(void) {
    ensureApplication();
    succeed();
    return new tkv418_request;
}

void tkv418_release(tkv418_request* request) {
    if (!request)
        return;
    kema::SharedRequestState& shared = kema::SharedRequestState::instance();
    if (request->lent && shared.DBconnection == request->lent)
        shared.DBconnection.reset();
    if (request->lent)
        request->lent->close();
    delete request;
}

int tkv418_set_text(tkv418_request* request, const char* name, const char* value) {
    if (!value)
        return fail(TKV418_ERROR_ARGUMENT, QStringLiteral("a null text"));
    return setByName(request, name, QString::fromUtf8(value));
}

int tkv418_set_int(tkv418_request* request, const char* name, long value) {
    return setByName(request, name, QVariant::fromValue<qlonglong>(value));
}

int tkv418_set_double(tkv418_request* request, const char* name, double value) {
    return setByName(request, name, value);
}

int tkv418_get_print_out(const tkv418_request* request, short* value) {
    if (!request || !value)
        return fail(TKV418_ERROR_ARGUMENT, QStringLiteral("a null request or result pointer"));
    *value = request->request.PRINT_OUT();
    return succeed();
}

int tkv418_print(tkv418_request* request, long* result) {
    if (!request || !result)
        return fail(TKV418_ERROR_ARGUMENT, QStringLiteral("a null request or result pointer"));
    const auto called = kema::request::invoke(request->request, QStringLiteral("RaitenDenpyoPRINT"),
                                              kema::request::MemberKind::Method);
    if (!called)
        return fail(statusOf(called.error()), called.error().description);
    *result = called.value().value<qint32>();
    return succeed();
}

int tkv418_lend_connection(tkv418_request* request, const char* connection_string) {
    if (!request || !connection_string)
        return fail(TKV418_ERROR_ARGUMENT, QStringLiteral("a null request or connection string"));
    auto connection = std::make_shared<kema::db::Connection>();
    if (kema::Status opened = connection->open(QString::fromUtf8(connection_string)); !opened)
        return fail(TKV418_ERROR_CONNECTION, opened.error().messageBoxText());
    if (request->lent)
        request->lent->close();
    request->lent = connection;
    request->request.setDBconnection(std::move(connection));
    return succeed();
}

const char* tkv418_last_error(void) {
    return lastError.constData();
}

} // extern "C"
