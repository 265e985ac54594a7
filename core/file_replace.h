// Writing a file under a name without ever writing through it: the bytes go to
// a new file beside the name, renamed over it once complete, so that a failure
// never leaves half a file and a symbolic link under that name is replaced by
// the file, never followed to where it points (a dangling link would otherwise
// create a file there, a live one overwrite its target).
#pragma once

#include <QByteArray>
#include <QString>

namespace krv {

/// What a name itself stands for, a symbolic link not followed.
enum class name_kind { missing, regular, link, folder, other };
name_kind kind_of_name(const QString& path);

/// Writes `bytes` as the file `path`, as said above; a regular file replaced
/// keeps its permissions. 0, or the system's error number (a regular file the
/// user may not write gives EACCES: it is not replaced).
int replace_file(const QString& path, const QByteArray& bytes);

} // namespace krv
