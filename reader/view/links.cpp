#include "links.h"

#include <QStringList>

namespace krv {

namespace {

constexpr int shown_address_length = 120;

QString shortened(QString text) {
    if (text.size() > shown_address_length)
        text = text.left(shown_address_length - 1) + QChar(0x2026);
    return text;
}

QString quoted(const QString& text) {
    return QStringLiteral("«\u00a0%1\u00a0»").arg(shortened(text));
}

link_verdict refusal(const QString& reason) {
    return {link_verdict::kind::refuse, {}, {}, reason};
}

// Only the web and mail: any other scheme (file:, javascript:, smb:, a desktop
// file...) could open or run something on the user's machine.
link_verdict judge_address(const std::string& bytes) {
    const QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    const bool web = (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
                     !url.host().isEmpty();
    const bool mail = scheme == QLatin1String("mailto") && !url.path().isEmpty();
    if (url.isValid() && (web || mail))
        return {link_verdict::kind::open_url, {}, url, {}};
    return refusal(QStringLiteral("Ce lien mène à %1, que l’aide n’ouvre pas\u00a0: seules les "
                                  "adresses web (http, https) et de courrier (mailto) s’ouvrent.")
                       .arg(quoted(text)));
}

link_verdict judge_named(const std::string& name) {
    static const std::pair<const char*, link_verdict::kind> moves[] = {
        {"NextPage", link_verdict::kind::next_page},
        {"PrevPage", link_verdict::kind::previous_page},
        {"FirstPage", link_verdict::kind::first_page},
        {"LastPage", link_verdict::kind::last_page},
    };
    for (const auto& [text, kind] : moves)
        if (name == text)
            return {kind, {}, {}, {}};
    return refusal(QStringLiteral("Ce lien demande une commande que l’aide ne connaît pas."));
}

} // namespace

link_verdict judge_link(const link_action& action) {
    const QString file = QString::fromStdString(action.text);
    switch (action.kind) {
    case action_kind::go_to:
        if (action.jump)
            return {link_verdict::kind::jump, *action.jump, {}, {}};
        break;
    case action_kind::uri:
        return judge_address(action.text);
    case action_kind::launch:
        return refusal(
            file.isEmpty()
                ? QStringLiteral("Ce lien demande de lancer un programme\u00a0: l’aide ne lance "
                                 "aucun programme depuis un document.")
                : QStringLiteral("Ce lien demande de lancer %1\u00a0: l’aide ne lance aucun "
                                 "programme depuis un document.")
                      .arg(quoted(file)));
    case action_kind::go_to_remote:
        return refusal(QStringLiteral("Ce lien mène à un autre document%1\u00a0: l’aide ne l’ouvre "
                                      "pas depuis un lien.")
                           .arg(file.isEmpty() ? QString() : QLatin1Char(' ') + quoted(file)));
    case action_kind::named:
        return judge_named(action.text);
    case action_kind::javascript:
    case action_kind::other:
        return refusal(QStringLiteral("Ce lien demande une action que l’aide n’exécute pas."));
    case action_kind::none:
        return refusal({});
    case action_kind::go_to_broken:
        break;
    }
    return refusal(QStringLiteral("Ce lien mène à un endroit qui n’existe pas dans le document."));
}

QString link_tooltip(const link_action& action) {
    switch (action.kind) {
    case action_kind::go_to:
        if (action.jump)
            return QStringLiteral("Page %1").arg(action.jump->page_index + 1);
        return {};
    case action_kind::uri:
        return shortened(
            QString::fromUtf8(action.text.data(), static_cast<qsizetype>(action.text.size())));
    case action_kind::launch:
        return QStringLiteral("Lancement d’un programme (refusé)");
    case action_kind::go_to_remote:
        return QStringLiteral("Autre document (non ouvert)");
    default:
        return {};
    }
}

bool page_links::needs_request(int page) {
    return pages_.try_emplace(page, nullptr).second;
}

void page_links::store(int page, std::shared_ptr<const page_annotations> annotations) {
    pages_[page] = std::move(annotations);
}

const page_annotations* page_links::find(int page) const {
    const auto found = pages_.find(page);
    return found == pages_.end() ? nullptr : found->second.get();
}

namespace {

bool contains(const view_rect& r, QPointF point) {
    return point.x() >= r.x && point.x() <= r.x + r.width && point.y() >= r.y &&
           point.y() <= r.y + r.height;
}

} // namespace

const page_link* page_links::link_at(int page, QPointF point) const {
    const page_annotations* annotations = find(page);
    if (!annotations)
        return nullptr;
    for (auto it = annotations->links.rbegin(); it != annotations->links.rend(); ++it)
        if (it->action.kind != action_kind::none && contains(it->rect, point))
            return &*it;
    return nullptr;
}

page_spot page_links::spot_at(int page, QPointF point) const {
    if (const page_link* link = link_at(page, point))
        return {link_tooltip(link->action), true};
    if (const page_annotations* annotations = find(page))
        for (auto it = annotations->notes.rbegin(); it != annotations->notes.rend(); ++it)
            if (contains(it->rect, point))
                return {QString::fromStdString(it->contents), false};
    return {};
}

} // namespace krv
