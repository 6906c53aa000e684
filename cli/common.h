#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

namespace pleq {
class Project;
}

namespace pleq::cli {

// Standard output and error, UTF-8 text or raw bytes.
void out(const QString& text);
void outBytes(const QByteArray& bytes);
void err(const QString& text);

// Prints "pleq-cli: " + message to stderr and returns the failure status 1.
int fail(const QString& message);

// The arguments of one command: the project file and its options.
struct Options {
    QString project;
    QMap<QString, QString> values; // options with a value, such as "-o" or "--decimal"
    QStringList flags;             // options without one, such as "--json"

    QString value(const QString& option) const { return values.value(option); }
    bool has(const QString& option) const { return values.contains(option) || flags.contains(option); }
};

// Parses PROJECT and the options a command takes (`valued` take the next
// argument, `flags` none; each at most once). Throws Error(usage) otherwise.
Options parseOptions(const QStringList& args, const QStringList& valued, const QStringList& flags,
                     const QString& usage);

// Applies "--decimal SEP" when given: "," or "." fixes the separator of the
// number texts, anything else is an error. Throws Error.
void applyDecimalOption(const Options& options);

// Opens a project file as "Открыть ..." does. Throws Error.
std::unique_ptr<Project> loadProject(const QString& path);

// Writes bytes to a file (atomically) or, for an empty path, to stdout. Throws Error.
void writeOutput(const QString& path, const QByteArray& bytes);

} // namespace pleq::cli
