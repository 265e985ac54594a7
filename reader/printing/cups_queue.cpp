#include "cups_queue.h"

#include <cups/cups.h>
#include <dlfcn.h>

namespace krv {

namespace {

// The print system's library is loaded when printing first needs it, not with the
// program: it brings GnuTLS, Kerberos and Avahi, some milliseconds of every start.
// clang-format off
#define KRV_CUPS_CALLS(X) \
    X(cupsLastErrorString) \
    X(cupsFreeDests) \
    X(cupsAddOption) \
    X(cupsFreeOptions) \
    X(cupsServer) \
    X(httpConnect2) \
    X(ippPort) \
    X(httpClose) \
    X(cupsGetNamedDest) \
    X(cupsCopyDestInfo) \
    X(cupsFindDestSupported) \
    X(ippGetCount) \
    X(ippGetString) \
    X(cupsGetOption) \
    X(cupsFreeDestInfo) \
    X(cupsCreateDestJob) \
    X(cupsStartDestDocument) \
    X(cupsWriteRequestData) \
    X(cupsFinishDestDocument)
// clang-format on

struct cups_calls {
#define KRV_CUPS_MEMBER(name) decltype(&::name) name = nullptr;
    KRV_CUPS_CALLS(KRV_CUPS_MEMBER)
#undef KRV_CUPS_MEMBER
    bool loaded = false;
};

cups_calls load_cups() {
    cups_calls calls;
    // By its versioned name, from the system's library folders only.
    void* library = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return calls;
    bool all = true;
#define KRV_CUPS_LOAD(name)                                                                        \
    calls.name = reinterpret_cast<decltype(&::name)>(dlsym(library, #name));                       \
    all = all && calls.name;
    KRV_CUPS_CALLS(KRV_CUPS_LOAD)
#undef KRV_CUPS_LOAD
    calls.loaded = all;
    return calls;
}

// Only called once a connection exists, which means the library loaded.
const cups_calls& cups() {
    static const cups_calls calls = load_cups();
    return calls;
}

failure cups_failure(const std::string& what) {
    return failure{failure_kind::internal, what + ": " + cups().cupsLastErrorString()};
}

// cups_dest_t with its cleanup.
struct dest_holder {
    cups_dest_t* dest = nullptr;
    ~dest_holder() {
        if (dest)
            cups().cupsFreeDests(1, dest);
    }
};

struct option_list {
    int count = 0;
    cups_option_t* options = nullptr;
    void add(const char* name, const std::string& value) {
        count = cups().cupsAddOption(name, value.c_str(), count, &options);
    }
    ~option_list() { cups().cupsFreeOptions(count, options); }
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
    if (!cups().loaded)
        return failure{failure_kind::unsupported, "libcups.so.2 cannot be loaded"};
    const std::string server = host.empty() ? cups().cupsServer() : host;
    // A server name starting with '/' is a domain socket; the port is ignored.
    http_t* http = cups().httpConnect2(server.c_str(), port ? port : cups().ippPort(), nullptr,
                                       AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED, 1, 5000, nullptr);
    if (!http) {
        return cups_failure("cannot connect to " + server);
    }
    return std::shared_ptr<cups_connection>(new cups_connection(http));
}

cups_connection::~cups_connection() {
    cups().httpClose(http_);
}

outcome<queue_formats> query_queue(cups_connection& connection, const std::string& queue) {
    dest_holder dest{cups().cupsGetNamedDest(connection.http(), queue.c_str(), nullptr)};
    if (!dest.dest)
        return cups_failure("no queue " + queue);
    cups_dinfo_t* info = cups().cupsCopyDestInfo(connection.http(), dest.dest);
    if (!info)
        return cups_failure("no information on " + queue);
    queue_formats result;
    if (ipp_attribute_t* formats =
            cups().cupsFindDestSupported(connection.http(), dest.dest, info, "document-format"))
        for (int i = 0; i < cups().ippGetCount(formats); ++i)
            result.accepts_pdf =
                result.accepts_pdf ||
                std::string(cups().ippGetString(formats, i, nullptr)) == CUPS_FORMAT_PDF;
    const char* model =
        cups().cupsGetOption("printer-make-and-model", dest.dest->num_options, dest.dest->options);
    result.raw_queue = model && std::string(model) == "Local Raw Printer";
    cups().cupsFreeDestInfo(info);
    return result;
}

outcome<int> submit_pdf(cups_connection& connection, const std::string& queue,
                        const QByteArray& pdf, const job_options& wanted) {
    dest_holder dest{cups().cupsGetNamedDest(connection.http(), queue.c_str(), nullptr)};
    if (!dest.dest) {
        return cups_failure("no queue " + queue);
    }
    cups_dinfo_t* info = cups().cupsCopyDestInfo(connection.http(), dest.dest);
    option_list options;
    fill_options(wanted, options);
    int job_id = 0;
    if (cups().cupsCreateDestJob(connection.http(), dest.dest, info, &job_id, wanted.title.c_str(),
                                 options.count, options.options) > IPP_STATUS_OK_EVENTS_COMPLETE) {
        cups().cupsFreeDestInfo(info);
        return cups_failure("create job");
    }
    // Job options go with the job; the document carries no options of its own.
    bool sent =
        cups().cupsStartDestDocument(connection.http(), dest.dest, info, job_id, "document.pdf",
                                     CUPS_FORMAT_PDF, 0, nullptr, 1) == HTTP_STATUS_CONTINUE;
    sent = sent &&
           cups().cupsWriteRequestData(connection.http(), pdf.constData(),
                                       static_cast<size_t>(pdf.size())) == HTTP_STATUS_CONTINUE;
    const ipp_status_t finished = cups().cupsFinishDestDocument(connection.http(), dest.dest, info);
    cups().cupsFreeDestInfo(info);
    if (!sent || finished > IPP_STATUS_OK_EVENTS_COMPLETE) {
        return cups_failure("send document");
    }
    return job_id;
}

} // namespace krv
