#pragma once
// Small courses built in memory, and readable dumps of a course tree.

#include "CourseTree.h"
#include "IniDocument.h"

#include <QStringList>
#include <initializer_list>
#include <utility>

// Module `name` with ordinary topics `numbers` (the test is added): topic j is named name + j
// with movie lower(name) + j; the test is name + " Test" without a movie.
inline CourseModule makeModule(int number, const QString& name, std::initializer_list<int> numbers)
{
    CourseModule module{number, name, {}};
    for (int j : numbers)
        module.topics.append({j, name + QString::number(j), name.toLower() + QString::number(j)});
    module.topics.append({TestTopic, name + QStringLiteral(" Test"), QString()});
    return module;
}

inline Course makeCourse(const QString& title,
                         std::initializer_list<std::pair<QString, std::initializer_list<int>>> modules)
{
    Course course{title, {}};
    int number = 0;
    for (const auto& [name, topics] : modules)
        course.modules.append(makeModule(++number, name, topics));
    return course;
}

// One line per node in display order: "key=text", topics "key=text|tag".
inline QString dumpTree(const CourseTree& tree)
{
    QStringList lines;
    const auto line = [&](NodeId id) {
        const CourseTree::Node& n = tree.node(id);
        lines << (KindOfKey(n.key) == NodeKind::Topic ? n.key + '=' + n.text + '|' + n.tag : n.key + '=' + n.text);
    };
    line(tree.root());
    for (NodeId module : tree.modules()) {
        line(module);
        for (NodeId topic : tree.node(module).children)
            line(topic);
    }
    return lines.join('\n');
}

// The node list's keys in order, "root" first.
inline QString dumpNodeList(const CourseTree& tree)
{
    QStringList keys;
    for (NodeId id : tree.nodeList())
        keys << tree.node(id).key;
    return keys.join(' ');
}

// What a save of the tree produces from an empty file.
inline QByteArray savedText(const CourseTree& tree)
{
    IniDocument document;
    tree.writeTo(document);
    return document.bytes();
}

// Test-side file text: lines joined with CR LF, as the INI writer ends its lines.
inline QByteArray crlf(const QString& text)
{
    QString copy = text;
    return copy.replace(QStringLiteral("\n"), QStringLiteral("\r\n")).toLatin1();
}

inline NodeId keyOf(const CourseTree& tree, const QString& key)
{
    return tree.find(key);
}
