/* print-slip: prints one eyeglasses visit slip through the component's C interface, as a
 * reception program does, and reports what the request answered.
 *
 *   print-slip CONNECTION STORE RECEPTION [CUSTOMER_KEY]
 *
 * CONNECTION is the ODBC connection string of the host's own connection, lent to the request:
 * the slip reads the reception through it. The component's other look-ups use the settings
 * file (KEMA_SETTINGS or ~/.config/KEMA/settings.ini). With CUSTOMER_KEY the slip is made from
 * the customer's records instead of the reception. The slip goes to the default CUPS queue.
 *
 * Exit status: 0 when the slip was printed, 1 when the request answered -1 or a call failed,
 * 2 for a usage error. */
#include <tkv418.h>

#include <stdio.h>

static int called(int status, const char* what) {
    if (status != TKV418_OK)
        fprintf(stderr, "print-slip: %s: %s (status %d)\n", what, tkv418_last_error(), status);
    return status == TKV418_OK;
}

static int setInt(tkv418_request* request, const char* name, long value) {
    return called(tkv418_set_int(request, name, value), name);
}

static int setText(tkv418_request* request, const char* name, const char* value) {
    return called(tkv418_set_text(request, name, value), name);
}

int main(int argc, char** argv) {
    tkv418_request* request;
    long result = -1;
    short printed = 0;
    int ok;

    if (argc < 4 || argc > 5) {
        fprintf(stderr, "usage: print-slip CONNECTION STORE RECEPTION [CUSTOMER_KEY]\n");
        return 2;
    }
    request = tkv418_create();
    if (!request) {
        fprintf(stderr, "print-slip: %s\n", tkv418_last_error());
        return 1;
    }
    /* A slip of a visit (KidouKbnL 1), found by reception number (SyoriKbnL 1) or customer key
     * (2), with its barcode, the eyeglasses slip (DenpKbnL 1), one copy, printed (PrintKbnL 0). */
    ok = setInt(request, "KidouKbnL", 1) && setInt(request, "SyoriKbnL", argc == 5 ? 2 : 1) &&
         setInt(request, "BarcodeKbnL", 1) && setText(request, "QNumberL", argv[3]) &&
         setInt(request, "DenpKbnL", 1) && setText(request, "StoreCodeL", argv[2]) &&
         (argc < 5 || setText(request, "UserUQKeyL", argv[4])) &&
         setInt(request, "OutNumberL", 1) && setInt(request, "OutKbnL", 1) &&
         setInt(request, "PrintKbnL", 0) &&
         called(tkv418_lend_connection(request, argv[1]), "the lent connection") &&
         called(tkv418_print(request, &result), "RaitenDenpyoPRINT") &&
         called(tkv418_get_print_out(request, &printed), "PRINT_OUT");
    if (ok) {
        /* -1: the reason has been shown as a message (on standard error without a desktop). */
        printf("RaitenDenpyoPRINT answered %ld%s\n", result,
               result == 0 ? ": the slip was printed" : ": the request was refused or failed");
    }
    tkv418_release(request);
    if (!ok)
        return 1;
    return result == 0 ? 0 : 1;
}
