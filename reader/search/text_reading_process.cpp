#include "text_reading_process.h"

#include "page_text_reading.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFile>

#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <limits>

namespace krv {

namespace {

constexpr quint32 wire_version = 2;
constexpr QDataStream::Version stream_version = QDataStream::Qt_6_4;
/// A page's message is its text and a few numbers: anything larger is not ours.
constexpr qint32 max_message = 64 * 1024 * 1024;

QString& program() {
    static QString path;
    return path;
}

void write_frame(QDataStream& out, const text_frame* frame) {
    out << bool(frame);
    if (!frame)
        return;
    const page_geometry& g = frame->geometry;
    out << g.crop_box.left << g.crop_box.bottom << g.crop_box.right << g.crop_box.top
        << qint32(g.rotation) << g.view_width << g.view_height << frame->partly_hidden;
}

std::shared_ptr<const text_frame> read_frame(QDataStream& in) {
    bool present = false;
    in >> present;
    if (!present)
        return nullptr;
    auto frame = std::make_shared<text_frame>();
    page_geometry& g = frame->geometry;
    qint32 rotation = 0;
    in >> g.crop_box.left >> g.crop_box.bottom >> g.crop_box.right >> g.crop_box.top >> rotation >>
        g.view_width >> g.view_height >> frame->partly_hidden;
    g.rotation = rotation;
    return frame;
}

bool write_all(int fd, const QByteArray& data) {
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t written =
            ::write(fd, data.constData() + done, static_cast<std::size_t>(data.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

int serve_text_reading() {
    // Dies with the help, however it ends.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() == 1)
        return 1;
    std::signal(SIGPIPE, SIG_IGN);
    int argc = 1;
    char name[] = "krv_pdf";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return 2;
    QDataStream request(input.readAll());
    request.setVersion(stream_version);
    quint32 version = 0;
    QByteArray bytes;
    QString password;
    QSizeF page_size;
    QList<qint32> pages;
    request >> version >> password >> page_size >> pages >> bytes;
    if (request.status() != QDataStream::Ok || version != wire_version)
        return 2;
    // Its memory goes when it ends: no opening again on the way.
    page_text_reader reader(std::move(bytes), password, page_size, std::numeric_limits<int>::max());
    for (const qint32 page : pages) {
        const std::optional<read_page> read = reader.read(page, nullptr);
        if (!read)
            return 3;
        QByteArray message;
        QDataStream out(&message, QIODevice::WriteOnly);
        out.setVersion(stream_version);
        out << qint32(0) << page << read->cut << read->raw;
        write_frame(out, read->frame.get());
        out.device()->seek(0);
        out << qint32(message.size() - 4);
        if (!write_all(STDOUT_FILENO, message))
            return 4;
    }
    return 0;
}

void text_reading_process::set_program(const QString& path) {
    program() = path;
}

bool text_reading_process::available() {
    return !program().isEmpty();
}

text_reading_process::text_reading_process(const QByteArray& bytes, const QString& password,
                                           QSizeF page_size, std::vector<int> pages,
                                           QObject* parent)
    : QObject(parent), document_(bytes), pages_(std::move(pages)) {
    connect(&process_, &QProcess::readyReadStandardOutput, this,
            &text_reading_process::take_output);
    connect(&process_, &QProcess::finished, this, &text_reading_process::ended);
    connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            ended();
    });
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The document goes last, as QDataStream writes a byte array (its size, then
    // its bytes), so that it is sent from where it lies, not copied into a request.
    QDataStream out(&request_, QIODevice::WriteOnly);
    out.setVersion(stream_version);
    out << wire_version << password << page_size << QList<qint32>(pages_.begin(), pages_.end())
        << quint32(bytes.size());
}

void text_reading_process::start() {
    const QStringList arguments{QString::fromLatin1(text_reading_argument)};
    // The request goes in as a file in memory (nothing on disk): through a pipe, a
    // 6 MiB document took the event loop a hundred turns of 64 KiB while the
    // process waited for it.
    if (const int memory = ::memfd_create("krv-lecture", MFD_CLOEXEC); memory >= 0) {
        if (write_all(memory, request_) && write_all(memory, document_)) {
            process_.setStandardInputFile(QStringLiteral("/proc/self/fd/%1").arg(memory));
            request_.clear();
            document_.clear();
            process_.start(program(), arguments);
            ::close(memory);
            return;
        }
        ::close(memory);
    }
    process_.start(program(), arguments);
    process_.write(std::exchange(request_, {}));
    process_.write(std::exchange(document_, {}));
    process_.closeWriteChannel();
}

text_reading_process::~text_reading_process() {
    process_.disconnect(this);
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(1000);
    }
}

void text_reading_process::end_later() {
    process_.disconnect(this);
    if (process_.state() == QProcess::NotRunning) {
        deleteLater();
        return;
    }
    // Waiting in the destructor for a killed process to go would hold the event
    // loop while the kernel tears it down.
    connect(&process_, &QProcess::finished, this, &QObject::deleteLater);
    connect(&process_, &QProcess::errorOccurred, this, &QObject::deleteLater);
    process_.kill();
}

void text_reading_process::take_output() {
    received_ += process_.readAllStandardOutput();
    qsizetype at = 0;
    while (!failed_ && received_.size() - at >= 4) {
        QDataStream length_of(received_.mid(at, 4));
        qint32 length = 0;
        length_of >> length;
        if (length < 0 || length > max_message) {
            failed_ = true;
            break;
        }
        if (received_.size() - at - 4 < length)
            break;
        QDataStream in(received_.mid(at + 4, length));
        in.setVersion(stream_version);
        qint32 page = -1;
        bool cut = false;
        QString raw;
        in >> page >> cut >> raw;
        auto frame = read_frame(in);
        at += 4 + length;
        if (in.status() != QDataStream::Ok || pages_read_ >= pages_.size() ||
            page != pages_[pages_read_]) {
            failed_ = true;
            break;
        }
        ++pages_read_;
        emit page_read(page, std::move(raw), std::move(frame), cut);
    }
    received_.remove(0, at);
    if (failed_ && process_.state() != QProcess::NotRunning)
        process_.kill(); // `finished` then says it failed
}

void text_reading_process::ended() {
    if (process_.bytesAvailable() > 0)
        take_output();
    if (pages_read_ < pages_.size() && !std::exchange(ended_, true))
        emit failed();
}

} // namespace krv
