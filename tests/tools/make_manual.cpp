// Writes a help document as manuals are made: a table of contents whose lines
// link to their chapters through named destinations, an outline of the same
// chapters, and each chapter's pages in a colour of its own (end-to-end tests
// and benchmarks recognise on screen where a click led).
//   krv_make_manual FILE [CHAPTERS] [PAGES_PER_CHAPTER]
// Table-of-contents line n (from 1) is a box of colour toc_colour(n); chapter n's
// pages are filled with chapter_colour(n), as printed by --colours.
#include "pdf_builder.h"

#include <QTextStream>

#include <cstdlib>

using krv::samples::pdf_builder;
using krv::samples::rgb;

namespace {

rgb chapter_colour(int n) {
    const rgb colours[] = {{0.75, 0.87, 1}, {0.8, 1, 0.8},      {1, 0.85, 0.7}, {0.9, 0.8, 1},
                           {1, 1, 0.75},    {0.75, 0.95, 0.95}, {1, 0.8, 0.85}, {0.85, 0.85, 0.7}};
    return colours[(n - 1) % 8];
}

rgb toc_colour(int n) {
    const rgb c = chapter_colour(n);
    return {0.5 + c.red / 2, 0.5 + c.green / 2, 0.5 + c.blue / 2}; // a paler tint
}

const char* const titles[] = {
    "Présentation", "Saisie des fiches", "Règlement des factures", "Impression",
    "Tarifs",       "Sauvegardes",       "Questions fréquentes",   "Index"};

} // namespace

int main(int argc, char** argv) {
    QTextStream out(stdout);
    if (argc < 2) {
        QTextStream(stderr) << "usage: krv_make_manual FILE [CHAPTERS] [PAGES_PER_CHAPTER]\n";
        return 2;
    }
    const int chapters = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 8) : 6;
    const int per_chapter = argc > 3 ? std::max(1, std::atoi(argv[3])) : 2;
    pdf_builder pdf;
    krv::samples::page_layout contents;
    contents.colour = {0.96, 0.96, 0.92};
    contents.label = "Sommaire";
    pdf.add_page(contents);
    for (int n = 1; n <= chapters; ++n)
        for (int p = 0; p < per_chapter; ++p) {
            krv::samples::page_layout page;
            page.colour = chapter_colour(n);
            page.label = p == 0 ? std::to_string(n) + ". " + titles[n - 1] : "";
            for (int line = 0; line < 40; ++line)
                page.body_lines.push_back("Chapitre " + std::to_string(n) + ", ligne " +
                                          std::to_string(line + 1) +
                                          " : suivez les étapes décrites à l’écran.");
            const int index = pdf.add_page(page);
            if (p == 0)
                pdf.add_named_destination("chapitre." + std::to_string(n), pdf.xyz(index, 0, 842));
        }
    for (int n = 1; n <= chapters; ++n) {
        const double top = 700 - 80.0 * (n - 1);
        const krv::samples::pdf_rect line{40, top - 64, 555, top};
        pdf.add_marker(0, line, toc_colour(n));
        pdf.add_text(0, 56, top - 40, 18,
                     std::to_string(n) + ". " + titles[n - 1] + "  ......  page " +
                         std::to_string(2 + (n - 1) * per_chapter));
        pdf.add_link_with_dest(0, line,
                               pdf_builder::name_as_string("chapitre." + std::to_string(n)));
        pdf.add_outline(-1, std::to_string(n) + ". " + titles[n - 1],
                        pdf_builder::name_as_string("chapitre." + std::to_string(n)));
    }
    if (!pdf.write_file(QString::fromLocal8Bit(argv[1]))) {
        QTextStream(stderr) << "cannot write " << argv[1] << "\n";
        return 1;
    }
    if (argc > 4 && std::string(argv[4]) == "--colours")
        for (int n = 1; n <= chapters; ++n) {
            const rgb c = chapter_colour(n), t = toc_colour(n);
            out << n << ' ' << int(c.red * 255 + .5) << ',' << int(c.green * 255 + .5) << ','
                << int(c.blue * 255 + .5) << ' ' << int(t.red * 255 + .5) << ','
                << int(t.green * 255 + .5) << ',' << int(t.blue * 255 + .5) << '\n';
        }
    return 0;
}
