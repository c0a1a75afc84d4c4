// SPDX-License-Identifier: GPL-3.0-or-later
// The help file "ajuda.hlp": HTML topics, each opened by a marker line
//   @topic N Title
// where N is the topic's context number (0 is the contents page). Lines
// before the first marker are a comment. Links between topics are written
// <a href="topic:N">.
//
//   ParseHelpFile   the topics of a help file's text, in file order
//   FindHelpTopic   the topic with a given context, or nullptr
//   ReadHelpFile    reads and parses a help file (UTF-8); false when unreadable
//   TopicLinks      the context numbers a topic links to
#pragma once

#include <QList>
#include <QString>

namespace zarn {

struct HelpTopic {
    int Context = 0;
    QString Title;
    QString Html;
};

// Prefix of a link to another topic: href="topic:106".
inline const QString kTopicLinkScheme = QStringLiteral("topic");

QList<HelpTopic> ParseHelpFile(const QString& text);
const HelpTopic* FindHelpTopic(const QList<HelpTopic>& topics, int context);
bool ReadHelpFile(const QString& path, QList<HelpTopic>& topics);
QList<int> TopicLinks(const HelpTopic& topic);

}  // namespace zarn
