/* The C interface as a C host uses it: compiled as C, linked against the component only.
 * Refusals are checked on what the default message component writes to standard error. */
#define _POSIX_C_SOURCE 200809L

#include "component/tkv418.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int failures = 0;

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            printf("FAIL %s:%d: %s (last error: %s)\n", __FILE__, __LINE__, #condition,            \
                   tkv418_last_error());                                                           \
            ++failures;                                                                            \
        }                                                                                          \
    } while (0)

struct setting {
    const char* name;
    const char* value;
};

/* A request that passes every test: glasses slip by reception number, printed once. */
static const struct setting valid[] = {
    {"KidouKbnL", "1"},  {"SyoriKbnL", "1"},    {"BarcodeKbnL", "1"}, {"QNumberL", "130100002"},
    {"DenpKbnL", "1"},   {"StoreCodeL", "001"}, {"UserUQKeyL", "0"},  {"UserSKeyL", "0"},
    {"OutNumberL", "1"}, {"OutKbnL", "1"},      {"PrintKbnL", "0"},   {"OutDate", ""},
};

struct refusal {
    const char* title;
    struct setting changes[4];
    const char* code;
};

/* Names in any case, numbers as texts, and the first failing test deciding the code. */
static const struct refusal refusals[] = {
    {"KidouKbnL 3", {{"kidoukbnl", "3"}}, "30008"},
    {"KidouKbnL first", {{"KIDOUKBNL", "0"}, {"DenpKbnL", "9"}, {"PrintKbnL", "9"}}, "30008"},
    {"empty StoreCodeL", {{"storecodel", ""}, {"SyoriKbnL", "2"}}, "30011"},
    {"PrintKbnL 2", {{"PrintKbnL", "2"}}, "30015"},
};

static void apply(tkv418_request* request, const struct setting* settings, size_t count) {
    size_t i;
    for (i = 0; i < count && settings[i].name; ++i)
        CHECK(tkv418_set_text(request, settings[i].name, settings[i].value) == TKV418_OK);
}

/* Runs the request with standard error collected into `text`. */
static long print_capturing(tkv418_request* request, char* text, size_t size) {
    long result = 0;
    size_t length;
    FILE* file = tmpfile();
    int saved;
    fflush(stderr);
    saved = dup(STDERR_FILENO);
    dup2(fileno(file), STDERR_FILENO);
    CHECK(tkv418_print(request, &result) == TKV418_OK);
    fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    rewind(file);
    length = fread(text, 1, size - 1, file);
    text[length] = '\0';
    fclose(file);
    return result;
}

static void test_refusals(void) {
    size_t i;
    for (i = 0; i < sizeof refusals / sizeof refusals[0]; ++i) {
        char text[4096];
        tkv418_request* request = tkv418_create();
        long result;
        CHECK(request != NULL);
        apply(request, valid, sizeof valid / sizeof valid[0]);
        apply(request, refusals[i].changes, 4);
        result = print_capturing(request, text, sizeof text);
        if (result != -1 || strstr(text, refusals[i].code) == NULL ||
            strstr(text, "TKV418C1_prf_propchk") == NULL) {
            printf("FAIL %s: result %ld, expected %s, stderr: %s\n", refusals[i].title, result,
                   refusals[i].code, text);
            ++failures;
        }
        tkv418_release(request);
    }
}

static void test_values(void) {
    tkv418_request* request = tkv418_create();
    short printed = 5;
    CHECK(request != NULL);

    CHECK(tkv418_set_int(request, "KidouKbnL", 65537) == TKV418_ERROR_TYPE);
    CHECK(strstr(tkv418_last_error(), "KidouKbnL") != NULL);
    CHECK(tkv418_set_text(request, "NoSuchMember", "1") == TKV418_ERROR_UNKNOWN_MEMBER);
    CHECK(tkv418_set_int(request, "RaitenDenpyoPRINT", 1) == TKV418_ERROR_NOT_SETTABLE);
    CHECK(tkv418_set_text(request, "DBconnection", "DRIVER=SQLite3") == TKV418_ERROR_NOT_SETTABLE);
    /* A call that succeeds clears the error of the one before. */
    CHECK(tkv418_set_int(request, "sex", -32768) == TKV418_OK);
    CHECK(strcmp(tkv418_last_error(), "") == 0);
    CHECK(tkv418_set_double(request, "UserUQKeyL", 12345.0) == TKV418_OK);
    CHECK(tkv418_set_text(request, "KANJI", "\xe5\xb1\xb1\xe7\x94\xb0") == TKV418_OK);

    CHECK(tkv418_set_text(request, NULL, "1") == TKV418_ERROR_ARGUMENT);
    CHECK(tkv418_set_text(request, "KANA", NULL) == TKV418_ERROR_ARGUMENT);
    CHECK(tkv418_set_int(NULL, "KidouKbnL", 1) == TKV418_ERROR_ARGUMENT);
    CHECK(tkv418_print(request, NULL) == TKV418_ERROR_ARGUMENT);
    CHECK(tkv418_get_print_out(request, NULL) == TKV418_ERROR_ARGUMENT);

    CHECK(tkv418_get_print_out(request, &printed) == TKV418_OK);
    CHECK(printed == 0);
    tkv418_release(request);
    tkv418_release(NULL);
}

static void test_connection(void) {
    const char* connection = "DRIVER=SQLite3;Database=:memory:";
    tkv418_request* request = tkv418_create();
    CHECK(tkv418_lend_connection(request, "DRIVER={No Such Driver};Database=x") ==
          TKV418_ERROR_CONNECTION);
    CHECK(strlen(tkv418_last_error()) > 0);
    CHECK(tkv418_lend_connection(request, connection) == TKV418_OK);
    CHECK(tkv418_lend_connection(request, connection) == TKV418_OK);
    CHECK(tkv418_lend_connection(NULL, connection) == TKV418_ERROR_ARGUMENT);
    tkv418_release(request);
}

int main(void) {
    test_refusals();
    test_values();
    test_connection();
    if (failures)
        printf("%d failure(s)\n", failures);
    else
        printf("all passed\n");
    return failures ? EXIT_FAILURE : EXIT_SUCCESS;
}
