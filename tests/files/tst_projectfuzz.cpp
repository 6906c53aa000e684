#include "core/files/projectfile.h"
#include "core/model/errors.h"
#include "core/model/project.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

using namespace pleq;

namespace {

QByteArray fixture(const char* name)
{
    QFile file(QStringLiteral(PLEQ_FIXTURES "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return file.readAll();
}

// One damaged file: a few random edits of a good file, or noise.
QByteArray mutate(const QByteArray& good, QRandomGenerator& rng)
{
    QByteArray bytes = good;
    const int kind = int(rng.bounded(8));
    if (kind == 0) { // noise, with line ends now and then
        bytes.resize(qsizetype(rng.bounded(4000)));
        for (char& c : bytes)
            c = rng.bounded(10) == 0 ? '\n' : char(rng.bounded(256));
        return bytes;
    }
    QList<QByteArray> lines = bytes.split('\n');
    const int edits = 1 + int(rng.bounded(4));
    for (int e = 0; e < edits && !lines.isEmpty(); ++e) {
        const qsizetype i = qsizetype(rng.bounded(quint32(lines.size())));
        switch (kind) {
        case 1: // a number where the count stands, or anywhere
            lines[rng.bounded(2) ? 126 % lines.size() : i] =
                QByteArray::number(qint64(rng.generate64() >> rng.bounded(64)) * (rng.bounded(2) ? 1 : -1)) + "\r";
            break;
        case 2: lines.remove(i, qsizetype(rng.bounded(quint32(lines.size() - i)) + 1)); break;
        case 3: lines.insert(i, lines.at(qsizetype(rng.bounded(quint32(lines.size()))))); break;
        case 4: // bytes flipped inside a line
            if (!lines[i].isEmpty())
                lines[i][qsizetype(rng.bounded(quint32(lines[i].size())))] = char(rng.bounded(256));
            break;
        case 5: lines[i] = QByteArray(qsizetype(rng.bounded(300)), char(rng.bounded(256))); break;
        case 6: lines[1 % lines.size()] = QByteArray(1, '0') + char(rng.bounded(256)) + "\r"; break;
        default: lines[i].replace('\r', rng.bounded(2) ? "" : "\r\r"); break;
        }
    }
    return lines.join('\n');
}

} // namespace

class TestProjectFuzz : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void damagedFiles();
};

// Damaged and random files never crash the open (sanitizers watch in CI), never
// half-apply, and whatever opens saves to a file that reopens to the same bytes.
void TestProjectFuzz::damagedFiles()
{
    const QByteArray goods[] = {fixture("three-samples.plq"), fixture("initial.plq"),
                                fixture("protocol/kit05/project.plq")};
    int accepted = 0;
    for (quint32 seed = 1; seed <= 3000; ++seed) {
        QRandomGenerator rng(seed);
        const QByteArray bytes = mutate(goods[seed % 3], rng);
        Project project;
        const QByteArray before = writeProjectFile(project);
        try {
            readProjectFile(project, bytes);
        } catch (const Error&) {
            QVERIFY2(writeProjectFile(project) == before, qPrintable(QStringLiteral("seed %1 half-applied").arg(seed)));
            continue;
        }
        ++accepted;
        // Whatever opens saves again: a file that could not is refused at open.
        QByteArray saved;
        try {
            saved = writeProjectFile(project);
        } catch (const Error& e) {
            QFAIL(qPrintable(QStringLiteral("seed %1 opens but does not save: %2").arg(seed).arg(e.message())));
        }
        Project again;
        readProjectFile(again, saved);
        QVERIFY2(writeProjectFile(again) == saved, qPrintable(QStringLiteral("seed %1 does not round-trip").arg(seed)));
    }
    QVERIFY(accepted > 100); // the mutations must also reach the applying code
}

QTEST_GUILESS_MAIN(TestProjectFuzz)
#include "tst_projectfuzz.moc"
