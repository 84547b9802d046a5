#include "core/print/PrintTemplate.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "core/base/Money.h"
#include "core/base/NumberText.h"
#include "core/base/CoreError.h"
#include "core/print/RecordSet.h"

namespace {

const char *const kSections[] = {"header", "band", "footer"};

QString formatNumber(double v, const QString &format)
{
    if (format == u"#,0.00")
        return Money::fromDouble(v).formatGrouped();
    const qsizetype dot = format.indexOf(u'.');
    const int decimals = dot < 0 ? 0 : int(format.size() - dot - 1);
    return QString::number(v, 'f', decimals);
}

} // namespace

const QStringList &PrintTemplate::papers()
{
    static const QStringList list{QStringLiteral("58"), QStringLiteral("80"), QStringLiteral("A4"),
                                  QStringLiteral("A5"), QStringLiteral("B5")};
    return list;
}

bool PrintTemplate::isRoll() const
{
    return rollWidthMm() > 0;
}

double PrintTemplate::rollWidthMm() const
{
    bool ok = false;
    const double w = paper.toDouble(&ok);
    return ok && w >= 30 && w <= 120 ? w : 0;
}

PrintTemplate::Line PrintTemplate::makeLine(Section section, const QString &cells,
                                            const QString &widths, const QString &aligns,
                                            double size, bool bold, const QString &when)
{
    Line l;
    l.section = section;
    l.size = qBound(5.0, size, 48.0);
    l.bold = bold;
    l.when = when.trimmed();
    const QStringList texts = cells.split(u'|');
    const QStringList ws = widths.split(u',', Qt::SkipEmptyParts);
    int given = 0, missing = 0;
    for (int i = 0; i < texts.size(); ++i) {
        const int w = i < ws.size() ? ws[i].trimmed().toInt() : 0;
        if (w > 0)
            given += w;
        else
            ++missing;
    }
    const int share = missing ? qMax(1, (100 - given) / missing) : 0;
    for (int i = 0; i < texts.size(); ++i) {
        const int w = i < ws.size() ? ws[i].trimmed().toInt() : 0;
        const QString a = i < aligns.trimmed().size() ? QString(aligns.trimmed().at(i)) : QString();
        l.cells.append({texts[i], qBound(1, w > 0 ? w : share, 100), alignFromCode(a)});
    }
    return l;
}

QString PrintTemplate::cellsText(const Line &line)
{
    QStringList t;
    for (const Cell &c : line.cells)
        t << c.text;
    return t.join(u'|');
}

QString PrintTemplate::widthsText(const Line &line)
{
    QStringList t;
    for (const Cell &c : line.cells)
        t << QString::number(c.width);
    return t.join(u',');
}

QString PrintTemplate::alignsText(const Line &line)
{
    QString t;
    for (const Cell &c : line.cells)
        t += alignCode(c.align);
    return t;
}

QString PrintTemplate::sectionName(Section s)
{
    return QString::fromLatin1(kSections[int(s)]);
}

QString PrintTemplate::alignCode(Align a)
{
    return a == Align::Center ? QStringLiteral("C") : a == Align::Right ? QStringLiteral("R") : QStringLiteral("L");
}

PrintTemplate::Align PrintTemplate::alignFromCode(const QString &code)
{
    const QString c = code.trimmed().toUpper();
    if (c.startsWith(u'C'))
        return Align::Center;
    if (c.startsWith(u'R'))
        return Align::Right;
    return Align::Left;
}

QString PrintTemplate::toJson() const
{
    QJsonArray jl;
    for (const Line &l : lines) {
        QJsonArray cells;
        for (const Cell &c : l.cells)
            cells.append(QJsonObject{{QStringLiteral("text"), c.text},
                                     {QStringLiteral("width"), c.width},
                                     {QStringLiteral("align"), alignCode(c.align)}});
        QJsonObject o{{QStringLiteral("section"), sectionName(l.section)},
                      {QStringLiteral("cells"), cells},
                      {QStringLiteral("size"), l.size}};
        if (l.bold)
            o.insert(QStringLiteral("bold"), true);
        if (!l.when.isEmpty())
            o.insert(QStringLiteral("when"), l.when);
        jl.append(o);
    }
    const QJsonObject root{{QStringLiteral("paper"), paper},
                           {QStringLiteral("landscape"), landscape},
                           {QStringLiteral("margin"), margin},
                           {QStringLiteral("lines"), jl}};
    return QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented));
}

PrintTemplate PrintTemplate::fromJson(const QString &json)
{
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(json.toUtf8(), &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject())
        throw CoreError(QStringLiteral("打印模板格式错误：%1").arg(err.errorString()));
    const QJsonObject root = doc.object();
    PrintTemplate t;
    t.paper = root.value(QStringLiteral("paper")).toString(t.paper);
    if (!t.isRoll() && !papers().contains(t.paper, Qt::CaseInsensitive))
        throw CoreError(QStringLiteral("打印模板的纸张“%1”无法识别").arg(t.paper));
    t.paper = t.isRoll() ? t.paper : t.paper.toUpper();
    t.landscape = root.value(QStringLiteral("landscape")).toBool();
    t.margin = qBound(0.0, root.value(QStringLiteral("margin")).toDouble(t.margin), 50.0);
    for (const QJsonValue &lv : root.value(QStringLiteral("lines")).toArray()) {
        const QJsonObject o = lv.toObject();
        Line l;
        const QString s = o.value(QStringLiteral("section")).toString();
        if (s == u"band")
            l.section = Section::Band;
        else if (s == u"footer")
            l.section = Section::Footer;
        l.size = qBound(5.0, o.value(QStringLiteral("size")).toDouble(9), 48.0);
        l.bold = o.value(QStringLiteral("bold")).toBool();
        l.when = o.value(QStringLiteral("when")).toString();
        for (const QJsonValue &cv : o.value(QStringLiteral("cells")).toArray()) {
            const QJsonObject c = cv.toObject();
            l.cells.append({c.value(QStringLiteral("text")).toString(),
                            qBound(1, c.value(QStringLiteral("width")).toInt(100), 100),
                            alignFromCode(c.value(QStringLiteral("align")).toString())});
        }
        if (l.cells.isEmpty())
            l.cells.append(Cell{});
        t.lines.append(l);
    }
    return t;
}

namespace {
const QRegularExpression &fieldPattern()
{
    static const QRegularExpression re(QStringLiteral("\\{([A-Za-z_][A-Za-z0-9_]*)(?::([^{}]*))?\\}"));
    return re;
}
} // namespace

QList<PrintTemplate::Filled> PrintTemplate::fill(const RecordSet &data) const
{
    QList<Filled> out;
    auto emitLine = [&](const Line &l, int record) {
        if (!holds(l.when, data, record))
            return;
        Filled f{l, {}};
        for (const Cell &c : l.cells)
            f.texts << (l.isRule() ? c.text : expand(c.text, data, record));
        out.append(f);
    };
    for (const Section s : {Section::Header, Section::Band, Section::Footer}) {
        if (s == Section::Band) {
            for (int r = 0; r < data.recordCount(); ++r)
                for (const Line &l : lines)
                    if (l.section == s)
                        emitLine(l, r);
        } else {
            for (const Line &l : lines)
                if (l.section == s)
                    emitLine(l, 0);
        }
    }
    return out;
}

QString PrintTemplate::expand(const QString &text, const RecordSet &data, int record)
{
    QString out;
    qsizetype last = 0;
    auto it = fieldPattern().globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        out += text.mid(last, m.capturedStart() - last);
        last = m.capturedEnd();
        const QString name = m.captured(1);
        const QString format = m.captured(2);
        if (!data.hasField(name))
            continue;
        const QVariant v = data.value(record, name);
        if (format.isEmpty() || v.isNull()) {
            out += data.text(record, name);
        } else if (data.type(name) == RecordSet::Type::Date) {
            out += v.toDateTime().toString(format);
        } else {
            // Text fields holding numbers (quantities, amounts) take number formats too.
            const QString s = data.text(record, name);
            out += s.trimmed().isEmpty() ? s : formatNumber(NumberText::val(s), format);
        }
    }
    out += text.mid(last);
    return out;
}

bool PrintTemplate::holds(const QString &when, const RecordSet &data, int record)
{
    QString name = when.trimmed();
    if (name.isEmpty())
        return true;
    const bool invert = name.startsWith(u'!');
    if (invert)
        name = name.mid(1).trimmed();
    bool set = false;
    if (data.hasField(name)) {
        const QString s = data.text(record, name).trimmed();
        bool number = false;
        const double d = s.toDouble(&number);
        set = !s.isEmpty() && !(number && d == 0);
    }
    return invert ? !set : set;
}
