// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobby/LobbyStatus.h"

#include <QCoreApplication>

namespace sorvada {

namespace {

QString uptimeText(qint64 ms)
{
    const qint64 s = ms / 1000;
    return QStringLiteral("%1 d %2 h %3 min %4 s").arg(s / 86400).arg(s / 3600 % 24).arg(s / 60 % 60).arg(s % 60);
}

QString row(const QString &name, const QString &value)
{
    return QStringLiteral("<tr><th>%1</th><td>%2</td></tr>\n").arg(name, value);
}

} // namespace

void LobbyFigures::count(const WaitingQueue &queue)
{
    for (const WaitingHost &h : queue.all()) {
        ++waitingByKind[h.kind];
        ++(h.room.isEmpty() ? waitingWithoutCode : waitingWithCode);
    }
}

QByteArray lobbyStatusPage(const LobbyFigures &figures, const LobbyStats &stats)
{
    const qint64 now = stats.now();
    QString html = QStringLiteral(
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Sorvada lobby</title>\n"
        "<style>body{font-family:sans-serif;margin:2em}table{border-collapse:collapse;margin-bottom:1.5em}"
        "th,td{border:1px solid #999;padding:.3em .8em;text-align:left}th{background:#eee}</style>\n"
        "</head><body>\n<h1>Sorvada lobby</h1>\n<h2>Now</h2>\n<table>\n");
    html += row(QStringLiteral("Relayed matches"), QString::number(figures.activeRelays));
    if (figures.waitingByKind.empty())
        html += row(QStringLiteral("Waiting hosts"), QStringLiteral("0"));
    for (const auto &[kind, count] : figures.waitingByKind)
        html += row(QStringLiteral("Waiting hosts, game kind %1").arg(kind), QString::number(count));
    html += row(QStringLiteral("Waiting hosts with a code"), QString::number(figures.waitingWithCode));
    html += row(QStringLiteral("Waiting hosts without a code"), QString::number(figures.waitingWithoutCode));
    html += QStringLiteral("</table>\n<h2>Pairings in the last hour</h2>\n<table>\n");
    for (int p = 0; p < LobbyStats::PATH_COUNT; ++p) {
        const auto path = LobbyStats::Path(p);
        html += row(QString::fromLatin1(LobbyStats::pathName(path)), QString::number(stats.pairingsLastHour(path, now)));
    }
    html += QStringLiteral("</table>\n<table>\n");
    html += row(QStringLiteral("Uptime"), uptimeText(now));
    html += row(QStringLiteral("Version"), QCoreApplication::applicationVersion().toHtmlEscaped());
    html += QStringLiteral("</table>\n</body></html>\n");
    return html.toUtf8();
}

QByteArray lobbyMetrics(const LobbyFigures &figures, const LobbyStats &stats)
{
    QByteArray out;
    out += "# HELP sorvada_lobby_pairings_total Copies paired, by path.\n"
           "# TYPE sorvada_lobby_pairings_total counter\n";
    for (int p = 0; p < LobbyStats::PATH_COUNT; ++p) {
        const auto path = LobbyStats::Path(p);
        out += "sorvada_lobby_pairings_total{path=\"" + QByteArray(LobbyStats::pathName(path)) + "\"} "
            + QByteArray::number(stats.pairingsTotal(path)) + '\n';
    }
    out += "# HELP sorvada_lobby_relayed_datagrams_total Datagrams passed on between relayed copies.\n"
           "# TYPE sorvada_lobby_relayed_datagrams_total counter\n"
           "sorvada_lobby_relayed_datagrams_total "
        + QByteArray::number(stats.relayedTotal()) + '\n';
    out += "# HELP sorvada_lobby_dropped_datagrams_total Datagrams the directory dropped, by reason.\n"
           "# TYPE sorvada_lobby_dropped_datagrams_total counter\n";
    for (int d = 0; d < LobbyStats::DROP_COUNT; ++d) {
        const auto reason = LobbyStats::Drop(d);
        out += "sorvada_lobby_dropped_datagrams_total{reason=\"" + QByteArray(LobbyStats::dropName(reason))
            + "\"} " + QByteArray::number(stats.droppedTotal(reason)) + '\n';
    }
    out += "# HELP sorvada_lobby_waiting_hosts Hosts waiting for a partner, by game kind.\n"
           "# TYPE sorvada_lobby_waiting_hosts gauge\n";
    for (const auto &[kind, count] : figures.waitingByKind)
        out += "sorvada_lobby_waiting_hosts{kind=\"" + QByteArray::number(kind) + "\"} "
            + QByteArray::number(count) + '\n';
    out += "# HELP sorvada_lobby_waiting_hosts_by_room Hosts waiting for a partner, with a code or in the public room.\n"
           "# TYPE sorvada_lobby_waiting_hosts_by_room gauge\n"
           "sorvada_lobby_waiting_hosts_by_room{room=\"code\"} "
        + QByteArray::number(figures.waitingWithCode) + "\n"
        "sorvada_lobby_waiting_hosts_by_room{room=\"public\"} "
        + QByteArray::number(figures.waitingWithoutCode) + '\n';
    out += "# HELP sorvada_lobby_active_relays Matches relayed now.\n"
           "# TYPE sorvada_lobby_active_relays gauge\n"
           "sorvada_lobby_active_relays "
        + QByteArray::number(figures.activeRelays) + '\n';
    out += "# HELP sorvada_lobby_uptime_seconds Seconds since the lobby started.\n"
           "# TYPE sorvada_lobby_uptime_seconds gauge\n"
           "sorvada_lobby_uptime_seconds "
        + QByteArray::number(stats.now() / 1000) + '\n';
    return out;
}

} // namespace sorvada
