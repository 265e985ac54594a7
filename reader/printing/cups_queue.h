// Printing a PDF through the print system (CUPS) with its C API: which formats a
// queue takes, and one job of a PDF with the dialog's options. Calls block (a
// socket, maybe the network): the reader makes them off the GUI thread.
#pragma once

#include "failure.h"

#include <QByteArray>

#include <memory>
#include <string>
#include <vector>

typedef struct _http_s http_t;

namespace krv {

/// A connection to the print system.
class cups_connection {
public:
    /// `host`: a host name or a domain socket's path; empty, the user's own
    /// (CUPS_SERVER, client.conf, or the local scheduler).
    static outcome<std::shared_ptr<cups_connection>> open(const std::string& host = {},
                                                          int port = 0);
    ~cups_connection();
    cups_connection(const cups_connection&) = delete;
    cups_connection& operator=(const cups_connection&) = delete;
    http_t* http() const { return http_; }

private:
    explicit cups_connection(http_t* http) : http_(http) {}
    http_t* http_;
};

struct queue_formats {
    bool accepts_pdf = false; ///< "application/pdf" among document-format-supported
    /// A raw queue lists PDF too (it takes anything) but applies no option:
    /// copies and ranges are then the sender's job. CUPS names them so.
    bool raw_queue = false; ///< printer-make-and-model "Local Raw Printer"
};

/// What a queue takes (cupsCopyDestInfo).
outcome<queue_formats> query_queue(cups_connection& connection, const std::string& queue);

struct job_options {
    int copies = 1;
    bool collate = true;
    std::string sides = "one-sided"; ///< or two-sided-long-edge, two-sided-short-edge
    std::string title;
};

/// Sends one PDF as one job; returns the job's number.
outcome<int> submit_pdf(cups_connection& connection, const std::string& queue,
                        const QByteArray& pdf, const job_options& options);

} // namespace krv
