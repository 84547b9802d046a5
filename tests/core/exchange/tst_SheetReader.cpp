#include <QtTest>

#include <zip.h>

#include "core/base/CoreError.h"
#include "core/exchange/SheetReader.h"

namespace {

// An XLSX made by hand: a sheet (and shared strings) as other programs may write them.
QString writeZip(const QString &path, const QByteArray &sheet, const QByteArray &strings = {})
{
    int error = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    const auto add = [z](const char *name, const QByteArray &bytes) {
        auto *copy = static_cast<char *>(malloc(size_t(bytes.size()) + 1));
        memcpy(copy, bytes.constData(), size_t(bytes.size()));
        zip_file_add(z, name, zip_source_buffer(z, copy, zip_uint64_t(bytes.size()), 1), ZIP_FL_OVERWRITE);
    };
    add("xl/worksheets/sheet1.xml", sheet);
    if (!strings.isEmpty())
        add("xl/sharedStrings.xml", strings);
    zip_close(z);
    return path;
}

QString rowsOf(const QString &path)
{
    try {
        SheetReader r(path);
        QStringList out;
        for (SheetReader::Row row; r.next(row);)
            out << QString::number(row.number) + u':' + row.cells.join(u'|');
        return out.join(u'/') + (r.hasMergedCells() ? QStringLiteral(" merged") : QString());
    } catch (const CoreError &e) {
        return e.message();
    }
}

} // namespace

// The worksheet's XML read by hand: what QXmlStreamReader made of it, and damage refused.
class tst_SheetReader : public QObject
{
    Q_OBJECT
private slots:
    void cells_data()
    {
        QTest::addColumn<QByteArray>("sheet");
        QTest::addColumn<QString>("rows");
        const QByteArray head = "<?xml version=\"1.0\"?>\r\n<!-- <row> --><x:worksheet xmlns:x=\"m\"><x:sheetData>";
        const QByteArray tail = "</x:sheetData></x:worksheet>";
        QTest::newRow("prefixes, entities and line breaks")
            << head + "<x:row r=\"2\"><x:c r=\"B2\" t=\"inlineStr\"><x:is><x:t>a &amp; &lt;b&gt; &#20013;&#x6587;"
                      " &quot;q&apos;\r\nx</x:t></x:is></x:c></x:row>" + tail
            << "2:|a & <b> 中文 \"q'\nx";
        QTest::newRow("cdata, rich text, a quote holding >")
            << head + "<x:row><x:c t='inlineStr'><x:is><x:t><![CDATA[<raw & >]]></x:t></x:is></x:c>"
                      "<x:c t=\"inlineStr\"><x:is><x:r><x:t>ri</x:t></x:r><x:r><x:rPr><x:b/></x:rPr>"
                      "<x:t a=\"1>2\">ch</x:t></x:r></x:is></x:c></x:row>" + tail
            << "1:<raw & >|rich";
        QTest::newRow("empty rows and cells, numbers, shared strings")
            << head + "<x:row r=\"1\"/><x:row r=\"3\"><x:c r=\"A3\"/><x:c r=\"C3\"><x:v>1.5E+20</x:v></x:c>"
                      "<x:c r=\"D3\" t=\"s\"><x:v>1</x:v></x:c></x:row><x:mergeCells><x:mergeCell ref=\"A3:B3\"/>"
                      "</x:mergeCells>" + tail
            << "3:||150000000000000000000|部分 merged";
        QTest::newRow("cut short") << head + "<x:row><x:c t=\"inlineStr\"><x:is><x:t>a</x:t>" << "文件已损坏，无法读取";
        QTest::newRow("an open tag") << head + "<x:row r=\"1\"" << "文件已损坏，无法读取";
        const QString wide = QStringLiteral("<worksheet><sheetData><row><c t=\"inlineStr\"><is><t>宽</t></is></c>"
                                            "</row></sheetData></worksheet>");
        QTest::newRow("a sheet in UTF-16")
            << QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char *>(wide.utf16()), wide.size() * 2)
            << "1:宽";
    }
    void cells()
    {
        QFETCH(QByteArray, sheet);
        QFETCH(QString, rows);
        QTemporaryDir dir;
        const QByteArray strings = "<sst><si><t>全</t></si><si><r><t>部</t></r><r><t>分</t></r>"
                                   "<rPh><t>ふ</t></rPh></si></sst>";
        QCOMPARE(rowsOf(writeZip(dir.filePath("a.xlsx"), sheet, strings)), rows);
    }
};

QTEST_GUILESS_MAIN(tst_SheetReader)
#include "tst_SheetReader.moc"
