#include "core/files/workbook.h"

#include "core/model/errors.h"

#include <QHash>
#include <QXmlStreamReader>

#include <zlib.h>

#include <map>

namespace pleq::files::workbook {

namespace {

// A workbook of reader results is a few hundred kilobytes unpacked; a part
// past this is no export (or a zip made to fill the memory).
const qint64 MaxPartSize = 32 * 1024 * 1024;

quint32 le32(const QByteArray& b, qsizetype at)
{
    if (at < 0 || at + 4 > b.size())
        return 0;
    const auto* p = reinterpret_cast<const uchar*>(b.constData() + at);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 le16(const QByteArray& b, qsizetype at)
{
    if (at < 0 || at + 2 > b.size())
        return 0;
    const auto* p = reinterpret_cast<const uchar*>(b.constData() + at);
    return quint16(p[0] | p[1] << 8);
}

struct Entry {
    quint16 method = 0;
    quint32 packed = 0;
    quint32 size = 0;
    quint32 local = 0;
};

class Zip
{
public:
    Zip(const QByteArray& bytes, const QString& fileName)
        : m_bytes(bytes)
        , m_fileName(fileName)
    {
        // The end record stands in the last 64 KiB (its comment is at most 65535 bytes).
        qsizetype end = -1;
        for (qsizetype at = bytes.size() - 22; at >= 0 && at >= bytes.size() - 22 - 65535; --at) {
            if (le32(bytes, at) == 0x06054b50) {
                end = at;
                break;
            }
        }
        if (end < 0)
            damaged();
        const quint16 count = le16(bytes, end + 10);
        qsizetype at = le32(bytes, end + 16);
        for (int n = 0; n < count; ++n) {
            if (le32(bytes, at) != 0x02014b50)
                damaged();
            Entry e{le16(bytes, at + 10), le32(bytes, at + 20), le32(bytes, at + 24), le32(bytes, at + 42)};
            const quint16 nameSize = le16(bytes, at + 28);
            if (at + 46 + nameSize > bytes.size())
                damaged();
            m_entries.insert(QString::fromUtf8(bytes.mid(at + 46, nameSize)), e);
            at += 46 + nameSize + le16(bytes, at + 30) + le16(bytes, at + 32);
        }
    }

    bool has(const QString& name) const { return m_entries.contains(name); }

    QByteArray part(const QString& name) const
    {
        const auto it = m_entries.find(name);
        if (it == m_entries.end())
            damaged();
        const Entry& e = *it;
        if (le32(m_bytes, e.local) != 0x04034b50 || e.size > MaxPartSize)
            damaged();
        const qsizetype data = qsizetype(e.local) + 30 + le16(m_bytes, e.local + 26) + le16(m_bytes, e.local + 28);
        if (data + qsizetype(e.packed) > m_bytes.size())
            damaged();
        if (e.method == 0)
            return m_bytes.mid(data, e.packed);
        if (e.method != 8)
            damaged();
        QByteArray out(qsizetype(e.size), Qt::Uninitialized);
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
            damaged();
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(m_bytes.constData() + data));
        z.avail_in = e.packed;
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = e.size;
        const int status = inflate(&z, Z_FINISH);
        const uLong written = z.total_out;
        inflateEnd(&z);
        if (status != Z_STREAM_END || written != e.size)
            damaged();
        return out;
    }

    [[noreturn]] void damaged() const
    {
        throw Error(QStringLiteral("Файл «%1» — книга Excel (.xlsx), но прочитать её не удалось: архив повреждён "
                                   "или неполон")
                        .arg(m_fileName));
    }

private:
    const QByteArray& m_bytes;
    QString m_fileName;
    QHash<QString, Entry> m_entries;
};

// The text of the <t> elements inside the current element (a shared string
// or an inline string with its runs).
QString textWithin(QXmlStreamReader& xml)
{
    QString text;
    const QString endName = xml.name().toString();
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("t"))
            text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
        else if (xml.isEndElement() && xml.name() == endName)
            break;
    }
    return text;
}

QStringList sharedStrings(const QByteArray& part)
{
    QStringList strings;
    QXmlStreamReader xml(part);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("si"))
            strings.append(textWithin(xml));
    }
    return strings;
}

// 0-based column of a cell reference ("C7" gives 2), -1 for none.
int columnOf(QStringView ref)
{
    int col = 0;
    qsizetype i = 0;
    while (i < ref.size() && ref.at(i) >= QLatin1Char('A') && ref.at(i) <= QLatin1Char('Z') && i < 3)
        col = col * 26 + (ref.at(i++).unicode() - 'A' + 1);
    return i == 0 ? -1 : col - 1;
}

// A cell's text for a tab-separated line: quoted when it holds a tab or a quote.
QString field(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (!text.contains(QLatin1Char('\t')) && !text.contains(QLatin1Char('"')))
        return text;
    text.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QStringList sheetLines(const QByteArray& part, const QStringList& strings)
{
    std::map<int, std::map<int, QString>> cells; // row, column: text
    QXmlStreamReader xml(part);
    int row = 0;
    int col = -1;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("row")) {
            const int r = xml.attributes().value(QLatin1String("r")).toInt();
            row = r > 0 ? r : row + 1;
            col = -1;
        } else if (xml.name() == QLatin1String("c")) {
            const QXmlStreamAttributes a = xml.attributes();
            const int c = columnOf(a.value(QLatin1String("r")));
            col = c >= 0 ? c : col + 1;
            const QString type = a.value(QLatin1String("t")).toString();
            QString text;
            if (type == QLatin1String("inlineStr")) {
                text = textWithin(xml);
            } else {
                // The value, if any, of a number, a shared string, a formula's result.
                while (!xml.atEnd()) {
                    xml.readNext();
                    if (xml.isStartElement() && xml.name() == QLatin1String("v")) {
                        text = xml.readElementText();
                    } else if (xml.isEndElement() && xml.name() == QLatin1String("c")) {
                        break;
                    }
                }
                if (type == QLatin1String("s")) {
                    bool ok = false;
                    const int n = text.toInt(&ok);
                    text = ok && n >= 0 && n < strings.size() ? strings.at(n) : QString();
                }
            }
            if (row > 0 && row <= 100000 && col < 16384 && !text.isEmpty())
                cells[row][col] = text;
        }
    }
    if (xml.hasError())
        throw Error(xml.errorString());
    QStringList lines;
    int last = 0;
    for (const auto& [r, columns] : cells) {
        while (++last < r)
            lines.append(QString());
        QStringList fields;
        for (const auto& [c, text] : columns) {
            while (fields.size() < c)
                fields.append(QString());
            fields.append(field(text));
        }
        lines.append(fields.join(QLatin1Char('\t')));
    }
    return lines;
}

} // namespace

bool isXlsx(const QByteArray& bytes)
{
    return bytes.startsWith("PK\x03\x04") && bytes.contains("xl/");
}

QList<Sheet> readXlsx(const QByteArray& bytes, const QString& fileName)
{
    const Zip zip(bytes, fileName);
    // The sheets in the workbook's order, each found through its relationship.
    QHash<QString, QString> targets;
    {
        QXmlStreamReader xml(zip.part(QStringLiteral("xl/_rels/workbook.xml.rels")));
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("Relationship")) {
                QString target = xml.attributes().value(QLatin1String("Target")).toString();
                target = target.startsWith(QLatin1Char('/')) ? target.mid(1) : QStringLiteral("xl/") + target;
                targets.insert(xml.attributes().value(QLatin1String("Id")).toString(), target);
            }
        }
    }
    const QString shared = QStringLiteral("xl/sharedStrings.xml");
    const QStringList strings = zip.has(shared) ? sharedStrings(zip.part(shared)) : QStringList();
    QList<Sheet> sheets;
    QXmlStreamReader xml(zip.part(QStringLiteral("xl/workbook.xml")));
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != QLatin1String("sheet"))
            continue;
        QString id;
        for (const QXmlStreamAttribute& a : xml.attributes()) {
            if (a.name() == QLatin1String("id"))
                id = a.value().toString();
        }
        const QString target = targets.value(id);
        if (target.isEmpty() || !zip.has(target))
            continue; // a chart sheet, or a part the workbook lacks
        Sheet sheet{xml.attributes().value(QLatin1String("name")).toString(), {}};
        try {
            sheet.lines = sheetLines(zip.part(target), strings);
        } catch (const Error&) {
            zip.damaged();
        }
        sheets.append(sheet);
    }
    if (xml.hasError())
        zip.damaged();
    return sheets;
}

} // namespace pleq::files::workbook
