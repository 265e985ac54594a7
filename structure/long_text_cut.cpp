#include "long_text_cut.h"

#include "cross_reference_rebuild.h"
#include "pdf_objects.h"
#include "raw_objects.h"

#include <qpdf/QPDF.hh>

namespace krv {

namespace {

// The first `bound` bytes of a text string, no character split: UTF-16BE is
// cut between code units and before a lone high surrogate, UTF-8 between
// characters.
std::string cut(const std::string& text, std::size_t bound) {
    std::size_t size = bound;
    if (text.compare(0, 2, "\xFE\xFF") == 0) {
        size &= ~std::size_t(1);
        if (size >= 4 && (static_cast<unsigned char>(text[size - 2]) & 0xFC) == 0xD8)
            size -= 2;
    } else if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        while (size > 3 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80)
            --size;
    }
    return text.substr(0, size);
}

bool is_annotation(QPDFObjectHandle object) {
    return object.isDictionary() && !object.isStream() && object.getKey("/Rect").isArray() &&
           object.getKey("/Subtype").isName();
}

// The strings written in the dictionary itself; those that are objects of
// their own are cut as such.
bool cut_strings(QPDFObjectHandle dictionary, std::size_t bound) {
    bool changed = false;
    for (const auto& key : dictionary.getKeys()) {
        auto value = dictionary.getKey(key);
        if (value.isIndirect() || !value.isString())
            continue;
        const std::string text = value.getStringValue();
        if (text.size() > bound) {
            dictionary.replaceKey(key, QPDFObjectHandle::newString(cut(text, bound)));
            changed = true;
        }
    }
    return changed;
}

bool cut_annotations(QPDFObjectHandle annotations, std::size_t bound) {
    bool changed = false;
    const int count = annotations.getArrayNItems();
    for (int i = 0; i < count; ++i) {
        auto annotation = annotations.getArrayItem(i);
        if (!annotation.isIndirect() && is_annotation(annotation))
            changed = cut_strings(annotation, bound) || changed;
    }
    return changed;
}

} // namespace

std::vector<QPDFObjGen> cut_long_texts(QPDF& pdf, raw_objects& raw, std::size_t bound) {
    std::vector<QPDFObjGen> changed;
    for (const QPDFObjGen id : raw.larger_than(bound)) {
        auto object = pdf.getObjectByObjGen(id);
        bool cut_here = false;
        if (object.isString()) {
            const std::string text = object.getStringValue();
            if (text.size() > bound) {
                pdf.replaceObject(id, QPDFObjectHandle::newString(cut(text, bound)));
                cut_here = true;
            }
        } else if (object.isArray()) {
            cut_here = cut_annotations(object, bound);
        } else if (object.isDictionary() && !object.isStream()) {
            cut_here = is_annotation(object) && cut_strings(object, bound);
            auto annotations = object.getKey("/Annots");
            if (annotations.isArray() && !annotations.isIndirect())
                cut_here = cut_annotations(annotations, bound) || cut_here;
        }
        if (cut_here)
            changed.push_back(id);
    }
    return changed;
}

QByteArray with_objects_updated(const QByteArray& bytes, QPDF& pdf,
                                const std::vector<QPDFObjGen>& changed) {
    std::map<long long, object_location> objects;
    for (const auto& [id, entry] : pdf.getXRefTable()) {
        if (entry.getType() == 1)
            objects[id.getObj()] = {1, entry.getOffset(), id.getGen()};
        else if (entry.getType() == 2)
            objects[id.getObj()] = {2, entry.getObjStreamNumber(), entry.getObjStreamIndex()};
    }
    QByteArray output = bytes;
    output.append('\n');
    for (const QPDFObjGen id : changed) {
        objects[id.getObj()] = {1, output.size(), id.getGen()};
        output.append(
            QByteArray::number(id.getObj()) + ' ' + QByteArray::number(id.getGen()) + " obj\n" +
            QByteArray::fromStdString(pdf.getObjectByObjGen(id).unparseResolved()) + "\nendobj\n");
    }
    std::string entries;
    auto trailer = pdf.getTrailer();
    for (const char* key : {"/Root", "/Info", "/ID"})
        if (trailer.hasKey(key))
            entries +=
                std::string(entries.empty() ? "" : " ") + key + ' ' + trailer.getKey(key).unparse();
    append_cross_reference_stream(output, objects, entries);
    return output;
}

} // namespace krv
