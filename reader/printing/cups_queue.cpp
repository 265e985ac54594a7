#include "cups_queue.h"

#include <cups/cups.h>

namespace krv {

namespace {

failure cups_failure(const std::string& what) {
    return failure{failure_kind::internal, what + ": " + cupsLastErrorString()};
}

// cups_dest_t with its cleanup.
struct dest_holder {
    cups_dest_t* dest = nullptr;
    ~dest_holder() {
        if (dest)
            cupsFreeDests(1, dest);
    }
};

struct option_list {
    int count = 0;
    cups_option_t* options = nullptr;
    void add(const char* name, const std::string& value) {
        count = cupsAddOption(name, value.c_str(), count, &options);
    }
    ~option_list() { cupsFreeOptions(count, options); }
};

void fill_options(const job_options& wanted, option_list& list) {
    list.add(CUPS_COPIES, std::to_string(wanted.copies));
    list.add("multiple-document-handling", wanted.collate ? "separate-documents-collated-copies"
                                                          : "separate-documents-uncollated-copies");
    list.add("collate", wanted.collate ? "true" : "false"); // what the PDF filter reads
    list.add(CUPS_SIDES, wanted.sides);
}

} // namespace

outcome<std::shared_ptr<cups_connection>> cups_connection::open(const std::string& host, int port) {
    const std::string server = host.empty() ? cupsServer() : host;
    // A server name starting with '/' is a domain socket; the port is ignored.
    http_t* http = httpConnect2(server.c_str(), port ? port : ippPort(), nullptr, AF_UNSPEC,
                                HTTP_ENCRYPTION_IF_REQUESTED, 1, 5000, nullptr);
    if (!http) {
        return cups_failure("cannot connect to " + server);
    }
    return std::shared_ptr<cups_connection>(new cups_connection(http));
}

cups_connection::~cups_connection() {
    httpClose(http_);
}

outcome<queue_formats> query_queue(cups_connection& connection, const std::string& queue) {
    dest_holder dest{cupsGetNamedDest(connection.http(), queue.c_str(), nullptr)};
    if (!dest.dest)
        return cups_failure("no queue " + queue);
    cups_dinfo_t* info = cupsCopyDestInfo(connection.http(), dest.dest);
    if (!info)
        return cups_failure("no information on " + queue);
    queue_formats result;
    if (ipp_attribute_t* formats =
            cupsFindDestSupported(connection.http(), dest.dest, info, "document-format"))
        for (int i = 0; i < ippGetCount(formats); ++i)
            result.accepts_pdf = result.accepts_pdf ||
                                 std::string(ippGetString(formats, i, nullptr)) == CUPS_FORMAT_PDF;
    const char* model =
        cupsGetOption("printer-make-and-model", dest.dest->num_options, dest.dest->options);
    result.raw_queue = model && std::string(model) == "Local Raw Printer";
    cupsFreeDestInfo(info);
    return result;
}

outcome<int> submit_pdf(cups_connection& connection, const std::string& queue,
                        const QByteArray& pdf, const job_options& wanted) {
    dest_holder dest{cupsGetNamedDest(connection.http(), queue.c_str(), nullptr)};
    if (!dest.dest) {
        return cups_failure("no queue " + queue);
    }
    cups_dinfo_t* info = cupsCopyDestInfo(connection.http(), dest.dest);
    option_list options;
    fill_options(wanted, options);
    int job_id = 0;
    if (cupsCreateDestJob(connection.http(), dest.dest, info, &job_id, wanted.title.c_str(),
                          options.count, options.options) > IPP_STATUS_OK_EVENTS_COMPLETE) {
        cupsFreeDestInfo(info);
        return cups_failure("create job");
    }
    // Job options go with the job; the document carries no options of its own.
    bool sent = cupsStartDestDocument(connection.http(), dest.dest, info, job_id, "document.pdf",
                                      CUPS_FORMAT_PDF, 0, nullptr, 1) == HTTP_STATUS_CONTINUE;
    sent = sent && cupsWriteRequestData(connection.http(), pdf.constData(),
                                        static_cast<size_t>(pdf.size())) == HTTP_STATUS_CONTINUE;
    const ipp_status_t finished = cupsFinishDestDocument(connection.http(), dest.dest, info);
    cupsFreeDestInfo(info);
    if (!sent || finished > IPP_STATUS_OK_EVENTS_COMPLETE) {
        return cups_failure("send document");
    }
    return job_id;
}

} // namespace krv
