#include "cli/common.h"

#include "docs/projectfile.h"
#include "model/errors.h"
#include "model/project.h"

#include <QSaveFile>

#include <cstdio>

namespace pleq::cli {

void out(const QString& text)
{
    outBytes(text.toUtf8());
}

void outBytes(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void err(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

int fail(const QString& message)
{
    err(QStringLiteral("pleq-cli: ") + message + QLatin1Char('\n'));
    return 1;
}

std::unique_ptr<Project> loadProject(const QString& path)
{
    auto project = std::make_unique<Project>();
    openProject(*project, path);
    return project;
}

void writeOutput(const QString& path, const QByteArray& bytes)
{
    if (path.isEmpty()) {
        outBytes(bytes);
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Error(file.errorString());
}

} // namespace pleq::cli
