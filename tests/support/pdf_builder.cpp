#include "pdf_builder.h"

#include "byte_array_pipeline.h"
#include "codepage.h"

#include <QFile>

#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <sstream>

namespace krv::samples {

namespace {

QPDFObjectHandle number(double value) {
    return QPDFObjectHandle::newReal(value, 2, true);
}

QPDFObjectHandle number_or_null(std::optional<double> value) {
    return value ? number(*value) : QPDFObjectHandle::newNull();
}

QPDFObjectHandle rectangle(const pdf_rect& rect) {
    return QPDFObjectHandle::newArray(
        QPDFObjectHandle::Rectangle(rect.left, rect.bottom, rect.right, rect.top));
}

QPDFObjectHandle colour_array(const rgb& colour) {
    return QPDFObjectHandle::newArray(
        {number(colour.red), number(colour.green), number(colour.blue)});
}

// Page text is drawn in WinAnsi: each character goes as its Windows-1252 byte.
std::string pdf_string(const std::string& text) {
    std::string bytes;
    for (QChar c : QString::fromStdString(text))
        bytes += static_cast<char>(krv::char_to_cp1252(c.unicode()));
    return QPDFObjectHandle::newString(bytes).unparse(); // escapes ( ) and backslashes
}

std::string fill_operators(const pdf_rect& rect, const rgb& colour) {
    std::ostringstream out;
    out << "q " << colour.red << ' ' << colour.green << ' ' << colour.blue << " rg " << rect.left
        << ' ' << rect.bottom << ' ' << rect.right - rect.left << ' ' << rect.top - rect.bottom
        << " re f Q\n";
    return out.str();
}

std::string text_operators(const page_layout& layout) {
    std::ostringstream out;
    const double x = layout.media_box.left + 40;
    const double y = layout.media_box.top - 80;
    out << "BT /F1 36 Tf 0 0 0 rg " << x << ' ' << y << " Td " << pdf_string(layout.label)
        << " Tj ET\n";
    if (!layout.body_lines.empty()) {
        out << "BT /F1 10 Tf 12 TL " << x << ' ' << y - 30 << " Td\n";
        for (const auto& line : layout.body_lines) {
            out << pdf_string(line) << " '\n";
        }
        out << "ET\n";
    }
    return out.str();
}

QPDFObjectHandle helvetica() {
    return "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"_qpdf;
}

} // namespace

pdf_builder::pdf_builder() {
    pdf_.emptyPDF();
    old_destinations_ = QPDFObjectHandle::newDictionary();
}

int pdf_builder::add_page(const page_layout& layout) {
    auto page = QPDFObjectHandle::newDictionary();
    page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
    page.replaceKey("/MediaBox", rectangle(layout.media_box));
    if (layout.crop_box) {
        page.replaceKey("/CropBox", rectangle(*layout.crop_box));
    }
    if (layout.rotate != 0) {
        page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(layout.rotate));
    }
    auto font = pdf_.makeIndirectObject(helvetica());
    page.replaceKey("/Resources",
                    QPDFObjectHandle::newDictionary(
                        {{"/Font", QPDFObjectHandle::newDictionary({{"/F1", font}})}}));
    QPDFPageDocumentHelper(pdf_).addPage(QPDFPageObjectHelper(page), false);
    pages_.push_back({pdf_.getAllPages().back(),
                      fill_operators(layout.media_box, layout.colour) + text_operators(layout)});
    return static_cast<int>(pages_.size()) - 1;
}

void pdf_builder::add_marker(int page, pdf_rect rect, rgb colour) {
    pages_.at(static_cast<std::size_t>(page)).content += fill_operators(rect, colour);
}

void pdf_builder::add_text(int page, double x, double y, double size, const std::string& text) {
    std::ostringstream out;
    out << "BT /F1 " << size << " Tf 0 0 0 rg " << x << ' ' << y << " Td " << pdf_string(text)
        << " Tj ET\n";
    pages_.at(static_cast<std::size_t>(page)).content += out.str();
}

QPDFObjectHandle pdf_builder::xyz(int page, std::optional<double> left, std::optional<double> top,
                                  std::optional<double> zoom) {
    return QPDFObjectHandle::newArray({page_object(page), QPDFObjectHandle::newName("/XYZ"),
                                       number_or_null(left), number_or_null(top),
                                       number_or_null(zoom)});
}

QPDFObjectHandle pdf_builder::fit(int page, const std::string& kind, std::vector<double> numbers) {
    auto dest = QPDFObjectHandle::newArray({page_object(page), QPDFObjectHandle::newName(kind)});
    for (double value : numbers) {
        dest.appendItem(number(value));
    }
    return dest;
}

QPDFObjectHandle pdf_builder::name_as_string(const std::string& name) {
    return QPDFObjectHandle::newString(name);
}

QPDFObjectHandle pdf_builder::name_as_name(const std::string& name) {
    return QPDFObjectHandle::newName("/" + name);
}

QPDFObjectHandle pdf_builder::go_to_action(QPDFObjectHandle dest) {
    return QPDFObjectHandle::newDictionary(
        {{"/S", QPDFObjectHandle::newName("/GoTo")}, {"/D", dest}});
}

QPDFObjectHandle pdf_builder::uri_action(const std::string& uri) {
    return QPDFObjectHandle::newDictionary(
        {{"/S", QPDFObjectHandle::newName("/URI")}, {"/URI", QPDFObjectHandle::newString(uri)}});
}

QPDFObjectHandle pdf_builder::launch_action(const std::string& file) {
    return QPDFObjectHandle::newDictionary(
        {{"/S", QPDFObjectHandle::newName("/Launch")}, {"/F", QPDFObjectHandle::newString(file)}});
}

QPDFObjectHandle pdf_builder::named_action(const std::string& name) {
    return QPDFObjectHandle::newDictionary({{"/S", QPDFObjectHandle::newName("/Named")},
                                            {"/N", QPDFObjectHandle::newName("/" + name)}});
}

QPDFObjectHandle pdf_builder::javascript_action(const std::string& script) {
    return QPDFObjectHandle::newDictionary({{"/S", QPDFObjectHandle::newName("/JavaScript")},
                                            {"/JS", QPDFObjectHandle::newString(script)}});
}

void pdf_builder::add_named_destination(const std::string& name, QPDFObjectHandle dest) {
    named_destinations_[name] = dest;
}

void pdf_builder::add_old_style_destination(const std::string& name, QPDFObjectHandle dest) {
    old_destinations_.replaceKey("/" + name, dest);
}

void pdf_builder::add_old_style_destination_wrapped(const std::string& name,
                                                    QPDFObjectHandle dest) {
    old_destinations_.replaceKey("/" + name, QPDFObjectHandle::newDictionary({{"/D", dest}}));
}

void pdf_builder::add_annotation(int page, QPDFObjectHandle annotation) {
    auto page_dictionary = page_object(page);
    if (!page_dictionary.getKey("/Annots").isArray()) {
        page_dictionary.replaceKey("/Annots", QPDFObjectHandle::newArray());
    }
    annotation.replaceKey("/P", page_dictionary);
    page_dictionary.getKey("/Annots").appendItem(pdf_.makeIndirectObject(annotation));
}

void pdf_builder::add_link_with_dest(int page, pdf_rect rect, QPDFObjectHandle dest) {
    add_annotation(
        page, QPDFObjectHandle::newDictionary({{"/Type", QPDFObjectHandle::newName("/Annot")},
                                               {"/Subtype", QPDFObjectHandle::newName("/Link")},
                                               {"/Rect", rectangle(rect)},
                                               {"/Border", "[0 0 1]"_qpdf},
                                               {"/Dest", dest}}));
}

void pdf_builder::add_link_with_action(int page, pdf_rect rect, QPDFObjectHandle action) {
    add_annotation(
        page, QPDFObjectHandle::newDictionary({{"/Type", QPDFObjectHandle::newName("/Annot")},
                                               {"/Subtype", QPDFObjectHandle::newName("/Link")},
                                               {"/Rect", rectangle(rect)},
                                               {"/Border", "[0 0 1]"_qpdf},
                                               {"/A", action}}));
}

int pdf_builder::add_outline(int parent, const std::string& title, QPDFObjectHandle dest,
                             QPDFObjectHandle action) {
    auto item =
        QPDFObjectHandle::newDictionary({{"/Title", QPDFObjectHandle::newUnicodeString(title)}});
    if (!dest.isNull()) {
        item.replaceKey("/Dest", dest);
    }
    if (!action.isNull()) {
        item.replaceKey("/A", action);
    }
    const int id = static_cast<int>(outline_.size());
    outline_.push_back({parent, pdf_.makeIndirectObject(item), {}});
    if (parent < 0) {
        outline_roots_.push_back(id);
    } else {
        outline_.at(static_cast<std::size_t>(parent)).children.push_back(id);
    }
    return id;
}

int pdf_builder::add_deep_outline_chain(int parent, int depth, int target_page) {
    const auto dest = fit(target_page);
    for (int level = 0; level < depth; ++level) {
        parent = add_outline(parent, "level " + std::to_string(level + 1), dest);
    }
    return parent;
}

void pdf_builder::break_outline_next(int entry, int points_to) {
    broken_next_.emplace_back(entry, points_to);
}

void pdf_builder::break_outline_first(int entry, int points_to) {
    broken_first_.emplace_back(entry, points_to);
}

void pdf_builder::add_text_field(int page, pdf_rect rect, const std::string& name,
                                 const std::string& value, bool need_appearances) {
    if (!form_.isInitialized()) { // a default QPDFObjectHandle is not even null
        form_ = pdf_.makeIndirectObject(QPDFObjectHandle::newDictionary(
            {{"/Fields", QPDFObjectHandle::newArray()},
             {"/DA", QPDFObjectHandle::newString("/Helv 0 Tf 0 g")},
             {"/DR", QPDFObjectHandle::newDictionary(
                         {{"/Font", QPDFObjectHandle::newDictionary(
                                        {{"/Helv", pdf_.makeIndirectObject(helvetica())}})}})}}));
        pdf_.getRoot().replaceKey("/AcroForm", form_);
    }
    if (need_appearances) {
        form_.replaceKey("/NeedAppearances", QPDFObjectHandle::newBool(true));
    }
    // Field and widget merged in one dictionary, as most producers do.
    auto field = QPDFObjectHandle::newDictionary(
        {{"/Type", QPDFObjectHandle::newName("/Annot")},
         {"/Subtype", QPDFObjectHandle::newName("/Widget")},
         {"/FT", QPDFObjectHandle::newName("/Tx")},
         {"/T", QPDFObjectHandle::newUnicodeString(name)},
         {"/V", QPDFObjectHandle::newUnicodeString(value)},
         {"/DA", QPDFObjectHandle::newString("/Helv 18 Tf 0 0 0.8 rg")},
         {"/F", QPDFObjectHandle::newInteger(4)},
         {"/Rect", rectangle(rect)}});
    add_annotation(page, field);
    auto annotations = page_object(page).getKey("/Annots");
    form_.getKey("/Fields").appendItem(annotations.getArrayItem(annotations.getArrayNItems() - 1));
}

void pdf_builder::add_note(int page, pdf_rect rect, const std::string& icon, rgb colour,
                           const std::string& contents) {
    add_annotation(page, QPDFObjectHandle::newDictionary(
                             {{"/Type", QPDFObjectHandle::newName("/Annot")},
                              {"/Subtype", QPDFObjectHandle::newName("/Text")},
                              {"/Rect", rectangle(rect)},
                              {"/Name", QPDFObjectHandle::newName("/" + icon)},
                              {"/C", colour_array(colour)},
                              {"/Contents", QPDFObjectHandle::newUnicodeString(contents)},
                              {"/F", QPDFObjectHandle::newInteger(4)}}));
}

void pdf_builder::finish_pages() {
    for (auto& record : pages_) {
        record.page.replaceKey("/Contents", pdf_.newStream(record.content));
    }
}

void pdf_builder::finish_destinations() {
    if (!named_destinations_.empty()) {
        auto flat = QPDFObjectHandle::newArray();
        for (const auto& [name, dest] : named_destinations_) { // std::map: already sorted
            flat.appendItem(QPDFObjectHandle::newString(name));
            flat.appendItem(dest);
        }
        auto tree = pdf_.makeIndirectObject(QPDFObjectHandle::newDictionary({{"/Names", flat}}));
        pdf_.getRoot().replaceKey("/Names", QPDFObjectHandle::newDictionary({{"/Dests", tree}}));
    }
    if (!old_destinations_.getKeys().empty()) {
        pdf_.getRoot().replaceKey("/Dests", pdf_.makeIndirectObject(old_destinations_));
    }
}

// Iterative on purpose: the builder itself must survive the 30,000-deep chain.
void pdf_builder::link_outline_level(QPDFObjectHandle parent, const std::vector<int>& children) {
    for (std::size_t i = 0; i < children.size(); ++i) {
        auto item = outline_[static_cast<std::size_t>(children[i])].item;
        item.replaceKey("/Parent", parent);
        if (i > 0) {
            item.replaceKey("/Prev", outline_[static_cast<std::size_t>(children[i - 1])].item);
        }
        if (i + 1 < children.size()) {
            item.replaceKey("/Next", outline_[static_cast<std::size_t>(children[i + 1])].item);
        }
    }
    if (!children.empty()) {
        parent.replaceKey("/First", outline_[static_cast<std::size_t>(children.front())].item);
        parent.replaceKey("/Last", outline_[static_cast<std::size_t>(children.back())].item);
        // Open, counting direct children only: readers do not rely on the total.
        parent.replaceKey("/Count",
                          QPDFObjectHandle::newInteger(static_cast<long long>(children.size())));
    }
}

void pdf_builder::finish_outline() {
    if (outline_.empty()) {
        return;
    }
    auto outlines = pdf_.makeIndirectObject("<< /Type /Outlines >>"_qpdf);
    pdf_.getRoot().replaceKey("/Outlines", outlines);
    link_outline_level(outlines, outline_roots_);
    for (auto& record : outline_) {
        link_outline_level(record.item, record.children);
    }
    for (auto [entry, target] : broken_next_) {
        outline_.at(static_cast<std::size_t>(entry))
            .item.replaceKey("/Next", outline_.at(static_cast<std::size_t>(target)).item);
    }
    for (auto [entry, target] : broken_first_) {
        outline_.at(static_cast<std::size_t>(entry))
            .item.replaceKey("/First", outline_.at(static_cast<std::size_t>(target)).item);
    }
}

QByteArray pdf_builder::write(const std::string& user_password, const std::string& owner_password) {
    finish_pages();
    finish_destinations();
    finish_outline();
    QByteArray output;
    byte_array_pipeline sink(output);
    QPDFWriter writer(pdf_);
    writer.setOutputPipeline(&sink);
    writer.setStaticID(true); // same bytes every run
    writer.setObjectStreamMode(qpdf_o_generate);
    if (!user_password.empty() || !owner_password.empty()) {
        writer.setR6EncryptionParameters(user_password.c_str(), owner_password.c_str(), true, true,
                                         true, true, true, true, qpdf_r3p_full, true);
    }
    writer.write();
    return output;
}

bool pdf_builder::write_file(const QString& path) {
    const QByteArray bytes = write();
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

} // namespace krv::samples
