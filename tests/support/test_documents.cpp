#include "test_documents.h"

#include <algorithm>

namespace krv::samples {

namespace {

const rgb bands[] = {{1, 0.78, 0.78}, {0.78, 1, 0.78},    {0.78, 0.78, 1},
                     {1, 1, 0.67},    {0.9, 0.75, 1},     {0.67, 0.94, 0.94},
                     {1, 0.86, 0.63}, {0.82, 0.82, 0.82}, {0.95, 0.7, 0.85}};
constexpr int band_count = 9;
constexpr double band_height = 100;
constexpr double page_height = 842;

page_layout coloured_page(int number) {
    const rgb colours[] = {{1, 0.8, 0.8}, {0.8, 1, 0.8}, {0.8, 0.8, 1}, {1, 1, 0.7}, {0.9, 0.7, 1}};
    page_layout layout;
    layout.colour = colours[number % 5];
    layout.label = "Page " + std::to_string(number + 1);
    return layout;
}

int add_banded_page(pdf_builder& pdf, int number) {
    const int page = pdf.add_page(coloured_page(number));
    for (int band = 0; band < band_count; ++band)
        pdf.add_marker(page, {0, page_height - band_height * (band + 1), 595, band_top(band, 0)},
                       bands[band]);
    return page;
}

} // namespace

QColor band_colour(int band) {
    const rgb& c = bands[band];
    return QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green),
                            static_cast<float>(c.blue));
}

double band_top(int band, double below) {
    return page_height - band_height * band - below;
}

pdf_rect link_row_rect(link_row row) {
    const double top = 790 - 40.0 * static_cast<int>(row);
    return {72, top - 24, 400, top};
}

QByteArray links_document() {
    pdf_builder pdf;
    pdf.add_page(coloured_page(0));
    for (int page = 1; page < 5; ++page)
        add_banded_page(pdf, page);
    pdf.add_named_destination("chapitre.deux", pdf.xyz(1, 0, band_top(2)));
    pdf.add_old_style_destination("Ancien", pdf.fit(3, "/FitH", {band_top(5)}));
    pdf.add_old_style_destination_wrapped("fitr.cinq",
                                          pdf.fit(4, "/FitR", {10, 200, 300, band_top(1)}));
    auto link = [&](link_row row) { return link_row_rect(row); };
    pdf.add_link_with_dest(0, link(link_row::explicit_xyz), pdf.xyz(2, 0, band_top(3), 0));
    pdf.add_link_with_dest(0, link(link_row::named_string),
                           pdf_builder::name_as_string("chapitre.deux"));
    pdf.add_link_with_dest(0, link(link_row::old_name), pdf_builder::name_as_name("Ancien"));
    pdf.add_link_with_action(0, link(link_row::wrapped_name),
                             pdf_builder::go_to_action(pdf_builder::name_as_string("fitr.cinq")));
    pdf.add_link_with_dest(0, link(link_row::fit_page), pdf.fit(4));
    pdf.add_link_with_action(0, link(link_row::web_address), pdf_builder::uri_action(web_address));
    pdf.add_link_with_action(0, link(link_row::file_address),
                             pdf_builder::uri_action("file:///etc/passwd"));
    pdf.add_link_with_action(0, link(link_row::launch),
                             pdf_builder::launch_action("/usr/bin/xterm"));
    pdf.add_link_with_action(0, link(link_row::script),
                             pdf_builder::javascript_action("app.alert(1)"));
    pdf.add_link_with_dest(0, link(link_row::unknown_name),
                           pdf_builder::name_as_string("nulle.part"));
    pdf.add_link_with_action(0, link(link_row::mail_address),
                             pdf_builder::uri_action(mail_address));
    pdf.add_link_with_action(0, link(link_row::next_page), pdf_builder::named_action("NextPage"));
    for (int row = 0; row < static_cast<int>(link_row::count); ++row)
        pdf.add_marker(0, link(static_cast<link_row>(row)), {0.93, 0.93, 0.93});
    return pdf.write();
}

namespace {

// The sample outline over the pages already added, malformed as asked.
void add_sample_outline(pdf_builder& pdf, outline_shape shape) {
    pdf.add_named_destination("sec.2", pdf.xyz(1, 0, band_top(4)));
    pdf.add_old_style_destination("old.3", pdf.fit(2, "/FitH", {band_top(6)}));
    const int first = pdf.add_outline(-1, "Première partie", pdf.xyz(0, 0, page_height));
    const int child =
        pdf.add_outline(first, "Sous-partie nommée", pdf_builder::name_as_string("sec.2"));
    pdf.add_outline(first, "Ancien nom", QPDFObjectHandle::newNull(),
                    pdf_builder::go_to_action(pdf_builder::name_as_name("old.3")));
    const int web = pdf.add_outline(-1, "Lien web", QPDFObjectHandle::newNull(),
                                    pdf_builder::uri_action(web_address));
    const int last = pdf.add_outline(-1, "Dernière", pdf.fit(3));
    if (shape == outline_shape::next_loop)
        pdf.break_outline_next(last, first); // the last entry's /Next: back to the first
    else if (shape == outline_shape::first_to_ancestor)
        pdf.break_outline_first(child, first); // a child's /First: its own parent
    else if (shape == outline_shape::deep_30000)
        pdf.add_deep_outline_chain(web, 30'000, 3);
}

} // namespace

QByteArray outline_document(outline_shape shape) {
    pdf_builder pdf;
    for (int page = 0; page < 4; ++page)
        add_banded_page(pdf, page);
    add_sample_outline(pdf, shape);
    return pdf.write();
}

QByteArray outline_document(outline_shape shape, unsigned colour) {
    pdf_builder pdf;
    for (int page = 0; page < 4; ++page) {
        page_layout layout = coloured_page(page);
        layout.colour = {((colour >> 16) & 0xff) / 255.0, ((colour >> 8) & 0xff) / 255.0,
                         (colour & 0xff) / 255.0};
        pdf.add_page(layout);
    }
    add_sample_outline(pdf, shape);
    return pdf.write();
}

QByteArray big_outline_document(int entries) {
    pdf_builder pdf;
    for (int page = 0; page < 4; ++page)
        pdf.add_page(coloured_page(page));
    for (int entry = 0; entry < entries; ++entry)
        pdf.add_outline(-1, "Entrée " + std::to_string(entry + 1),
                        pdf.xyz(entry % 4, 0, page_height - entry % 800));
    return pdf.write();
}

QByteArray form_document() {
    pdf_builder pdf;
    page_layout layout;
    layout.colour = {1, 1, 0.92};
    layout.label = "Formulaire";
    pdf.add_page(layout);
    pdf.add_text_field(0, form_field_rect, "nom", "Valeur du champ", false);
    for (const sample_note& note : form_notes)
        pdf.add_note(0, note.rect, note.icon, note.colour, note.text);
    return pdf.write();
}

QByteArray numbered_document(int pages, int links_per_page) {
    pdf_builder pdf;
    for (int page = 0; page < pages; ++page) {
        page_layout layout = coloured_page(page);
        for (int line = 0; line < 20; ++line)
            layout.body_lines.push_back("Ligne " + std::to_string(line + 1) + " de la page " +
                                        std::to_string(page + 1) + " : texte courant.");
        pdf.add_page(layout);
    }
    for (int page = 0; page < pages; ++page)
        for (int link = 0; link < links_per_page; ++link) {
            const double top = 700 - 30.0 * link;
            pdf.add_link_with_dest(page, {40, top - 20, 300, top},
                                   pdf.xyz((page + link + 1) % pages, 0, top));
        }
    return pdf.write();
}

QByteArray huge_page_document() {
    pdf_builder pdf;
    page_layout layout;
    layout.colour = {0.78, 1, 0.78};
    layout.label = "Une très grande page";
    layout.media_box = {0, 0, 14'400, 14'400};
    pdf.add_page(layout);
    return pdf.write();
}

namespace {

const rgb chapter_colours[] = {{0.75, 0.87, 1}, {0.8, 1, 0.8},    {1, 0.85, 0.7},
                               {0.9, 0.8, 1},   {1, 1, 0.75},     {0.75, 0.95, 0.95},
                               {1, 0.8, 0.85},  {0.85, 0.85, 0.7}};
const char* const chapter_titles[] = {
    "Présentation", "Saisie des fiches", "Règlement des factures", "Impression",
    "Tarifs",       "Sauvegardes",       "Questions fréquentes",   "Index"};

rgb paler(const rgb& c) {
    return {0.5 + c.red / 2, 0.5 + c.green / 2, 0.5 + c.blue / 2};
}

QColor to_colour(const rgb& c) {
    return QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green),
                            static_cast<float>(c.blue));
}

void add_chapter(pdf_builder& pdf, int chapter, int pages) {
    for (int p = 0; p < pages; ++p) {
        page_layout page;
        page.colour = chapter_colours[(chapter - 1) % 8];
        page.label = p == 0 ? std::to_string(chapter) + ". " + chapter_titles[(chapter - 1) % 8]
                            : std::string();
        for (int line = 0; line < 40; ++line)
            page.body_lines.push_back("Chapitre " + std::to_string(chapter) + ", ligne " +
                                      std::to_string(line + 1) +
                                      " : suivez les étapes décrites à l’écran.");
        const int index = pdf.add_page(page);
        if (p == 0)
            pdf.add_named_destination("chapitre." + std::to_string(chapter),
                                      pdf.xyz(index, 0, page_height));
    }
}

} // namespace

QColor chapter_colour(int chapter) {
    return to_colour(chapter_colours[(chapter - 1) % 8]);
}

QColor contents_line_colour(int chapter) {
    return to_colour(paler(chapter_colours[(chapter - 1) % 8]));
}

QByteArray manual_document(const QString& title, int chapters, int pages_per_chapter) {
    chapters = std::clamp(chapters, 1, 8);
    pdf_builder pdf;
    page_layout contents;
    contents.colour = {contents_colour.redF(), contents_colour.greenF(), contents_colour.blueF()};
    contents.label = title.toStdString();
    pdf.add_page(contents);
    pdf.add_text(0, 56, 730, 20, "Sommaire");
    for (int n = 1; n <= chapters; ++n)
        add_chapter(pdf, n, pages_per_chapter);
    for (int n = 1; n <= chapters; ++n) {
        const double top = 700 - 80.0 * (n - 1);
        const pdf_rect line{40, top - 64, 555, top};
        const std::string name = std::to_string(n) + ". " + chapter_titles[n - 1];
        pdf.add_marker(0, line, paler(chapter_colours[n - 1]));
        pdf.add_text(0, 56, top - 40, 18,
                     name + "  ......  page " + std::to_string(2 + (n - 1) * pages_per_chapter));
        const auto destination = pdf_builder::name_as_string("chapitre." + std::to_string(n));
        pdf.add_link_with_dest(0, line, destination);
        pdf.add_outline(-1, name, destination);
    }
    return pdf.write();
}

} // namespace krv::samples
