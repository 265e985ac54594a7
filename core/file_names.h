// File names as the file system holds them: bytes, usually UTF-8 but not always
// (a name written on another system may be Latin-1). The program keeps them in
// QString without losing a byte: valid UTF-8 is decoded normally and each byte
// of an invalid sequence becomes the lone surrogate U+DC00 + byte (the
// "surrogate escape"), which encoding turns back into that very byte.
#pragma once

#include <QByteArray>
#include <QString>

namespace krv {

/// The name or path of the file system's bytes, losslessly.
QString decode_file_name(const QByteArray& bytes);

/// The exact bytes of a name or path made by decode_file_name (or typed as text).
QByteArray encode_file_name(const QString& name);

/// The name as a person reads it: unchanged when its bytes are valid UTF-8,
/// otherwise all its bytes read as Windows-1252, the host's code page, so that
/// the Latin-1 bytes "caf\xE9.pdf" read "café.pdf". For display only.
QString readable_file_name(const QString& name);

/// The last part of a path (what follows its last "/").
QString file_name_of(const QString& path);

/// The folder part of a path (what precedes its last "/"; "/" for the root).
QString folder_of(const QString& path);

/// What lies at a path, as stat() sees it through links.
enum class file_type { missing, regular, folder, other };
file_type type_of(const QString& path);

/// What a file that is not a regular one is, in French ("tube nommé",
/// "périphérique"...), from stat()'s st_mode.
QString file_kind_text(unsigned mode);

/// The process's current folder, losslessly; when the folder has been deleted,
/// the path it had (so that a message can name it).
QString current_folder();

} // namespace krv
