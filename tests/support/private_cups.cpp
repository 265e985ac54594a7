#include "private_cups.h"

#include <cups/cups.h>

#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace krv::samples {

namespace {

bool write_file(const QString& path, const std::string& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(text.data(), static_cast<qint64>(text.size())) ==
           static_cast<qint64>(text.size());
}

// Everyone may do everything: the socket lives in a private 0700 folder.
std::string cupsd_conf(const std::string& socket) {
    return "Listen " + socket +
           "\n"
           "LogLevel debug\n"
           "MaxLogSize 0\n"
           "Browsing No\n"
           "WebInterface No\n"
           "DefaultAuthType None\n"
           "JobRetryLimit 0\n"
           "PreserveJobHistory Yes\n"
           "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
           "<Policy default>\n  <Limit All>\n    Order deny,allow\n    Allow all\n  "
           "</Limit>\n</Policy>\n";
}

std::string cups_files_conf(const std::string& root) {
    return "FileDevice Yes\n" // allows file:// device URIs (off by default)
           "ServerBin " +
           root +
           "/bin\n" // system filters + our capture backend
           "ServerRoot " +
           root +
           "/conf\n"
           "RequestRoot " +
           root +
           "/spool\n"
           "TempDir " +
           root +
           "/spool/tmp\n"
           "CacheDir " +
           root +
           "/cache\n"
           "StateDir " +
           root +
           "/state\n"
           "AccessLog " +
           root +
           "/log/access_log\n"
           "ErrorLog " +
           root +
           "/log/error_log\n"
           "PageLog " +
           root +
           "/log/page_log\n"
           "SystemGroup root\n"
           "User lp\n"
           "Group lp\n";
}

// A backend that records what a printer would receive: the job file as sent
// (raw queues do no filtering) and the argv CUPS gives backends (copies,
// options). Device URI: krvcapture:/path/to/output.
constexpr const char* capture_backend =
    "#!/bin/sh\n"
    "# Test-only CUPS backend: copies the job to the path in DEVICE_URI.\n"
    "if [ $# -eq 0 ]; then echo 'direct krvcapture \"Unknown\" \"KRV capture\"'; exit 0; fi\n"
    "out=\"${DEVICE_URI#krvcapture:}\"\n"
    "printf 'copies=%s\\noptions=%s\\n' \"$4\" \"$5\" > \"$out.args\"\n"
    "if [ -n \"$6\" ]; then cat \"$6\" > \"$out\"; else cat > \"$out\"; fi\n";

// ServerBin of our own: the system's filters and daemons through symbolic
// links, and the system's backends plus the capture backend.
bool write_server_bin(const std::string& root) {
    const std::string bin = root + "/bin";
    for (const char* sub : {"filter", "daemon", "notifier", "monitor", "driver", "command"}) {
        const std::string target = std::string("/usr/lib/cups/") + sub;
        if (access(target.c_str(), F_OK) == 0 &&
            symlink(target.c_str(), (bin + "/" + sub).c_str()) != 0)
            return false;
    }
    QDir system_backends("/usr/lib/cups/backend");
    for (const QString& name : system_backends.entryList(QDir::Files | QDir::NoDotAndDotDot)) {
        const std::string target = system_backends.filePath(name).toStdString();
        if (symlink(target.c_str(), (bin + "/backend/" + name.toStdString()).c_str()) != 0)
            return false;
    }
    const std::string backend = bin + "/backend/krvcapture";
    if (!write_file(QString::fromStdString(backend), capture_backend))
        return false;
    return chmod(backend.c_str(), 0755) == 0; // 0755: runs as User lp, like real backends
}

bool answers_ipp(const std::string& socket) {
    http_t* http =
        httpConnect2(socket.c_str(), 0, nullptr, AF_LOCAL, HTTP_ENCRYPTION_NEVER, 1, 200, nullptr);
    if (!http)
        return false;
    // Any IPP answer will do: with no queue yet, CUPS-Get-Printers answers
    // client-error-not-found, which still proves the scheduler is serving.
    ipp_t* response = cupsDoRequest(http, ippNewRequest(IPP_OP_CUPS_GET_PRINTERS), "/");
    const bool ok = response != nullptr;
    ippDelete(response);
    httpClose(http);
    return ok;
}

} // namespace

std::unique_ptr<private_cups_server> private_cups_server::start(std::chrono::milliseconds timeout) {
    std::unique_ptr<private_cups_server> server(new private_cups_server());
    if (!server->dir_.isValid() || !server->write_configuration())
        return nullptr;
    const std::string root = server->folder();
    const pid_t child = fork();
    if (child == 0) {
        // -f: stay in the foreground, so the pid is the scheduler's and the
        // test can stop it; -c/-s: our configuration files only.
        const std::string conf = root + "/conf/cupsd.conf";
        const std::string files = root + "/conf/cups-files.conf";
        execl("/usr/sbin/cupsd", "cupsd", "-f", "-c", conf.c_str(), "-s", files.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    server->pid_ = child;
    if (!server->wait_until_ready(timeout))
        return nullptr; // destructor stops it
    return server;
}

bool private_cups_server::write_configuration() {
    const std::string root = folder();
    socket_ = root + "/cups.sock";
    QDir base(dir_.path());
    for (const char* sub : {"conf", "conf/ppd", "spool", "spool/tmp", "cache", "state", "log",
                            "out", "bin/backend"}) {
        if (!base.mkpath(sub))
            return false;
    }
    if (!write_server_bin(root))
        return false;
    // cupsd runs filters as lp: they must reach the spool and the output
    // folder. QTemporaryDir is 0700, so open the path up (test-only folder).
    chmod(root.c_str(), 0755);
    chmod((root + "/out").c_str(), 0777);
    chmod((root + "/spool/tmp").c_str(), 01777);
    return write_file(base.filePath("conf/cupsd.conf"), cupsd_conf(socket_)) &&
           write_file(base.filePath("conf/cups-files.conf"), cups_files_conf(root));
}

// Readiness = the scheduler answers IPP on its socket. Polled with a short,
// growing pause and a deadline; gives up early if cupsd exits.
bool private_cups_server::wait_until_ready(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto pause = std::chrono::milliseconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(static_cast<pid_t>(pid_), &status, WNOHANG) == static_cast<pid_t>(pid_)) {
            pid_ = 0; // it died: configuration error, see error_log()
            return false;
        }
        if (access(socket_.c_str(), F_OK) == 0 && answers_ipp(socket_))
            return true;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(100));
    }
    return false;
}

private_cups_server::~private_cups_server() {
    if (pid_ <= 0)
        return;
    const auto child = static_cast<pid_t>(pid_);
    kill(child, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(child, nullptr, WNOHANG) == child)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

bool private_cups_server::add_file_queue(const std::string& name, const std::string& output,
                                         const std::string& ppd_path) {
    http_t* http = httpConnect2(socket_.c_str(), 0, nullptr, AF_LOCAL, HTTP_ENCRYPTION_NEVER, 1,
                                5000, nullptr);
    if (!http)
        return false;
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER);
    const std::string uri = "ipp://localhost/printers/" + name;
    const std::string device = output.rfind("krvcapture:", 0) == 0 ? output : "file://" + output;
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", nullptr, device.c_str());
    ippAddBoolean(request, IPP_TAG_PRINTER, "printer-is-accepting-jobs", 1);
    ippAddInteger(request, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state", IPP_PSTATE_IDLE);
    // With a PPD file attached, cupsd installs it for the queue (deprecated
    // in CUPS 2.x but still supported in 2.4).
    ipp_t* response = ppd_path.empty()
                          ? cupsDoRequest(http, request, "/admin/")
                          : cupsDoFileRequest(http, request, "/admin/", ppd_path.c_str());
    const bool ok = response && ippGetStatusCode(response) <= IPP_STATUS_OK_EVENTS_COMPLETE;
    ippDelete(response);
    httpClose(http);
    return ok;
}

std::string private_cups_server::write_pdf_sink_ppd() const {
    // The *cupsFilter2 line is the whole driver: the printer's input is
    // application/vnd.cups-pdf (pdftopdf's output), sent on with no program
    // ("-"). CUPS finds application/pdf -> vnd.cups-pdf = pdftopdf in
    // cupsfilters.convs (package cups-filters-core-drivers).
    static const char* ppd =
        "*PPD-Adobe: \"4.3\"\n"
        "*FormatVersion: \"4.3\"\n"
        "*FileVersion: \"1.0\"\n"
        "*LanguageVersion: English\n"
        "*LanguageEncoding: ISOLatin1\n"
        "*PCFileName: \"KRVPDF.PPD\"\n"
        "*Manufacturer: \"KRV\"\n"
        "*Product: \"(KRV test PDF sink)\"\n"
        "*ModelName: \"KRV test PDF sink\"\n"
        "*ShortNickName: \"KRV test PDF sink\"\n"
        "*NickName: \"KRV test PDF sink\"\n"
        "*PSVersion: \"(3010.000) 0\"\n"
        "*LanguageLevel: \"3\"\n"
        "*ColorDevice: True\n"
        "*DefaultColorSpace: RGB\n"
        "*FileSystem: False\n"
        "*Throughput: \"1\"\n"
        "*cupsVersion: 2.4\n"
        "*cupsFilter2: \"application/vnd.cups-pdf application/pdf 0 -\"\n"
        // pdftopdf makes the copies itself only when told the device cannot.
        "*cupsManualCopies: True\n"
        "*OpenUI *PageSize/Page Size: PickOne\n"
        "*OrderDependency: 10 AnySetup *PageSize\n"
        "*DefaultPageSize: A4\n"
        "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
        "*CloseUI: *PageSize\n"
        "*OpenUI *PageRegion: PickOne\n"
        "*OrderDependency: 10 AnySetup *PageRegion\n"
        "*DefaultPageRegion: A4\n"
        "*PageRegion A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
        "*CloseUI: *PageRegion\n"
        "*DefaultImageableArea: A4\n"
        "*ImageableArea A4: \"0 0 595 842\"\n"
        "*DefaultPaperDimension: A4\n"
        "*PaperDimension A4: \"595 842\"\n"
        "*OpenUI *Duplex/2-Sided Printing: PickOne\n"
        "*OrderDependency: 10 AnySetup *Duplex\n"
        "*DefaultDuplex: None\n"
        "*Duplex None/Off: \"<</Duplex false>>setpagedevice\"\n"
        "*Duplex DuplexNoTumble/Long Edge: \"<</Duplex true/Tumble false>>setpagedevice\"\n"
        "*Duplex DuplexTumble/Short Edge: \"<</Duplex true/Tumble true>>setpagedevice\"\n"
        "*CloseUI: *Duplex\n";
    const std::string path = folder() + "/pdf-sink.ppd";
    write_file(QString::fromStdString(path), ppd);
    return path;
}

std::string private_cups_server::error_log() const {
    QFile file(dir_.filePath("log/error_log"));
    file.open(QIODevice::ReadOnly);
    return file.readAll().toStdString();
}

} // namespace krv::samples
