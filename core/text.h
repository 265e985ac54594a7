// Small text rules shared by the program's modules.
#pragma once

#include <QString>

#include <vector>

namespace krv {

/// The text without its leading and trailing spaces (spaces only: not tabs or
/// other white space, which the host may store on purpose).
QString trim_spaces(const QString& text);

/// The text up to its first NUL character: the host's values are C strings on its
/// platform, and a field padded with NULs ends where its text ends.
QString before_first_nul(const QString& text);

/// The full path of a document: the folder, "/", and the name up to its first
/// NUL, without the trailing spaces that the exchange file's fixed-width field
/// leaves on it (they are significant on Linux).
QString document_path(const QString& folder, const QString& name);

/// Rich text that shows `text` as it stands: its markup escaped, its spaces and
/// line breaks kept. For where Qt guesses rich text with no way to say it is
/// plain (tooltips, the labels of its own dialogs): a document's or a file's
/// name would otherwise be read as HTML there, its images loaded.
QString literal_rich_text(const QString& text);

/// The text folded for matching the way a French reader expects: lower case,
/// accents and other marks dropped, ligatures and œ, æ, ß spelt out, typographic
/// apostrophes and non-breaking spaces made plain, a word cut by a hyphen at a
/// line end joined again ("cor-" and "rection": "correction"). `origin`, when
/// given, receives for each folded character the index of the character it
/// comes from.
QString fold_for_search(const QString& text, std::vector<int>* origin = nullptr);

/// A number as French writes it: groups of three digits apart ("12 345").
QString number_text(qint64 number);

/// A count with its noun, singular for 0 and 1 as French has it: "1 résultat",
/// "12 résultats".
QString count_of(qint64 count, const QString& one, const QString& many);

/// The line of a page's text round a hit, as a list of results shows it.
struct line_excerpt {
    QString text;
    int hit_start = 0; ///< where the hit stands in `text`
    int hit_length = 0;
};

/// The line that holds the characters [start, start + length) of `text` (a hit
/// that runs on to the next line takes it too), its white space made plain and
/// trimmed; longer than `width` characters, it is cut round the hit with "…".
line_excerpt line_around(const QString& text, int start, int length, int width = 80);

/// A range of a page's text, [start, end).
struct text_range {
    int start = 0;
    int end = 0;
    bool empty() const { return end <= start; }
};

/// The word of `text` at `boundary`: the one that starts there, else the one that
/// ends there (a point on a character's right half gives the boundary after
/// it); empty when neither side is a letter or a digit.
text_range word_at(const QString& text, int boundary);

/// The line of `text` that holds the character at `boundary` (or the one before it,
/// at a line's end), without its line break; empty on a break between lines.
text_range line_at(const QString& text, int boundary);

} // namespace krv
