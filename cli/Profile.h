#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <string>
#include <vector>

class IDictionary;
class IniParameter;

// Output settings for a receiver, checked and turned into the SET sentences 提交 sends for the
// same settings, in the same order. Comes from a settings file or from NAME=VALUE assignments.
class Profile
{
public:
    // A settings file as the save button writes it. Refused, with every offending key, its value
    // and what is allowed, when the page would change a value silently or send it wrongly.
    static std::optional<Profile> load(const QString& path, QString& error);
    // GGA … HDT or ALL = rate, SBAS=on|off, HDT-TALKER=HE|GP|GN, CLEAN; names in any case.
    static std::optional<Profile> fromAssignments(const QStringList& assignments, QString& error);

    // The sentences to send, each with its CR LF.
    const std::vector<std::string>& sentences() const { return setSentences; }
    // Sentence name (GGA … HDT) -> the rate it reports once the sentences took effect.
    const std::map<std::string, std::string>& wantedRates() const { return wanted; }
    // The baud rate the file was saved with; 0 when it names none.
    unsigned baudHint() const { return baud; }
    // The file as given and the SHA-256 of its bytes, hex; empty for assignments.
    const QString& path() const { return filePath; }
    const QString& sha256() const { return digest; }
    // Keys the page does not know, which are ignored.
    const QStringList& ignoredKeys() const { return unknownKeys; }

    // The rate list as one text, for messages.
    static QString allowedRates();

private:
    // The file's bytes, read once; only a plain file of at most 1 MiB is read.
    static bool readOnce(const QString& path, QByteArray& bytes, QString& error);
    // Text a person wrote: UTF-8 throughout.
    static bool checkText(const QByteArray& bytes, QStringList& errors);
    // Keys that would be ignored or contradict each other, and a file with nothing to set.
    static void checkKeys(const IniParameter& file, QStringList& errors);
    // raw holds the values as read; errors collects every refusal.
    static void check(IDictionary* raw, QStringList& errors);
    void build(IDictionary* page, bool withSbas);

    std::vector<std::string> setSentences;
    std::map<std::string, std::string> wanted;
    unsigned baud = 0;
    QString filePath;
    QString digest;
    QStringList unknownKeys;
};
