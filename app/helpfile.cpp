// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/helpfile.h"

#include <QFile>
#include <QRegularExpression>

namespace zarn {

namespace {

const QString kTopicMarker = QStringLiteral("@topic ");

}  // namespace

QList<HelpTopic> ParseHelpFile(const QString& text) {
    QList<HelpTopic> topics;
    HelpTopic* current = nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (line.startsWith(kTopicMarker)) {
            const QString rest = line.mid(kTopicMarker.size()).trimmed();
            const qsizetype blank = rest.indexOf(QLatin1Char(' '));
            bool ok = false;
            const int context = rest.left(blank < 0 ? rest.size() : blank).toInt(&ok);
            if (ok) {
                topics.append({context, blank < 0 ? QString() : rest.mid(blank + 1).trimmed(), QString()});
                current = &topics.last();
                continue;
            }
        }
        if (current) current->Html += line + QLatin1Char('\n');
    }
    return topics;
}

const HelpTopic* FindHelpTopic(const QList<HelpTopic>& topics, int context) {
    for (const HelpTopic& t : topics)
        if (t.Context == context) return &t;
    return nullptr;
}

bool ReadHelpFile(const QString& path, QList<HelpTopic>& topics) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    topics = ParseHelpFile(QString::fromUtf8(file.readAll()));
    return true;
}

QList<int> TopicLinks(const HelpTopic& topic) {
    static const QRegularExpression link(QStringLiteral("href=\"topic:(\\d+)\""));
    QList<int> out;
    for (auto it = link.globalMatch(topic.Html); it.hasNext();) out << it.next().captured(1).toInt();
    return out;
}

}  // namespace zarn
