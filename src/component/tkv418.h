/* The visit-slip print request for hosts written in C or any language with a C foreign
 * function interface. Usable from C89 on; every text is UTF-8.
 *
 * Ownership: tkv418_create() gives a request the caller owns and frees with tkv418_release().
 * A connection lent with tkv418_lend_connection() is opened and owned by the library on behalf
 * of that request: it stays open until the request is released or another connection is lent,
 * and the slips only borrow it. The values of DenpyoNo, the override texts and the lent
 * connection are shared by every request of the process, as for C++ hosts.
 *
 * Errors: every function returns TKV418_OK or one of the error codes below; the text of the
 * last error on the calling thread is tkv418_last_error(). A refused request or a failed run is
 * not an error of the call: tkv418_print() then succeeds and stores -1 as the result.
 *
 * The library needs a Qt GUI application object. When the host has none, the first
 * tkv418_create() makes one that lives until the process ends; without a display it uses the
 * offscreen platform, which can print and render files but shows no preview: a request for the
 * preview (PrintKbnL 1) there answers -1 at once and says why on standard error. */
#ifndef TKV418_H
#define TKV418_H

#include "request/tkv418_export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct tkv418_request tkv418_request;

enum tkv418_status {
    TKV418_OK = 0,
    TKV418_ERROR_ARGUMENT = 1,       /* a null request, name, text or result pointer */
    TKV418_ERROR_UNKNOWN_MEMBER = 2, /* no member of that name */
    TKV418_ERROR_NOT_SETTABLE = 3,   /* the member takes no value (RaitenDenpyoPRINT, PRINT_OUT,
                                        DBconnection: use tkv418_lend_connection) */
    TKV418_ERROR_TYPE = 4,           /* the value does not fit the property's type or range */
    TKV418_ERROR_CONNECTION = 5      /* the connection string could not be opened */
};

/* A new request, or a null pointer when the library cannot start (see tkv418_last_error). */
TKV418_EXPORT tkv418_request* tkv418_create(void);

/* Frees the request and closes the connection lent through it. A null pointer is ignored. */
TKV418_EXPORT void tkv418_release(tkv418_request* request);

/* Sets a property by name, matched without regard to case. A text is read as a number for the
 * numeric properties (blanks around it, a sign, digits, one decimal point; rounded half to
 * even); a number is written in decimal for the text properties. A value outside a 16-bit or
 * 32-bit property's range is TKV418_ERROR_TYPE, never wrapped. */
TKV418_EXPORT int tkv418_set_text(tkv418_request* request, const char* name, const char* value);
TKV418_EXPORT int tkv418_set_int(tkv418_request* request, const char* name, long value);
TKV418_EXPORT int tkv418_set_double(tkv418_request* request, const char* name, double value);

/* The printed flag of the last preview: 1 when it was printed, else 0. */
TKV418_EXPORT int tkv418_get_print_out(const tkv418_request* request, short* value);

/* Runs RaitenDenpyoPRINT and stores its result: 0 when the slip was produced, -1 when the
 * request was refused or the run failed (the reason has been shown as a message). */
TKV418_EXPORT int tkv418_print(tkv418_request* request, long* result);

/* Opens an ODBC connection string, passed to the driver unchanged, and hands the connection
 * to the request as the host's DBconnection. */
TKV418_EXPORT int tkv418_lend_connection(tkv418_request* request, const char* connection_string);

/* The text of the last error on this thread; the empty text after a successful call. Valid
 * until the next call into the library on this thread. Never a null pointer. */
TKV418_EXPORT const char* tkv418_last_error(void);

#ifdef __cplusplus
}
#endif

#endif
