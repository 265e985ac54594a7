#include "file_names.h"

#include "codepage.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <climits>

namespace krv {

namespace {

constexpr char16_t escape_base = 0xDC00; // + byte, for bytes 0x80 to 0xFF

bool is_escape(char16_t c) {
    return c >= escape_base + 0x80 && c <= escape_base + 0xFF;
}

bool is_continuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence at `p` (RFC 3629: shortest form, no
// surrogates, nothing above U+10FFFF), or 0 when it is not one; `code` gets the
// code point.
int utf8_sequence(const unsigned char* p, qsizetype left, char32_t& code) {
    const unsigned char b = p[0];
    if (b < 0x80) {
        code = b;
        return 1;
    }
    int length = 0;
    char32_t minimum = 0;
    if ((b & 0xE0) == 0xC0) {
        length = 2, code = b & 0x1F, minimum = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        length = 3, code = b & 0x0F, minimum = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        length = 4, code = b & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if (!is_continuation(p[i]))
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

void append_utf8(QByteArray& out, char32_t code) {
    if (code < 0x80) {
        out.append(static_cast<char>(code));
    } else if (code < 0x800) {
        out.append(static_cast<char>(0xC0 | (code >> 6)));
        out.append(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.append(static_cast<char>(0xE0 | (code >> 12)));
        out.append(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.append(static_cast<char>(0xF0 | (code >> 18)));
        out.append(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.append(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

} // namespace

QString decode_file_name(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        char32_t code = 0;
        const int length = utf8_sequence(p + i, size - i, code);
        if (length == 0) {
            out.append(QChar(static_cast<char16_t>(escape_base + p[i])));
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            out.append(QChar(QChar::highSurrogate(code)));
            out.append(QChar(QChar::lowSurrogate(code)));
        } else {
            out.append(QChar(static_cast<char16_t>(code)));
        }
        i += length;
    }
    return out;
}

QByteArray encode_file_name(const QString& name) {
    QByteArray out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (is_escape(c)) {
            out.append(static_cast<char>(c - escape_base));
        } else if (QChar::isHighSurrogate(c) && i + 1 < name.size() &&
                   QChar::isLowSurrogate(name[i + 1].unicode())) {
            append_utf8(out, QChar::surrogateToUcs4(c, name[i + 1].unicode()));
            ++i;
        } else if (QChar::isSurrogate(c)) {
            append_utf8(out, 0xFFFD); // a lone surrogate no decoding gives
        } else {
            append_utf8(out, c);
        }
    }
    return out;
}

QString readable_file_name(const QString& name) {
    bool escaped = false;
    for (const QChar c : name)
        escaped = escaped || is_escape(c.unicode());
    if (!escaped)
        return name;
    const QByteArray bytes = encode_file_name(name);
    QString text;
    text.reserve(bytes.size());
    for (const char b : bytes)
        text.append(QChar(cp1252_to_char(static_cast<std::uint8_t>(b))));
    return text;
}

QString file_name_of(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString folder_of(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return QStringLiteral(".");
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

file_type type_of(const QString& path) {
    struct stat info;
    if (::stat(encode_file_name(path).constData(), &info) != 0)
        return file_type::missing;
    if (S_ISREG(info.st_mode))
        return file_type::regular;
    return S_ISDIR(info.st_mode) ? file_type::folder : file_type::other;
}

QString file_kind_text(unsigned mode) {
    if (S_ISFIFO(mode))
        return QStringLiteral("tube nommé");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("périphérique");
    if (S_ISSOCK(mode))
        return QStringLiteral("socket");
    if (S_ISDIR(mode))
        return QStringLiteral("dossier");
    if (S_ISLNK(mode))
        return QStringLiteral("lien symbolique");
    return QStringLiteral("fichier spécial");
}

QString current_folder() {
    std::array<char, PATH_MAX + 1> buffer{};
    if (::getcwd(buffer.data(), buffer.size()))
        return decode_file_name(QByteArray(buffer.data()));
    // Deleted under us: the kernel still knows the path it had.
    const ssize_t length = ::readlink("/proc/self/cwd", buffer.data(), buffer.size() - 1);
    if (length <= 0)
        return QStringLiteral(".");
    QByteArray path(buffer.data(), length);
    const QByteArray deleted = " (deleted)";
    if (path.endsWith(deleted))
        path.chop(deleted.size());
    return decode_file_name(path);
}

} // namespace krv
