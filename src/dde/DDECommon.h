#pragma once
// The exchange with companion programs over the D-Bus session bus. A server (application,
// topic) is the service "dde.<application>" with the object "/<topic>" and the interface
// "dde.Topic": Execute(s) -> b, Request(s) -> s, and the signal Advise(s item, s value) on every
// change of an item. docs/companion-protocol.md describes it for third parties.
#include <optional>
#include <QString>

namespace dde {

inline constexpr const char* kInterface = "dde.Topic";
inline constexpr const char* kAdvise = "Advise";
// The application name under which the program offers its own topic.
inline constexpr const char* kOwnApplication = "tonedeck";
inline constexpr const char* kOwnTopic = "DDEClient";
// Longest execute string or item value accepted; anything longer is refused.
inline constexpr int kMaxText = 4096;
// Every call waits at most this long, so that a companion that never answers costs a moment.
inline constexpr int kCallTimeoutMs = 1000;

// "dde.<application>"; empty when the application name cannot be part of a bus name.
QString ServiceName(const QString& application);
// "/<topic>"; empty when the topic cannot be an object path element.
QString ObjectPath(const QString& topic);

// A link topic "application|topic" split in its two parts; nullopt when it is not one.
struct LinkTopic {
    QString application;
    QString topic;
};
std::optional<LinkTopic> SplitLinkTopic(const QString& linkTopic);

// The tag form of a field: "<name:length>value", the length in characters.
QString Tag(const QString& name, const QString& value);
// The value of a tag in text ("<name:n>value..."), nullopt when the tag is absent or its length
// is not a number that fits the text. Names compare without regard to case.
std::optional<QString> TagValue(const QString& text, const QString& name);

// An execute string sent to the program's own topic: three digits, the program number, then
// a command, lower-cased. nullopt for anything else (too short, too long, not digits).
struct Announcement {
    int program = 0;
    QString command;
};
std::optional<Announcement> ParseAnnouncement(const QString& execute);

// A command to a companion program: its number as three digits, the command word, the argument.
QString CommandString(int program, const QString& word, const QString& argument = QString());

} // namespace dde
