// The place where a document opens, as the host may write it after the
// document's name in the exchange file, in the open parameters readers of PDF
// on the web know: "guide.PDF#page=12", "guide.PDF#nameddest=fiche_client",
// "guide.PDF#search=remise" (several joined by "&"; others are ignored), and ours
// for a search's n-th hit on the page, "#page=3&search=remise&hit=2".
#pragma once

#include <QString>

#include <functional>

namespace krv {

/// Where a document opens; nothing asked for opens it at its first page.
struct document_place {
    int page = 0;        ///< from 1; 0 when none was asked for (or none that can be)
    QString destination; ///< a named destination of the document; empty for none
    QString search;      ///< what to look for once there; empty for none
    int occurrence = 0;  ///< which hit of that page the search shows first, from 0

    bool empty() const {
        return page == 0 && destination.isEmpty() && search.isEmpty() && occurrence == 0;
    }
    friend bool operator==(const document_place&, const document_place&) = default;
};

/// A document's name and the place it opens at.
struct placed_name {
    QString name;
    document_place place;
};

/// Reads the open parameters that follow a "#" (without it). Escapes "%XX" are
/// decoded, numbers' too: a run of them as UTF-8, or as Windows-1252 where it
/// is not valid UTF-8; an invalid one stays as typed; a NUL ends the value.
document_place parse_place(const QString& parameters);

/// The open parameters of a place, "#" included ("#page=3&search=remise"; empty
/// for no place); parse_place reads them back.
QString place_parameters(const document_place& place);

/// Splits the host's value into the document's name and its place, only when the
/// whole value (up to its first NUL, without trailing spaces) names no existing
/// file and the part before a "#" does: a file whose real name holds "#" keeps
/// it. When no part names a file, a place is still split off where what follows
/// a "#" asks for one ("absent.pdf#page=2"), so that the name is the file's
/// alone. `exists` tells whether a name exists in the documents' folder.
/// Without a place the value comes back unchanged.
placed_name split_place(const QString& value, const std::function<bool(const QString&)>& exists);

} // namespace krv
