#include "core/exchange/SheetReader.h"

#include <cmath>

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QVarLengthArray>
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
        if (!QStringView(c).trimmed().isEmpty())
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

// A worksheet's XML read by hand: start and end tags with their attributes, and text. A sheet
// is most of an XLSX file and QXmlStreamReader's tokens cost several times these, which counts
// twice over when a file is read once to check it and once to write it. Names are compared
// without their namespace prefix, as QXmlStreamReader::name() gives them.
class SheetXml
{
public:
    enum class Token { Start, End, Text, Done };

    SheetXml(ZipEntry &entry, QByteArray first) : m_entry(entry), m_buf(std::move(first))
    {
        if (m_buf.startsWith("\xEF\xBB\xBF"))
            m_pos = 3;
    }

    Token next()
    {
        if (m_pendingEnd) {
            m_pendingEnd = false;
            --m_depth;
            return Token::End;
        }
        for (;;) {
            // Enough in hand to tell a comment or CDATA from a tag.
            while (m_buf.size() - m_pos < 9 && more()) {
            }
            if (m_pos >= m_buf.size()) {
                if (m_depth != 0)
                    throw damaged();
                return Token::Done;
            }
            if (m_buf.at(m_pos) != '<') {
                const qsizetype lt = m_buf.indexOf('<', m_pos);
                if (lt < 0 && more())
                    continue;
                const qsizetype end = lt < 0 ? m_buf.size() : lt;
                m_text = QByteArrayView(m_buf).sliced(m_pos, end - m_pos);
                m_cdata = false;
                m_pos = end;
                return Token::Text;
            }
            const QByteArrayView rest = QByteArrayView(m_buf).sliced(m_pos);
            if (rest.startsWith("<!--")) {
                if (!skipPast("-->"))
                    continue;
            } else if (rest.startsWith("<![CDATA[")) {
                const qsizetype end = m_buf.indexOf("]]>", m_pos + 9);
                if (end < 0) {
                    if (!more())
                        throw damaged();
                    continue;
                }
                m_text = QByteArrayView(m_buf).sliced(m_pos + 9, end - m_pos - 9);
                m_cdata = true;
                m_pos = end + 3;
                return Token::Text;
            } else if (rest.startsWith("<?")) {
                if (!skipPast("?>"))
                    continue;
            } else if (rest.startsWith("<!")) {
                if (!skipPast(">"))
                    continue;
            } else {
                // The tag's end: the first '>' outside a quoted value.
                qsizetype gt = -1;
                char quote = 0;
                for (qsizetype i = m_pos + 1; i < m_buf.size(); ++i) {
                    const char c = m_buf.at(i);
                    if (quote) {
                        if (c == quote)
                            quote = 0;
                    } else if (c == '"' || c == '\'') {
                        quote = c;
                    } else if (c == '>') {
                        gt = i;
                        break;
                    }
                }
                if (gt < 0) {
                    if (!more())
                        throw damaged();
                    continue;
                }
                return tag(QByteArrayView(m_buf).sliced(m_pos + 1, gt - m_pos - 1), gt + 1);
            }
        }
    }

    QByteArrayView name() const { return m_name; }

    QByteArrayView attribute(QByteArrayView name) const
    {
        for (const auto &[n, v] : m_attributes)
            if (n == name)
                return v;
        return {};
    }

    // A Text token's characters: entities replaced and line breaks as XML reads them.
    void appendText(QString &to) const
    {
        QString t = QString::fromUtf8(m_text);
        if (!m_cdata) {
            if (t.contains(u'\r'))
                t.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
            if (t.contains(u'&'))
                t = unescaped(t);
        }
        to += t;
    }

private:
    bool more()
    {
        m_buf.remove(0, m_pos);
        m_pos = 0;
        const QByteArray piece = m_entry.read();
        if (piece.isEmpty())
            return false;
        m_buf += piece;
        return true;
    }

    // False when more has to be read first; a construct never closed is damage.
    bool skipPast(const char *end)
    {
        const qsizetype at = m_buf.indexOf(end, m_pos + 1);
        if (at < 0) {
            if (!more())
                throw damaged();
            return false;
        }
        m_pos = at + qsizetype(qstrlen(end));
        return true;
    }

    static QByteArrayView local(QByteArrayView name)
    {
        const qsizetype colon = name.indexOf(':');
        return colon < 0 ? name : name.sliced(colon + 1);
    }

    static bool space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    Token tag(QByteArrayView body, qsizetype after)
    {
        m_pos = after;
        m_attributes.clear();
        if (body.startsWith('/')) {
            qsizetype e = 1;
            while (e < body.size() && !space(body.at(e)))
                ++e;
            m_name = local(body.sliced(1, e - 1));
            if (--m_depth < 0)
                throw damaged();
            return Token::End;
        }
        const bool empty = body.endsWith('/');
        if (empty)
            body.chop(1);
        qsizetype i = 0;
        while (i < body.size() && !space(body.at(i)))
            ++i;
        m_name = local(body.first(i));
        if (m_name.isEmpty())
            throw damaged();
        while (i < body.size()) {
            while (i < body.size() && space(body.at(i)))
                ++i;
            if (i >= body.size())
                break;
            const qsizetype nameFrom = i;
            while (i < body.size() && body.at(i) != '=' && !space(body.at(i)))
                ++i;
            const QByteArrayView attributeName = local(body.sliced(nameFrom, i - nameFrom));
            while (i < body.size() && space(body.at(i)))
                ++i;
            if (i >= body.size() || body.at(i) != '=')
                throw damaged();
            ++i;
            while (i < body.size() && space(body.at(i)))
                ++i;
            if (i >= body.size() || (body.at(i) != '"' && body.at(i) != '\''))
                throw damaged();
            const char quote = body.at(i++);
            const qsizetype valueFrom = i;
            while (i < body.size() && body.at(i) != quote)
                ++i;
            if (i >= body.size())
                throw damaged();
            m_attributes.append({attributeName, body.sliced(valueFrom, i - valueFrom)});
            ++i;
        }
        ++m_depth;
        m_pendingEnd = empty;
        return Token::Start;
    }

    static QString unescaped(const QString &t)
    {
        QString out;
        out.reserve(t.size());
        for (qsizetype i = 0; i < t.size(); ++i) {
            const qsizetype semi = t.at(i) == u'&' ? t.indexOf(u';', i) : -1;
            if (semi < 0 || semi - i > 10) {
                out += t.at(i);
                continue;
            }
            const QStringView e = QStringView(t).sliced(i + 1, semi - i - 1);
            char32_t c = 0;
            if (e == u"lt")
                c = '<';
            else if (e == u"gt")
                c = '>';
            else if (e == u"amp")
                c = '&';
            else if (e == u"quot")
                c = '"';
            else if (e == u"apos")
                c = '\'';
            else if (e.startsWith(u'#')) {
                bool ok = false;
                const uint n = e.startsWith(u"#x") ? e.sliced(2).toUInt(&ok, 16) : e.sliced(1).toUInt(&ok, 10);
                c = ok && n > 0 && n <= 0x10ffff ? char32_t(n) : 0;
            }
            if (c == 0) {
                out += t.at(i);
                continue;
            }
            out += QStringView(QChar::fromUcs4(c));
            i = semi;
        }
        return out;
    }

    ZipEntry &m_entry;
    QByteArray m_buf;
    qsizetype m_pos = 0;
    int m_depth = 0;
    bool m_pendingEnd = false, m_cdata = false;
    QByteArrayView m_name, m_text;
    QVarLengthArray<std::pair<QByteArrayView, QByteArrayView>, 8> m_attributes;
};

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
        if (c < u'A' || c > u'Z' || col > 16384)
            break;
        col = col * 26 + (c.unicode() - 'A' + 1);
    }
    return col - 1;
}

int columnOf(QByteArrayView ref)
{
    int col = 0;
    for (const char c : ref) {
        if (c < 'A' || c > 'Z' || col > 16384)
            break;
        col = col * 26 + (c - 'A' + 1);
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
        // A sheet in UTF-16, which no spreadsheet program writes but XML allows, goes through
        // QXmlStreamReader; UTF-8 through our own reading.
        QByteArray first = m_sheet->read();
        if (first.startsWith("\xFF\xFE") || first.startsWith("\xFE\xFF")) {
            m_xml.addData(first);
            m_started = true;
        } else {
            m_scan = std::make_unique<SheetXml>(*m_sheet, std::move(first));
        }
    }
    ~XlsxSource() override
    {
        m_scan.reset();
        m_sheet.reset();
        if (m_zip)
            zip_discard(m_zip);
    }

    bool next(SheetReader::Row &row) override
    {
        if (!m_scan)
            return nextThroughQt(row);
        static const QString shared = QStringLiteral("s"), number = QStringLiteral("n"),
                             inline_ = QStringLiteral("inlineStr");
        for (;;) {
            switch (m_scan->next()) {
            case SheetXml::Token::Done:
                return false;
            case SheetXml::Token::Start: {
                const QByteArrayView name = m_scan->name();
                if (name == "row") {
                    const int r = m_scan->attribute("r").toInt();
                    m_row = r > 0 ? r : m_row + 1;
                    m_cells.clear();
                    m_col = -1;
                } else if (name == "c") {
                    const QByteArrayView ref = m_scan->attribute("r");
                    m_col = ref.isEmpty() ? m_col + 1 : columnOf(ref);
                    const QByteArrayView type = m_scan->attribute("t");
                    m_type = type.isEmpty()        ? QString()
                             : type == "s"         ? shared
                             : type == "n"         ? number
                             : type == "inlineStr" ? inline_
                                                   : QString::fromUtf8(type);
                    m_style = m_scan->attribute("s").toInt();
                    m_value.clear();
                } else if (name == "v" || name == "t") {
                    m_inText = true;
                } else if (name == "mergeCell") {
                    m_merged = true;
                }
                break;
            }
            case SheetXml::Token::Text:
                if (m_inText)
                    m_scan->appendText(m_value);
                break;
            case SheetXml::Token::End: {
                const QByteArrayView name = m_scan->name();
                if (name == "v" || name == "t") {
                    m_inText = false;
                } else if (name == "c" && m_col >= 0 && m_col < 16384) {
                    while (m_cells.size() <= m_col)
                        m_cells << QString();
                    m_cells[m_col] = cellText();
                } else if (name == "row" && !blank(m_cells)) {
                    row.number = m_row;
                    row.cells = m_cells;
                    return true;
                }
                break;
            }
            }
        }
    }

    bool nextThroughQt(SheetReader::Row &row)
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
            if (i < 0 || size_t(i) + 1 >= m_stringAt.size())
                return QString();
            return QString::fromUtf8(m_stringText.constData() + m_stringAt[size_t(i)],
                                     m_stringAt[size_t(i) + 1] - m_stringAt[size_t(i)]);
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

    // Shared strings packed as UTF-8, one after another: a sheet of a million codes holds a
    // million of them.
    void readStrings()
    {
        QString text;
        bool inT = false, inPhonetic = false;
        enum Tag { Other, Si, Phonetic, T };
        const auto tagOf = [](const auto &n) {
            return n == QLatin1StringView("si")    ? Si
                   : n == QLatin1StringView("rPh") ? Phonetic
                   : n == QLatin1StringView("t")   ? T
                                                   : Other;
        };
        const auto start = [&](Tag n) {
            if (n == Si)
                text.clear();
            else if (n == Phonetic)
                inPhonetic = true;
            else if (n == T)
                inT = !inPhonetic;
        };
        const auto end = [&](Tag n) {
            if (n == Si) {
                m_stringAt.push_back(m_stringText.size());
                m_stringText += text.toUtf8();
            } else if (n == Phonetic) {
                inPhonetic = false;
            } else if (n == T) {
                inT = false;
            }
        };
        ZipEntry entry(m_zip, QStringLiteral("xl/sharedStrings.xml"));
        QByteArray first = entry.read();
        if (first.startsWith("\xFF\xFE") || first.startsWith("\xFE\xFF")) {
            walk(m_zip, QStringLiteral("xl/sharedStrings.xml"), [&](QXmlStreamReader &x) {
                if (x.isStartElement())
                    start(tagOf(x.name()));
                else if (x.isEndElement())
                    end(tagOf(x.name()));
                else if (x.isCharacters() && inT)
                    text += x.text();
            });
        } else if (entry.exists()) {
            SheetXml x(entry, std::move(first));
            for (SheetXml::Token t; (t = x.next()) != SheetXml::Token::Done;) {
                if (t == SheetXml::Token::Text) {
                    if (inT)
                        x.appendText(text);
                    continue;
                }
                if (t == SheetXml::Token::Start)
                    start(tagOf(x.name()));
                else
                    end(tagOf(x.name()));
            }
        }
        m_stringAt.push_back(m_stringText.size());
    }

    zip_t *m_zip = nullptr;
    std::unique_ptr<ZipEntry> m_sheet;
    std::unique_ptr<SheetXml> m_scan;
    QXmlStreamReader m_xml;
    QByteArray m_stringText;
    std::vector<qsizetype> m_stringAt; // where each begins; one more: where the last ends
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
