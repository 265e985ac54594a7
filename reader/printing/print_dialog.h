// Qt's print dialog as the help shows it. It says when no printer is available
// (else it silently offers printing to a file alone), and printing to a file
// asks first whenever the name exists, a symbolic link included, dangling or
// not. Qt's own check of the name has none of this: it takes a dangling link
// for a free name, and trying whether the name can be written, it creates an
// empty file where the link points and then removes the link.
#pragma once

#include <QString>

class QPrintDialog;
class QRadioButton;

namespace krv {

struct chapter_offer;

/// What printing to a file under a name needs first.
struct file_output_check {
    enum class verdict {
        go,     ///< a free name in a folder the user may write
        ask,    ///< the name exists: replace it only if the user agrees
        refuse, ///< say why, and let the user choose another name
    };
    verdict what = verdict::go;
    QString text; ///< the question or the refusal, in French
};

/// The check for `path` as the dialog gives it (a relative name is in the
/// home folder, where Qt's dialog puts it).
file_output_check check_file_output(const QString& path);

/// What the dialog says when no printer is available.
QString no_printer_text();

/// Adds to the dialog, before it shows, the notice that no printer is available
/// (when none is) and our check of a file's name in place of Qt's.
void adapt_print_dialog(QPrintDialog& dialog);

/// Adds the choice "Chapitre courant" under "Page courante", disabled with its
/// reason when the chapter is not known; null when the dialog is not the one we
/// know.
QRadioButton* add_chapter_choice(QPrintDialog& dialog, const chapter_offer& offer);

} // namespace krv
