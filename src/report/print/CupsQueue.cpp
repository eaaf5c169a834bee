#include "report/print/CupsQueue.h"
#include "services/ErrorNumbers.h"

#include "report/print/LibCups.h"

#include <memory>

namespace kema::report {

namespace {

constexpr int ConnectTimeoutMs = 30000;

// Only once submitPdf has found it loaded.
const LibCups& lib() {
    return *libCups();
}

struct DestFree {
    void operator()(cups_dest_t* dest) const { lib().cupsFreeDests(1, dest); }
};
struct DestInfoFree {
    void operator()(cups_dinfo_t* info) const { lib().cupsFreeDestInfo(info); }
};
struct HttpClose {
    void operator()(http_t* http) const { lib().httpClose(http); }
};

// Options as libcups takes them, freed with the list.
class Options {
public:
    Options() = default;
    Options(const Options&) = delete;
    Options& operator=(const Options&) = delete;
    ~Options() { lib().cupsFreeOptions(m_count, m_options); }
    void add(const char* name, const QByteArray& value) {
        m_count = lib().cupsAddOption(name, value.constData(), m_count, &m_options);
    }
    int count() const { return m_count; }
    cups_option_t* options() const { return m_options; }

private:
    int m_count = 0;
    cups_option_t* m_options = nullptr;
};

Error jobError(const QString& text) {
    return Error{errors::Printer, QStringLiteral("printPages"), text};
}

QString lastCupsError() {
    return QString::fromUtf8(lib().cupsLastErrorString());
}

// Statuses above this one are errors; an IPP answer below it may still carry a warning.
bool refused(ipp_status_t status) {
    return status > IPP_STATUS_OK_EVENTS_COMPLETE;
}

// Why a queue takes or prints no jobs, in its administrator's words (cupsreject -r,
// cupsdisable -r); empty when unsaid.
QString stateMessage(http_t* http, const cups_dest_t& dest) {
    const char* uri = lib().cupsGetOption("printer-uri-supported", dest.num_options, dest.options);
    if (!uri)
        return {};
    ipp_t* request = lib().ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    lib().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    lib().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                       "printer-state-message");
    ipp_t* response = lib().cupsDoRequest(http, request, "/");
    ipp_attribute_t* message =
        lib().ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT);
    const QString reason =
        message ? QString::fromUtf8(lib().ippGetString(message, 0, nullptr)).trimmed() : QString();
    lib().ippDelete(response);
    return reason;
}

} // namespace

Result<int> submitPdf(const PdfJob& job, const QByteArray& pdf) {
    if (!libCups())
        return jobError(QStringLiteral("libcups cannot be loaded for printer \"%1\": %2")
                            .arg(job.queue, QString::fromLocal8Bit(libCupsError())));
    const QByteArray queue = job.queue.toUtf8();
    const QByteArray title = job.title.toUtf8();
    // A connection of its own to the scheduler libcups would use: the job's requests and its
    // document travel on it alone, whatever else the process asks of CUPS meanwhile.
    const std::unique_ptr<http_t, HttpClose> http(
        lib().httpConnect2(lib().cupsServer(), lib().ippPort(), nullptr, AF_UNSPEC,
                           lib().cupsEncryption(), 1, ConnectTimeoutMs, nullptr));
    if (!http)
        return jobError(QStringLiteral("CUPS could not be reached for printer \"%1\": %2")
                            .arg(job.queue, lastCupsError()));
    const std::unique_ptr<cups_dest_t, DestFree> dest(
        lib().cupsGetNamedDest(http.get(), queue.constData(), nullptr));
    if (!dest)
        return jobError(QStringLiteral("CUPS does not know the queue \"%1\": %2")
                            .arg(job.queue, lastCupsError()));
    // A stopped queue takes the job and holds it: the slip would not come out while the counter
    // believes it printed.
    if (const char* state = lib().cupsGetOption("printer-state", dest->num_options, dest->options);
        state && qstrcmp(state, "5") == 0) {
        QString text =
            QStringLiteral("printer \"%1\" is stopped and would hold the job").arg(job.queue);
        if (const QString reason = stateMessage(http.get(), *dest); !reason.isEmpty())
            text += QStringLiteral(" (%1)").arg(reason);
        return jobError(text);
    }
    const std::unique_ptr<cups_dinfo_t, DestInfoFree> info(
        lib().cupsCopyDestInfo(http.get(), dest.get()));
    if (!info)
        return jobError(QStringLiteral("CUPS gave no details of printer \"%1\": %2")
                            .arg(job.queue, lastCupsError()));

    Options options;
    options.add(CUPS_COPIES, QByteArray::number(job.copies));
    options.add("multiple-document-handling", "separate-documents-collated-copies");
    if (job.landscape)
        options.add(CUPS_ORIENTATION, CUPS_ORIENTATION_LANDSCAPE);
    if (job.a4)
        options.add(CUPS_MEDIA, CUPS_MEDIA_A4);

    int id = 0;
    const ipp_status_t created =
        lib().cupsCreateDestJob(http.get(), dest.get(), info.get(), &id, title.constData(),
                                options.count(), options.options());
    if (id == 0 || refused(created)) {
        QString text = QStringLiteral("CUPS refused the job for printer \"%1\": %2")
                           .arg(job.queue, lastCupsError());
        if (created == IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS)
            if (const QString reason = stateMessage(http.get(), *dest); !reason.isEmpty())
                text += QStringLiteral(" (%1)").arg(reason);
        return jobError(text);
    }

    const auto documentRefused = [&] {
        const Error error = jobError(
            QStringLiteral("CUPS did not take the document of job %1 for printer \"%2\": %3")
                .arg(id)
                .arg(job.queue, lastCupsError()));
        // Otherwise the job would wait for its document until the scheduler gives up on it.
        lib().cupsCancelDestJob(http.get(), dest.get(), id);
        return error;
    };
    if (lib().cupsStartDestDocument(http.get(), dest.get(), info.get(), id, title.constData(),
                                    CUPS_FORMAT_PDF, 0, nullptr, 1) != HTTP_STATUS_CONTINUE)
        return documentRefused();
    if (lib().cupsWriteRequestData(http.get(), pdf.constData(), size_t(pdf.size())) !=
        HTTP_STATUS_CONTINUE)
        return documentRefused();
    if (refused(lib().cupsFinishDestDocument(http.get(), dest.get(), info.get())))
        return documentRefused();
    return id;
}

} // namespace kema::report
