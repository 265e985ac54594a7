#include "form_appearance.h"

#include "byte_array_pipeline.h"
#include "pdf_objects.h"
#include "qpdf_guard.h"
#include "structure_document.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <set>

namespace krv {

namespace {

bool lacks_appearance(QPDFAnnotationObjectHelper& widget) {
    auto normal = key_of(key_of(widget.getObjectHandle(), "/AP"), "/N");
    return !(normal.isStream() || normal.isDictionary());
}

bool is_text_or_choice(QPDFFormFieldObjectHelper& field) {
    const auto type = field.getFieldType();
    return type == "/Tx" || type == "/Ch";
}

// A cheap first look: a document without fields is not rewritten (rewriting
// resolves the whole file).
bool has_fields(QPDF& pdf) {
    auto fields = key_of(key_of(pdf.getRoot(), "/AcroForm"), "/Fields");
    return fields.isArray() && fields.getArrayNItems() > 0;
}

// Text and choice fields with a value but no appearance of their own.
bool some_value_lacks_appearance(QPDF& pdf, QPDFAcroFormDocumentHelper& form) {
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages())
        for (auto& widget : form.getWidgetAnnotationsForPage(page)) {
            auto field = form.getFieldForAnnotation(widget);
            if (!field.isNull() && is_text_or_choice(field) && !field.getValue().isNull() &&
                lacks_appearance(widget))
                return true;
        }
    return false;
}

int page_rotation(QPDFPageObjectHelper& page) {
    auto rotate = page.getAttribute("/Rotate", false);
    return rotate.isInteger() ? static_cast<int>(rotate.getIntValue()) : 0;
}

// Draws each widget's normal appearance into the page content, as qpdf's
// flattenAnnotations() does, but for widgets only.
void flatten_widgets_of_page(QPDF& pdf, QPDFAcroFormDocumentHelper& form,
                             QPDFPageObjectHelper& page) {
    auto widgets = form.getWidgetAnnotationsForPage(page);
    if (widgets.empty()) {
        return;
    }
    auto resources = page.getAttribute("/Resources", true);
    if (!resources.isDictionary()) {
        resources = QPDFObjectHandle::newDictionary();
        page.getObjectHandle().replaceKey("/Resources", resources);
    }
    if (!resources.getKey("/XObject").isDictionary()) {
        resources.replaceKey("/XObject", QPDFObjectHandle::newDictionary());
    }
    auto xobjects = resources.getKey("/XObject");
    const int rotate = page_rotation(page);
    std::string content;
    int suffix = 0;
    std::set<QPDFObjGen> flattened;
    for (auto& widget : widgets) {
        const std::string name = resources.getUniqueResourceName("/KrvField", suffix);
        const std::string drawing = widget.getPageContentForAppearance(name, rotate);
        if (!drawing.empty()) {
            xobjects.replaceKey(name, widget.getAppearanceStream("/N"));
            content += drawing;
        }
        flattened.insert(widget.getObjectHandle().getObjGen());
    }
    // Isolate the original content's graphics state from what we append.
    page.addPageContents(pdf.newStream("q\n"), true);
    page.addPageContents(pdf.newStream("\nQ\n" + content), false);
    auto kept = QPDFObjectHandle::newArray();
    for (auto& annotation : page.getAnnotations()) {
        if (!flattened.count(annotation.getObjectHandle().getObjGen())) {
            kept.appendItem(annotation.getObjectHandle());
        }
    }
    page.getObjectHandle().replaceKey("/Annots", kept);
}

void flatten_widgets(QPDF& pdf, QPDFAcroFormDocumentHelper& form) {
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        flatten_widgets_of_page(pdf, form, page);
    }
    // The fields have no widget left: the form goes, so that nothing draws them again.
    pdf.getRoot().removeKey("/AcroForm");
}

QByteArray write_to_memory(QPDF& pdf) {
    QByteArray output;
    byte_array_pipeline sink(output);
    QPDFWriter writer(pdf);
    writer.setOutputPipeline(&sink);
    writer.write();
    return output;
}

} // namespace

outcome<std::optional<QByteArray>> merge_form_appearances(structure_document& document) {
    auto result = guarded([&]() -> std::optional<QByteArray> {
        auto& pdf = document.pdf();
        if (!has_fields(pdf))
            return std::nullopt;
        QPDFAcroFormDocumentHelper form(pdf);
        if (form.getNeedAppearances() || some_value_lacks_appearance(pdf, form)) {
            // generateAppearancesIfNeeded() acts only when /NeedAppearances is
            // true, so a file that merely lacks an appearance is flagged first.
            form.setNeedAppearances(true);
            form.generateAppearancesIfNeeded();
        }
        flatten_widgets(pdf, form);
        return write_to_memory(pdf);
    });
    document.drop_warnings();
    return result;
}

} // namespace krv
