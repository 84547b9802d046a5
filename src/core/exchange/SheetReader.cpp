#include "core/exchange/SheetReader.h"

#include <cmath>

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <zip.h>

#include "core/base/CoreError.h"

class SheetReader::Source
{
public:
    virtual ~Source() = default;
    virtual bool next(Row &row) = 0;
    virtual qint64 done() const = 0;
    virtual qint64 total() const = 0;
    virtual bool merged() const { return false; }
};

namespace {

CoreError damaged()
{
    return CoreError::refusal(QStringLiteral("文件已损坏，无法读取"));
}

bool blank(const QStringList &cells)
{
    for (const QString &c : cells)
        if (!c.trimmed().isEmpty())
            return false;
    return true;
}

// CSV as spreadsheets write it: fields split by commas, quoted when they hold a comma, a quote
// or a line break. The encoding is decided from the file's beginning: a byte-order mark or
// valid UTF-8 means UTF-8, anything else GB18030.
class CsvSource : public SheetReader::Source
{
public:
    explicit CsvSource(const QString &path) : m_file(path)
    {
        if (!m_file.open(QIODevice::ReadOnly))
            throw CoreError::refusal(QStringLiteral("无法打开文件：%1").arg(m_file.errorString()));
        const QByteArray head = m_file.peek(64 * 1024);
        if (head.contains('\0'))
            throw CoreError::refusal(SheetReader::notASpreadsheet());
        QStringDecoder utf8(QStringDecoder::Utf8);
        if (head.startsWith("\xEF\xBB\xBF")) {
            m_file.read(3);
            m_decoder = QStringDecoder(QStringDecoder::Utf8);
            return;
        }
        const QString probe = utf8.decode(head); // decoding happens on conversion
        Q_UNUSED(probe);
        m_decoder = utf8.hasError() ? QStringDecoder("GB18030") : QStringDecoder(QStringDecoder::Utf8);
        if (!m_decoder.isValid())
            throw CoreError::refusal(QStringLiteral("本机不支持 GB18030 编码"));
    }

    bool next(SheetReader::Row &row) override
    {
        while (!m_file.atEnd()) {
            QStringList cells;
            QString field;
            bool quoted = false, fieldWasQuoted = false;
            const int first = ++m_line;
            QString line = m_decoder.decode(m_file.readLine());
            for (;;) {
                for (qsizetype i = 0; i < line.size(); ++i) {
                    const QChar c = line.at(i);
                    if (quoted) {
                        if (c == u'"') {
                            if (i + 1 < line.size() && line.at(i + 1) == u'"') {
                                field += u'"';
                                ++i;
                            } else {
                                quoted = false;
                            }
                        } else {
                            field += c;
                        }
                    } else if (c == u'"' && field.isEmpty() && !fieldWasQuoted) {
                        quoted = fieldWasQuoted = true;
                    } else if (c == u',') {
                        cells << field;
                        field.clear();
                        fieldWasQuoted = false;
                    } else if (c != u'\r' && c != u'\n') {
                        field += c;
                    }
                }
                if (!quoted || m_file.atEnd())
                    break;
                // A quoted field goes on over the line break.
                ++m_line;
                line = m_decoder.decode(m_file.readLine());
            }
            cells << field;
            if (blank(cells))
                continue;
            row.number = first;
            row.cells = cells;
            return true;
        }
        return false;
    }
    qint64 done() const override { return m_file.pos(); }
    qint64 total() const override { return m_file.size(); }

private:
    QFile m_file;
    QStringDecoder m_decoder;
    int m_line = 0;
};

// One entry of the zip, read in pieces.
class ZipEntry
{
public:
    ZipEntry(zip_t *zip, const QString &name) : m_file(zip_fopen(zip, name.toUtf8().constData(), 0))
    {
        zip_stat_t st;
        zip_stat_init(&st);
        if (m_file && zip_stat(zip, name.toUtf8().constData(), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE))
            m_size = qint64(st.size);
    }
    ~ZipEntry()
    {
        if (m_file)
            zip_fclose(m_file);
    }
    ZipEntry(const ZipEntry &) = delete;
    ZipEntry &operator=(const ZipEntry &) = delete;
    bool exists() const { return m_file != nullptr; }
    // The next piece; empty at the end.
    QByteArray read()
    {
        QByteArray buf(256 * 1024, Qt::Uninitialized);
        const zip_int64_t n = m_file ? zip_fread(m_file, buf.data(), zip_uint64_t(buf.size())) : 0;
        if (n < 0)
            throw damaged();
        buf.resize(qsizetype(n));
        m_done += n;
        return buf;
    }
    qint64 done() const { return m_done; }
    qint64 size() const { return m_size; }

private:
    zip_file_t *m_file;
    qint64 m_size = 0, m_done = 0;
};

// Walks an entry's XML, feeding the reader piece by piece; `token` sees every token.
void walk(zip_t *zip, const QString &name, const std::function<void(QXmlStreamReader &)> &token)
{
    ZipEntry entry(zip, name);
    if (!entry.exists())
        return;
    QXmlStreamReader xml;
    for (;;) {
        const QXmlStreamReader::TokenType t = xml.readNext();
        if (t == QXmlStreamReader::Invalid) {
            if (xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
                throw damaged();
            const QByteArray piece = entry.read();
            if (piece.isEmpty())
                throw damaged();
            xml.addData(piece);
            continue;
        }
        if (t == QXmlStreamReader::EndDocument)
            return;
        token(xml);
    }
}

QString attribute(const QXmlStreamReader &xml, QLatin1StringView name)
{
    for (const QXmlStreamAttribute &a : xml.attributes())
        if (a.name() == name)
            return a.value().toString();
    return QString();
}

bool isDateFormat(int id, const QString &code)
{
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
        (id >= 50 && id <= 58))
        return true;
    if (code.isEmpty())
        return false;
    QString plain;
    bool inQuote = false, inBracket = false;
    for (const QChar c : code) {
        if (c == u'"')
            inQuote = !inQuote;
        else if (!inQuote && c == u'[')
            inBracket = true;
        else if (inBracket && c == u']')
            inBracket = false;
        else if (!inQuote && !inBracket)
            plain += c.toLower();
    }
    return plain.contains(u'y') || plain.contains(u'd');
}

int columnOf(QStringView ref)
{
    int col = 0;
    for (const QChar c : ref) {
        if (c < u'A' || c > u'Z')
            break;
        col = col * 26 + (c.unicode() - 'A' + 1);
    }
    return col - 1;
}

// A number as the cell holds it, without exponent, so a code keeps every digit.
QString numberText(const QString &v)
{
    if (!v.contains(u'e') && !v.contains(u'E'))
        return v;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok)
        return v;
    if (std::fabs(d) < 9e15 && d == std::floor(d))
        return QString::number(qint64(d));
    return QString::number(d, 'f', QLocale::FloatingPointShortest);
}

class XlsxSource : public SheetReader::Source
{
public:
    explicit XlsxSource(const QString &path)
    {
        int error = 0;
        m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
        if (!m_zip)
            throw CoreError::refusal(SheetReader::notASpreadsheet());
        QString relId;
        walk(m_zip, QStringLiteral("xl/workbook.xml"), [&](QXmlStreamReader &x) {
            if (relId.isEmpty() && x.isStartElement() && x.name() == QLatin1StringView("sheet"))
                relId = attribute(x, QLatin1StringView("id"));
        });
        QString sheet = QStringLiteral("xl/worksheets/sheet1.xml");
        walk(m_zip, QStringLiteral("xl/_rels/workbook.xml.rels"), [&](QXmlStreamReader &x) {
            if (x.isStartElement() && x.name() == QLatin1StringView("Relationship") &&
                attribute(x, QLatin1StringView("Id")) == relId && !relId.isEmpty()) {
                const QString target = attribute(x, QLatin1StringView("Target"));
                sheet = target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target;
            }
        });
        readStyles();
        readStrings();
        m_sheet = std::make_unique<ZipEntry>(m_zip, sheet);
        if (!m_sheet->exists())
            throw CoreError::refusal(SheetReader::notASpreadsheet());
    }
    ~XlsxSource() override
    {
        m_sheet.reset();
        if (m_zip)
            zip_discard(m_zip);
    }

    bool next(SheetReader::Row &row) override
    {
        for (;;) {
            const QXmlStreamReader::TokenType t = m_xml.readNext();
            if (t == QXmlStreamReader::Invalid) {
                if (m_xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
                    throw damaged();
                const QByteArray piece = m_sheet->read();
                if (piece.isEmpty()) {
                    if (m_started)
                        throw damaged();
                    return false;
                }
                m_started = true;
                m_xml.addData(piece);
                continue;
            }
            if (t == QXmlStreamReader::EndDocument)
                return false;
            const QStringView name = m_xml.name();
            if (t == QXmlStreamReader::StartElement) {
                // The attributes read in place: a copy of them per cell costs more than the cell.
                if (name == QLatin1StringView("row")) {
                    const int r = m_xml.attributes().value(QLatin1StringView("r")).toInt();
                    m_row = r > 0 ? r : m_row + 1;
                    m_cells.clear();
                    m_col = -1;
                } else if (name == QLatin1StringView("c")) {
                    const QXmlStreamAttributes attributes = m_xml.attributes();
                    const QStringView ref = attributes.value(QLatin1StringView("r"));
                    m_col = ref.isEmpty() ? m_col + 1 : columnOf(ref);
                    m_type = attributes.value(QLatin1StringView("t")).toString();
                    m_style = attributes.value(QLatin1StringView("s")).toInt();
                    m_value.clear();
                } else if (name == QLatin1StringView("v") || name == QLatin1StringView("t")) {
                    m_inText = true;
                } else if (name == QLatin1StringView("mergeCell")) {
                    m_merged = true;
                }
            } else if (t == QXmlStreamReader::Characters && m_inText) {
                m_value += m_xml.text();
            } else if (t == QXmlStreamReader::EndElement) {
                if (name == QLatin1StringView("v") || name == QLatin1StringView("t")) {
                    m_inText = false;
                } else if (name == QLatin1StringView("c") && m_col >= 0 && m_col < 16384) {
                    while (m_cells.size() <= m_col)
                        m_cells << QString();
                    m_cells[m_col] = cellText();
                } else if (name == QLatin1StringView("row") && !blank(m_cells)) {
                    row.number = m_row;
                    row.cells = m_cells;
                    return true;
                }
            }
        }
    }
    qint64 done() const override { return m_sheet->done(); }
    qint64 total() const override { return m_sheet->size(); }
    bool merged() const override { return m_merged; }

private:
    QString cellText() const
    {
        if (m_type == QLatin1StringView("s")) {
            const int i = m_value.trimmed().toInt();
            return i >= 0 && i < m_strings.size() ? m_strings.at(i) : QString();
        }
        if (m_type.isEmpty() || m_type == QLatin1StringView("n")) {
            if (m_value.isEmpty())
                return m_value;
            if (m_style >= 0 && m_style < m_dateStyles.size() && m_dateStyles.at(m_style)) {
                bool ok = false;
                const double serial = m_value.toDouble(&ok);
                if (ok && serial >= 1 && serial < 2958466)
                    return QDate(1899, 12, 30).addDays(qint64(std::floor(serial)))
                        .toString(QStringLiteral("yyyy-MM-dd"));
            }
            return numberText(m_value);
        }
        return m_value; // inline strings, a formula's cached text, booleans, errors
    }

    void readStyles()
    {
        QHash<int, QString> codes;
        bool inXfs = false;
        walk(m_zip, QStringLiteral("xl/styles.xml"), [&](QXmlStreamReader &x) {
            if (x.isStartElement() && x.name() == QLatin1StringView("numFmt"))
                codes.insert(attribute(x, QLatin1StringView("numFmtId")).toInt(),
                             attribute(x, QLatin1StringView("formatCode")));
            else if (x.name() == QLatin1StringView("cellXfs"))
                inXfs = x.isStartElement();
            else if (inXfs && x.isStartElement() && x.name() == QLatin1StringView("xf")) {
                const int id = attribute(x, QLatin1StringView("numFmtId")).toInt();
                m_dateStyles << isDateFormat(id, codes.value(id));
            }
        });
    }

    void readStrings()
    {
        QString text;
        bool inT = false, inPhonetic = false;
        walk(m_zip, QStringLiteral("xl/sharedStrings.xml"), [&](QXmlStreamReader &x) {
            const QStringView n = x.name();
            if (x.isStartElement()) {
                if (n == QLatin1StringView("si"))
                    text.clear();
                else if (n == QLatin1StringView("rPh"))
                    inPhonetic = true;
                else if (n == QLatin1StringView("t"))
                    inT = !inPhonetic;
            } else if (x.isEndElement()) {
                if (n == QLatin1StringView("si"))
                    m_strings << text;
                else if (n == QLatin1StringView("rPh"))
                    inPhonetic = false;
                else if (n == QLatin1StringView("t"))
                    inT = false;
            } else if (x.isCharacters() && inT) {
                text += x.text();
            }
        });
    }

    zip_t *m_zip = nullptr;
    std::unique_ptr<ZipEntry> m_sheet;
    QXmlStreamReader m_xml;
    QStringList m_strings;
    QList<bool> m_dateStyles;
    QStringList m_cells;
    QString m_type, m_value;
    int m_row = 0, m_col = -1, m_style = 0;
    bool m_inText = false, m_merged = false, m_started = false;
};

} // namespace

QString SheetReader::notASpreadsheet()
{
    return QStringLiteral("文件不是电子表格（XLSX 或 CSV）");
}

SheetReader::SheetReader(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw CoreError::refusal(QStringLiteral("无法打开文件：%1").arg(f.errorString()));
    const QByteArray magic = f.read(4);
    f.close();
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (magic == QByteArray("PK\x03\x04", 4))
        m_source = std::make_unique<XlsxSource>(path);
    else if (suffix == QLatin1StringView("csv") || suffix == QLatin1StringView("txt"))
        m_source = std::make_unique<CsvSource>(path);
    else
        throw CoreError::refusal(notASpreadsheet());
}

SheetReader::~SheetReader() = default;

bool SheetReader::next(Row &row)
{
    return m_source->next(row);
}

qint64 SheetReader::done() const
{
    return m_source->done();
}

qint64 SheetReader::total() const
{
    return m_source->total();
}

bool SheetReader::hasMergedCells() const
{
    return m_source->merged();
}
