// A second process that reads a long document's text beside the pdf thread.
// Qt PDF lets one thread of a process into pdfium at a time, so the text of a
// 2,415-page manual took one core 8 to 10 s; the same program started in a
// text-reading mode reads part of the pages on another core and sends them back
// through a pipe (nothing is written to disk). Should it fail or die, the pdf
// thread reads its pages after all.
#pragma once

#include "text_frame.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QSizeF>
#include <QString>

#include <memory>
#include <vector>

namespace krv {

/// The argument that starts the program in its text-reading mode.
inline constexpr char text_reading_argument[] = "--lire-les-textes";

/// The text-reading mode: reads the request from standard input, writes each
/// page's text to standard output, returns the process's exit status.
int serve_text_reading();

class text_reading_process : public QObject {
    Q_OBJECT
public:
    /// The program to start in the text-reading mode (this program); none by
    /// default, and then every text is read on the pdf thread.
    static void set_program(const QString& path);
    static bool available();

    /// To read `pages`, in that order, of the document given by `bytes`.
    text_reading_process(const QByteArray& bytes, const QString& password, QSizeF page_size,
                         std::vector<int> pages, QObject* parent = nullptr);
    ~text_reading_process() override;
    /// Once its signals are connected: `failed` may come at once.
    void start();
    /// Ends its process, without a signal more, and goes once the process has
    /// gone (or with its parent, should that go first).
    void end_later();

signals:
    void page_read(int page, QString raw, std::shared_ptr<const text_frame> frame, bool cut);
    /// It ended before sending every page asked for (at once, if it could not start).
    void failed();

private:
    void take_output();
    void ended();

    QProcess process_;
    QByteArray request_;  ///< all but the document
    QByteArray document_; ///< shared with the document's own bytes

    QByteArray received_;
    std::vector<int> pages_;
    std::size_t pages_read_ = 0;
    bool failed_ = false; ///< what it sent is not what was asked for
    bool ended_ = false;
};

} // namespace krv
