#pragma once
// A cupsd of the test's own: private configuration, spool and log folders in a
// temporary directory, listening on a private domain socket only, never
// touching /etc/cups or the system's scheduler. Needs root (cupsd drops to
// User lp for filters, and refuses to run file: queues otherwise).

#include <QByteArray>
#include <QTemporaryDir>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace krv::samples {

class private_cups_server {
public:
    // Writes the configuration, starts `cupsd -f`, and returns once the
    // scheduler answers an IPP request on its socket (or nullptr on timeout).
    static std::unique_ptr<private_cups_server> start(std::chrono::milliseconds timeout);
    ~private_cups_server(); // SIGTERM, wait (bounded), SIGKILL if needed, remove files

    const std::string& socket_path() const { return socket_; }
    std::string folder() const { return dir_.path().toStdString(); }

    // Adds an enabled queue whose device is file://<output>, or the capture
    // backend when `output` is "krvcapture:/path" (it also writes /path.args
    // with the copies and options CUPS passed). Without a PPD the queue is raw;
    // with one, its filters run. Note: a raw queue with a file: device writes
    // nothing at all in CUPS 2.4 (no filter, no backend: the job "completes").
    bool add_file_queue(const std::string& name, const std::string& output,
                        const std::string& ppd_path = {});

    // Writes a minimal PPD for a "PDF sink": the queue takes PDF, CUPS runs
    // cups-filters' pdftopdf (page-ranges, copies, collate, number-up...), and
    // the resulting PDF goes to the device unchanged. Returns its path.
    std::string write_pdf_sink_ppd() const;

    std::string error_log() const;

private:
    private_cups_server() = default;
    bool write_configuration();
    bool wait_until_ready(std::chrono::milliseconds timeout);

    QTemporaryDir dir_;
    std::string socket_;
    long pid_ = 0;
};

} // namespace krv::samples
