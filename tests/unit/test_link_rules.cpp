// The rules behind links: what a click on each kind of link comes to, the way
// back and forth between the places links led to, and the chapter the outline
// gives a page for printing.
#include "chapter.h"
#include "history.h"
#include "links.h"

#include <QTest>

using namespace krv;
using verdict = link_verdict::kind;

Q_DECLARE_METATYPE(krv::link_verdict::kind)

namespace {

link_action address(const char* uri) {
    link_action action;
    action.kind = action_kind::uri;
    action.text = uri;
    return action;
}

link_action of_kind(action_kind kind, const char* file = "", const char* name = "") {
    link_action action;
    action.kind = kind;
    action.text = *file ? file : name; // an action names a file or a command, not both
    return action;
}

// "0@3 1@5": an entry at the top leading to page 3 (from 0), its child to page 5.
std::optional<std::vector<outline_mark>> marks(const QString& text) {
    if (text == u"unread")
        return std::nullopt;
    std::vector<outline_mark> outline;
    for (const QString& entry : text.split(u' ', Qt::SkipEmptyParts))
        outline.push_back({entry.section(u'@', 0, 0).toInt(), entry.section(u'@', 1).toInt()});
    return outline;
}

reading_place at(int page, double y) {
    return {page, QPointF(0, y)};
}

} // namespace

class test_link_rules : public QObject {
    Q_OBJECT

private slots:
    void only_the_web_and_mail_open_data() {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<bool>("opens");
        QTest::newRow("https") << "https://www.krv.example/aide" << true;
        QTest::newRow("http, upper case scheme") << "HTTP://krv.example/" << true;
        QTest::newRow("mailto") << "mailto:support@krv.example" << true;
        QTest::newRow("http without a host") << "http:///etc/passwd" << false;
        QTest::newRow("file") << "file:///etc/passwd" << false;
        QTest::newRow("javascript") << "javascript:alert(1)" << false;
        QTest::newRow("ftp") << "ftp://krv.example/f" << false;
        QTest::newRow("smb") << "smb://serveur/partage" << false;
        QTest::newRow("a desktop file") << "/usr/share/applications/xterm.desktop" << false;
        QTest::newRow("relative") << "aide.html" << false;
        QTest::newRow("empty mailto") << "mailto:" << false;
        QTest::newRow("empty") << "" << false;
    }
    void only_the_web_and_mail_open() {
        QFETCH(QString, uri);
        QFETCH(bool, opens);
        const QByteArray bytes = uri.toUtf8();
        const link_verdict v = judge_link(address(bytes.constData()));
        QCOMPARE(v.what == verdict::open_url, opens);
        if (opens)
            QCOMPARE(v.url, QUrl(uri));
        else
            QVERIFY(v.reason.contains(QStringLiteral("seules les adresses web")));
    }

    void other_actions_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<verdict>("what");
        QTest::addColumn<QString>("reason");
        auto row = [](const char* tag, action_kind kind, const char* file, const char* name,
                      verdict what, const QString& reason) {
            QTest::newRow(tag) << static_cast<int>(kind) << file << name << what << reason;
        };
        row("launch, a program", action_kind::launch, "/usr/bin/xterm", "", verdict::refuse,
            QStringLiteral(
                "Ce lien demande de lancer «\u00a0/usr/bin/xterm\u00a0»\u00a0: l’aide ne "
                "lance aucun programme depuis un document."));
        row("launch, unnamed", action_kind::launch, "", "", verdict::refuse,
            QStringLiteral("Ce lien demande de lancer un programme\u00a0: l’aide ne lance aucun "
                           "programme depuis un document."));
        row("another document", action_kind::go_to_remote, "autre.pdf", "", verdict::refuse,
            QStringLiteral("Ce lien mène à un autre document «\u00a0autre.pdf\u00a0»\u00a0: l’aide "
                           "ne l’ouvre pas depuis un lien."));
        row("script", action_kind::javascript, "", "", verdict::refuse,
            QStringLiteral("Ce lien demande une action que l’aide n’exécute pas."));
        row("broken destination", action_kind::go_to_broken, "", "", verdict::refuse,
            QStringLiteral("Ce lien mène à un endroit qui n’existe pas dans le document."));
        row("no action", action_kind::none, "", "", verdict::refuse, QString());
        row("next page", action_kind::named, "", "NextPage", verdict::next_page, QString());
        row("previous page", action_kind::named, "", "PrevPage", verdict::previous_page, QString());
        row("first page", action_kind::named, "", "FirstPage", verdict::first_page, QString());
        row("last page", action_kind::named, "", "LastPage", verdict::last_page, QString());
        row("print (a named command)", action_kind::named, "", "Print", verdict::refuse,
            QStringLiteral("Ce lien demande une commande que l’aide ne connaît pas."));
    }
    void other_actions() {
        QFETCH(int, kind);
        QFETCH(QString, file);
        QFETCH(QString, name);
        QFETCH(verdict, what);
        QFETCH(QString, reason);
        const QByteArray f = file.toUtf8(), n = name.toUtf8();
        const link_verdict v =
            judge_link(of_kind(static_cast<action_kind>(kind), f.constData(), n.constData()));
        QCOMPARE(v.what, what);
        QCOMPARE(v.reason, reason);
    }

    void a_jump_goes_where_it_says() {
        link_action action = of_kind(action_kind::go_to);
        action.jump = jump_target{4, 10.0, 120.0};
        const link_verdict v = judge_link(action);
        QCOMPARE(v.what, verdict::jump);
        QCOMPARE(v.target.page_index, 4);
        QCOMPARE(*v.target.y, 120.0);
        QCOMPARE(link_tooltip(action), QStringLiteral("Page 5"));
    }

    // 20 pages; the offer's text says the pages from 1, or why the choice is disabled.
    void the_chapter_holding_the_page_data() {
        QTest::addColumn<QString>("outline");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("offer");
        QTest::newRow("not read yet") << "unread" << 5 << "pas encore lue";
        QTest::newRow("no outline") << "" << 5 << "pas de table des matières";
        QTest::newRow("leads nowhere") << "0@-1 0@20" << 5 << "ne mène à aucune";
        QTest::newRow("flat") << "0@0 0@4 0@10" << 5 << "Chapitre courant (p.\u00a05 à 10)";
        QTest::newRow("last to the end") << "0@0 0@4 0@10" << 15 << "(p.\u00a011 à 20)";
        QTest::newRow("before the first") << "0@3 0@8" << 1 << "(p.\u00a01 à 3)";
        QTest::newRow("nested: the top") << "0@0 1@2 1@5 0@10 1@12" << 6 << "(p.\u00a01 à 10)";
        QTest::newRow("one top entry") << "0@0 1@2 1@5 2@6 1@9" << 6 << "(p.\u00a06 à 9)";
        QTest::newRow("one, childless") << "0@0" << 7 << "(p.\u00a01 à 20)";
        QTest::newRow("out of order") << "0@10 0@0 0@4" << 5 << "(p.\u00a05 à 10)";
        QTest::newRow("invalid pages") << "0@-1 0@4 0@99 0@10" << 12 << "(p.\u00a011 à 20)";
        QTest::newRow("two on a page") << "0@4 0@4 0@5" << 4 << "(p.\u00a05)";
        QTest::newRow("page past the end") << "0@0 0@10" << 25 << "(p.\u00a011 à 20)";
    }
    void the_chapter_holding_the_page() {
        QFETCH(QString, outline);
        QFETCH(int, page);
        QFETCH(QString, offer);
        const chapter_offer made = offer_chapter(marks(outline), 20, page);
        const bool known = offer.contains(u'(');
        QCOMPARE(made.pages.has_value(), known);
        QVERIFY2((known ? made.text : made.why_not).contains(offer), qPrintable(made.text));
        QCOMPARE(made.why_not.isEmpty(), known);
    }

    void back_and_forth_as_in_a_browser() {
        navigation_history history;
        QVERIFY(!history.back(at(0, 0)));
        history.record_jump(at(0, 50), at(3, 100));
        history.record_jump(at(3, 400), at(7, 0)); // scrolled down page 4, then jumped
        QVERIFY(!history.can_go_forward());
        QCOMPARE(*history.back(at(7, 30)), at(3, 400)); // where the reader had scrolled to
        QCOMPARE(*history.back(at(3, 400)), at(0, 50));
        QVERIFY(!history.can_go_back());
        QCOMPARE(*history.forward(at(0, 50)), at(3, 400));
        QCOMPARE(*history.forward(at(3, 400)), at(7, 30)); // and where it was on page 8
        // A new jump from an earlier place forgets what lay ahead.
        history.back(at(7, 30));
        history.record_jump(at(3, 410), at(1, 0));
        QVERIFY(!history.can_go_forward());
        QCOMPARE(*history.back(at(1, 0)), at(3, 410));
        QCOMPARE(*history.back(at(3, 410)), at(0, 50));
    }

    void the_oldest_places_go_first() {
        navigation_history history;
        for (int jump = 0; jump < 500; ++jump)
            history.record_jump(at(jump, 0), at(jump + 1, 0));
        int steps = 0;
        while (history.back(at(0, 0)))
            ++steps;
        QCOMPARE(steps, static_cast<int>(navigation_history::max_places) - 1);
    }
};

QTEST_APPLESS_MAIN(test_link_rules)
#include "test_link_rules.moc"
