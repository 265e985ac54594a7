#include "link_reader.h"

#include "action_reader.h"
#include "page_boxes.h"
#include "pdf_objects.h"
#include "qpdf_guard.h"
#include "structure_document.h"

#include <qpdf/QPDF.hh>

#include <algorithm>
#include <stdexcept>

namespace krv {

namespace {

std::optional<unsigned> colour_of(QPDFObjectHandle annotation) {
    auto colour = key_of(annotation, "/C");
    if (!colour.isArray() || colour.getArrayNItems() != 3)
        return std::nullopt; // none, grey or CMYK: the reader's own colour
    unsigned rgb = 0;
    for (int i = 0; i < 3; ++i) {
        auto part = colour.getArrayItem(i);
        const double value = part.isNumber() ? std::clamp(part.getNumericValue(), 0.0, 1.0) : 0.0;
        rgb = (rgb << 8) | static_cast<unsigned>(value * 255.0 + 0.5);
    }
    return rgb;
}

bool has_normal_appearance(QPDFObjectHandle annotation) {
    auto normal = key_of(key_of(annotation, "/AP"), "/N");
    return normal.isStream() || normal.isDictionary();
}

// The beginning of a note's text, cut after note_text_limit characters with "…":
// it shows in a tooltip, and a text of megabytes would be copied and laid out
// whole. Only the bytes that can hold one character more are converted.
std::string note_text(QPDFObjectHandle text) {
    std::string bytes = text.getStringValue();
    // Four bytes a character at most, after a byte-order mark of two or three.
    constexpr std::size_t enough = 4 * (note_text_limit + 1) + 4;
    if (bytes.size() > enough)
        bytes.resize(enough);
    std::string utf8 = QPDFObjectHandle::newString(bytes).getUTF8Value();
    std::size_t characters = 0;
    for (std::size_t end = 0; end < utf8.size(); ++end)
        if ((static_cast<unsigned char>(utf8[end]) & 0xC0) != 0x80 &&
            characters++ == note_text_limit) {
            utf8.resize(end);
            return utf8 + "\xE2\x80\xA6"; // "…"
        }
    return utf8;
}

page_note note_from(QPDFObjectHandle annotation, const view_rect& rect) {
    page_note note;
    note.rect = rect;
    if (auto icon = key_of(annotation, "/Name"); icon.isName())
        note.icon = icon.getName().substr(1);
    note.colour = colour_of(annotation);
    if (auto text = key_of(annotation, "/Contents"); text.isString())
        note.contents = note_text(text);
    note.has_own_appearance = has_normal_appearance(annotation);
    return note;
}

} // namespace

link_reader::link_reader(structure_document& document, std::size_t max_annotations)
    : document_(document), max_annotations_(max_annotations) {}

destination_resolver& link_reader::resolver() {
    if (!resolver_)
        resolver_.emplace(document_.pdf(), document_.pages());
    return *resolver_;
}

outcome<page_annotations> link_reader::annotations_of(int page_index) {
    auto result = guarded([&] { return read(page_index); });
    document_.drop_warnings();
    return result;
}

outcome<link_action> link_reader::outline_action(object_id item) {
    auto result = guarded(
        [&] { return action_of(document_.pdf().getObjectByID(item.number, item.generation)); });
    document_.drop_warnings();
    return result;
}

outcome<std::optional<jump_target>> link_reader::named_destination(const std::string& name) {
    auto result = guarded([&]() -> std::optional<jump_target> {
        const auto target = resolver().resolve(QPDFObjectHandle::newUnicodeString(name));
        if (!target)
            return std::nullopt;
        return jump_target_of(geometry_of(target->page_index), *target);
    });
    document_.drop_warnings();
    return result;
}

link_action link_reader::action_of(QPDFObjectHandle holder) {
    written_action written = read_action(holder, resolver());
    if (written.target)
        written.action.jump =
            jump_target_of(geometry_of(written.target->page_index), *written.target);
    return std::move(written.action);
}

const page_geometry& link_reader::geometry_of(int page_index) {
    auto found = geometries_.find(page_index);
    if (found == geometries_.end())
        found =
            geometries_.emplace(page_index, read_page_geometry(document_.pages().page(page_index)))
                .first;
    return found->second;
}

page_annotations link_reader::read(int page_index) {
    auto page = document_.pages().page(page_index);
    // The fast page index takes a /Pages node for a page when a /Count lies.
    if (key_of(page, "/Kids").isArray())
        throw std::runtime_error("page tree misread: a /Pages node taken for a page");
    const page_geometry& geometry = geometry_of(page_index);
    page_annotations result;
    auto annotations = key_of(page, "/Annots");
    const int count = annotations.isArray() ? annotations.getArrayNItems() : 0;
    for (int i = 0; i < count; ++i, ++annotations_read_) {
        if (static_cast<std::size_t>(i) >= max_annotations_) {
            result.limited = true;
            break;
        }
        auto annotation = annotations.getArrayItem(i);
        const bool link = has_subtype(annotation, "/Link");
        const bool note = has_subtype(annotation, "/Text");
        auto rect = key_of(annotation, "/Rect");
        if ((!link && !note) || !rect.isRectangle())
            continue; // not ours, or nowhere to point at
        const auto r = rect.getArrayAsRectangle();
        const view_rect area = to_view(geometry, normalised_rect(r.llx, r.lly, r.urx, r.ury));
        if (link)
            result.links.push_back({area, action_of(annotation)});
        else
            result.notes.push_back(note_from(annotation, area));
    }
    // Kept while the document shows: no room to spare.
    result.links.shrink_to_fit();
    result.notes.shrink_to_fit();
    return result;
}

} // namespace krv
