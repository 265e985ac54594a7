// PDFs with structure made at test time with qpdf's object API: coloured pages,
// bands, links, named destinations (name tree and old /Dests), outlines
// (malformed ones too), a text field without appearance, and notes. Each page
// is filled with its own colour and labelled, so that a test that looks at a
// page can tell where it landed.
#pragma once

#include "structure_types.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace krv::samples {

using krv::pdf_rect;

struct rgb {
    double red = 1, green = 1, blue = 1;
};

struct page_layout {
    rgb colour;
    std::string label;                  // drawn large near the top-left, pdftotext finds it
    pdf_rect media_box{0, 0, 595, 842}; // A4 portrait by default
    std::optional<pdf_rect> crop_box;
    int rotate = 0;
    std::vector<std::string> body_lines; // extra text lines, to make pages heavier
};

class pdf_builder {
public:
    pdf_builder();

    int add_page(const page_layout& layout);              // returns the page index
    void add_marker(int page, pdf_rect rect, rgb colour); // filled rectangle drawn over the page
    /// A line of text, its baseline starting at (x, y), in Helvetica of `size` points.
    void add_text(int page, double x, double y, double size, const std::string& text);

    // Destinations and actions, to pass to the link/outline functions below.
    QPDFObjectHandle xyz(int page, std::optional<double> left, std::optional<double> top,
                         std::optional<double> zoom = std::nullopt);
    QPDFObjectHandle fit(int page, const std::string& kind = "/Fit",
                         std::vector<double> numbers = {});
    static QPDFObjectHandle name_as_string(const std::string& name); // (name) - PDF 1.2 style
    static QPDFObjectHandle name_as_name(const std::string& name);   // /name   - PDF 1.1 style
    static QPDFObjectHandle go_to_action(QPDFObjectHandle dest);
    static QPDFObjectHandle uri_action(const std::string& uri);
    static QPDFObjectHandle launch_action(const std::string& file);
    static QPDFObjectHandle javascript_action(const std::string& script);
    static QPDFObjectHandle named_action(const std::string& name);

    void add_named_destination(const std::string& name,
                               QPDFObjectHandle dest); // /Names /Dests tree
    void add_old_style_destination(const std::string& name,
                                   QPDFObjectHandle dest); // /Root /Dests dict
    void add_old_style_destination_wrapped(const std::string& name,
                                           QPDFObjectHandle dest); // << /D [...] >>

    void add_link_with_dest(int page, pdf_rect rect, QPDFObjectHandle dest);
    void add_link_with_action(int page, pdf_rect rect, QPDFObjectHandle action);

    // Outline entries; parent -1 = top level. Returns an entry id.
    int add_outline(int parent, const std::string& title, QPDFObjectHandle dest,
                    QPDFObjectHandle action = QPDFObjectHandle::newNull());
    int add_deep_outline_chain(int parent, int depth, int target_page); // returns the deepest id
    // Malformations, applied after the tree is linked at write time.
    void break_outline_next(int entry, int points_to); // entry /Next -> points_to
    void break_outline_first(int entry,
                             int points_to); // entry /First -> points_to (e.g. an ancestor)

    void add_text_field(int page, pdf_rect rect, const std::string& name, const std::string& value,
                        bool need_appearances);
    void add_note(int page, pdf_rect rect, const std::string& icon, rgb colour,
                  const std::string& contents);

    /// May be called once. With a user password, AES-256 (R6) encryption.
    QByteArray write(const std::string& user_password = {}, const std::string& owner_password = {});
    /// Writes to a file; false when it cannot be written.
    bool write_file(const QString& path);

private:
    struct page_record {
        QPDFObjectHandle page;
        std::string content;
    };
    struct outline_record {
        int parent = -1;
        QPDFObjectHandle item;
        std::vector<int> children;
    };

    QPDFObjectHandle page_object(int page) const {
        return pages_.at(static_cast<std::size_t>(page)).page;
    }
    void add_annotation(int page, QPDFObjectHandle annotation);
    void finish_pages();
    void finish_destinations();
    void finish_outline();
    void link_outline_level(QPDFObjectHandle parent, const std::vector<int>& children);

    QPDF pdf_;
    std::vector<page_record> pages_;
    std::map<std::string, QPDFObjectHandle> named_destinations_; // sorted, as a name tree needs
    QPDFObjectHandle old_destinations_;
    std::vector<outline_record> outline_;
    std::vector<int> outline_roots_;
    std::vector<std::pair<int, int>> broken_next_;
    std::vector<std::pair<int, int>> broken_first_;
    QPDFObjectHandle form_;
};

} // namespace krv::samples
