// Where the start-up's time goes, without tracing in the program: this is the
// program itself (main.cpp's statements, the real libraries), linked with
// `--wrap` round the calls that mark its steps (see CMakeLists.txt), and with an
// application event filter that sees each window's first exposure and paint.
// Each mark is a CLOCK_MONOTONIC time; they are printed on standard output 1.5 s
// after the tick, when the start-up is long over, and bench/bench_startup.py
// subtracts the time it started the process at.
//
//     cd FOLDER && bench_startup_phases
#include "affic_pdf.h"
#include "application.h"
#include "desktop.h"
#include "failures.h"
#include "menu_pdf.h"
#include "one_help.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <array>
#include <cstdio>
#include <ctime>

namespace {

struct mark {
    const char* what;
    double at;
};

std::array<mark, 64> marks;
std::size_t mark_count = 0;

double now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void note(const char* what) {
    if (mark_count < marks.size())
        marks[mark_count++] = {what, now()};
}

void print_marks() {
    for (std::size_t i = 0; i < mark_count; ++i)
        std::printf("%.6f %s\n", marks[i].at, marks[i].what);
    std::fflush(stdout);
}

// The first exposure and paint of the two windows, and the first paint of the
// pages after the tick.
class first_events : public QObject {
public:
    bool ticked = false;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Expose && watched->isWindowType()) {
            const auto* window = static_cast<QWindow*>(watched);
            if (window->title().startsWith(QStringLiteral("©")))
                first(menu_exposed, "exposed: menu window");
            else
                first(viewer_exposed, "exposed: viewer");
        } else if (e->type() == QEvent::Paint && watched->isWidgetType()) {
            const auto* widget = static_cast<QWidget*>(watched);
            if (widget == krv::find_form<krv::menu_pdf>())
                first(menu_painted, "first paint: menu window");
            else if (widget == krv::find_form<krv::affic_pdf>())
                first(viewer_painted, "first paint: viewer");
            else if (ticked && widget->parentWidget() &&
                     widget->parentWidget()->inherits("krv::page_view"))
                first(page_painted, "paint of the pages after the tick");
        }
        return false;
    }

private:
    static void first(bool& done, const char* what) {
        if (!done)
            note(what);
        done = true;
    }
    bool menu_exposed = false, viewer_exposed = false;
    bool menu_painted = false, viewer_painted = false, page_painted = false;
};

first_events* events = nullptr;

} // namespace

// The wrapped calls: each notes its start and its end around the real one. The
// names are the symbols' (Itanium C++ ABI); a member's `this` comes first.
extern "C" {
void __real__ZN3krv8menu_pdfC1Ev(void* self);
void __wrap__ZN3krv8menu_pdfC1Ev(void* self) {
    note("menu window: construction begins");
    __real__ZN3krv8menu_pdfC1Ev(self);
    note("menu window: constructed");
}

void __real__ZN15QGuiApplication13setWindowIconERK5QIcon(const void* icon);
void __wrap__ZN15QGuiApplication13setWindowIconERK5QIcon(const void* icon) {
    note("application icon: set begins");
    __real__ZN15QGuiApplication13setWindowIconERK5QIcon(icon);
    note("application icon: set");
}

void __real__ZN3krv9affic_pdfC1Ev(void* self);
void __wrap__ZN3krv9affic_pdfC1Ev(void* self) {
    note("viewer: construction begins");
    __real__ZN3krv9affic_pdfC1Ev(self);
    note("viewer: constructed");
}

void __real__ZN3krv4form13show_modelessEv(krv::form* self);
void __wrap__ZN3krv4form13show_modelessEv(krv::form* self) {
    const bool menu = self == krv::find_form<krv::menu_pdf>();
    note(menu ? "menu window: show begins" : "viewer: show begins");
    __real__ZN3krv4form13show_modelessEv(self);
    note(menu ? "menu window: shown" : "viewer: shown");
}

QString __real__ZN3krv10inter_logg10lit_intlogERK7QString(const QString& key);
QString __wrap__ZN3krv10inter_logg10lit_intlogERK7QString(const QString& key) {
    note("exchange file: read begins");
    QString value = __real__ZN3krv10inter_logg10lit_intlogERK7QString(key);
    note("exchange file: read");
    return value;
}

void __real__ZN3krv17set_mouse_pointerENS_13mouse_pointerE(krv::mouse_pointer pointer);
void __wrap__ZN3krv17set_mouse_pointerENS_13mouse_pointerE(krv::mouse_pointer pointer) {
    const bool busy = pointer == krv::mouse_pointer::busy;
    note(busy ? "busy pointer: set begins" : "arrow pointer: set begins");
    __real__ZN3krv17set_mouse_pointerENS_13mouse_pointerE(pointer);
    note(busy ? "busy pointer: set" : "arrow pointer: set");
}

void __real__ZN3krv10form_timer12set_intervalEi(void* self, int milliseconds);
void __wrap__ZN3krv10form_timer12set_intervalEi(void* self, int milliseconds) {
    // The timer starts first thing in the call; its `armed` signal then starts the
    // document's reading.
    note(milliseconds > 0 ? "timer: armed" : "timer: stopped at the tick");
    __real__ZN3krv10form_timer12set_intervalEi(self, milliseconds);
    if (milliseconds > 0)
        note("timer: armed signal handled (reading asked for)");
}

void __real__ZN3krv13pdf_component7set_srcERK7QStringRKNS_14document_placeE(void* self,
                                                                            const QString& path,
                                                                            const void* place);
void __wrap__ZN3krv13pdf_component7set_srcERK7QStringRKNS_14document_placeE(void* self,
                                                                            const QString& path,
                                                                            const void* place) {
    note("tick: set_src begins");
    if (events)
        events->ticked = true;
    __real__ZN3krv13pdf_component7set_srcERK7QStringRKNS_14document_placeE(self, path, place);
    note("tick: set_src done");
    QTimer::singleShot(1500, [] { print_marks(); });
}
}

// main.cpp's statements, with marks between them.
int main(int argc, char** argv) {
    note("main");
    krv::ignore_closed_output();
    const krv::hand_over asked = krv::hand_over_to_running_help();
    if (asked == krv::hand_over::taken)
        return 0;
    note("running help asked");
    krv::application app(argc, argv);
    note("application constructed");
    first_events filter;
    events = &filter;
    app.installEventFilter(&filter);
    krv::one_help one(asked);
    if (one.handed_over())
        return 0;
    note("one help: name taken");
    krv::load_form<krv::menu_pdf>().show_modeless();
    if (krv::program_ending())
        return krv::program_exit_status();
    one.serve();
    note("event loop starts");
    return app.exec();
}
